// Shader programs on a real GL context: drawing and uniforms, the reports of
// broken programs, loading through the file layer, and no shader support.
#include "gfx3d/shaders.h"

#include <memory>
#include <string>
#include <vector>

#include "../files/files_test_support.h"
#include "files/files_lifecycle.h"
#include "files/mem_name.h"
#include "orvane/gfx3d.h"
#include "scene_fixture.h"

namespace {

const char* const kRed = "void main() { gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0); }\n";
const char* const kLevel =
    "uniform float level; uniform int blue;\n"
    "void main() { gl_FragColor = vec4(level, 0.0, float(blue) / 255.0, 1.0); }\n";
const char* const kPass = "void main() { gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex; }\n";

struct Shaders : scenetest::SceneTest {
  std::vector<std::string> reports;
  orv::ShaderReport Collect() {
    return [this](const RtString& text) { reports.emplace_back(text.CStr()); };
  }
  orv::Shaders& Slots() { return Scene().ShaderSlots(); }
};

TEST_F(Shaders, ProgramsDrawTakeUniformsAndGiveWayToFixedFunction) {
  ASSERT_TRUE(Slots().LoadFromTexts(3, kPass, kRed, Collect()));
  ASSERT_TRUE(Slots().LoadFromTexts(0, nullptr, kLevel, Collect()));
  UseShader(3);
  glColor3f(0, 1, 0);
  FillViewport();
  EXPECT_EQ(Pixel(10, 10), 0x0000FFu);
  UseShader(0);
  SetShaderFloat("level", 0.5);
  SetShaderInt("blue", 255);
  FillViewport();
  EXPECT_TRUE(orvtest::SamePicture(Frame(), orvtest::Picture::Filled(kWidth, kHeight, 0xFF0080),
                                   orvtest::kBlendRounding, "uniforms"));
  UseShader(-1);
  EXPECT_EQ(Slots().Active(), -1);
  FillViewport();
  EXPECT_EQ(Pixel(10, 10), 0x00FF00u);
  EXPECT_TRUE(reports.empty());

  ClearShaderSlot(3);
  EXPECT_EQ(Slots().At(3).program | Slots().At(3).vertex | Slots().At(3).fragment, 0u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Shaders, ReloadingOrClearingTheSlotInUseChangesWhatDraws) {
  const char* const kRedBlue = "uniform float r; uniform int b;\n"
                               "void main() { gl_FragColor = vec4(r, 0.0, float(b) / 255.0, 1.0); }\n";
  const char* const kGreenBlue = "uniform int k; uniform float r;\n"
                                 "void main() { gl_FragColor = vec4(0.0, float(k) / 255.0, r, 1.0); }\n";
  auto current = [] {
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return static_cast<GLuint>(program);
  };
  ASSERT_TRUE(Slots().LoadFromTexts(2, nullptr, kRedBlue, Collect()));
  UseShader(2);
  SetShaderFloat("r", 1);
  FillViewport();
  EXPECT_EQ(Pixel(3, 3), 0x0000FFu);
  // A hot reload in use: the new program draws, and takes the uniforms.
  ASSERT_TRUE(Slots().LoadFromTexts(2, nullptr, kGreenBlue, Collect()));
  EXPECT_EQ(current(), Slots().At(2).program);
  SetShaderFloat("r", 1);
  SetShaderInt("k", 128);
  FillViewport();
  EXPECT_TRUE(orvtest::SamePicture(Frame(), orvtest::Picture::Filled(kWidth, kHeight, 0xFF8000),
                                   orvtest::kBlendRounding, "reloaded"));
  // Clearing it, or a reload that fails, leaves fixed-function drawing.
  ClearShaderSlot(2);
  EXPECT_EQ(current(), 0u);
  glColor3f(0, 1, 0);
  FillViewport();
  EXPECT_EQ(Pixel(3, 3), 0x00FF00u);
  ASSERT_TRUE(Slots().LoadFromTexts(2, nullptr, kRed, Collect()));
  EXPECT_EQ(current(), Slots().At(2).program);
  EXPECT_FALSE(Slots().LoadFromTexts(2, nullptr, "void main() { gl_FragColor = oops; }", nullptr));
  EXPECT_EQ(current(), 0u);
  EXPECT_EQ(Slots().Active(), 2);
  UseShader(-1);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Shaders, FailuresReportTheLogThenTheStepAndLeaveTheSlotEmpty) {
  ASSERT_TRUE(Slots().LoadFromTexts(7, nullptr, kRed, Collect()));
  EXPECT_FALSE(Slots().LoadFromTexts(7, nullptr, "void main() { gl_FragColor = oops; }", Collect()));
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].find("error"), std::string::npos) << reports[0];
  EXPECT_EQ(reports[1], "fragment shader failed");
  EXPECT_EQ(Slots().At(7).program | Slots().At(7).fragment, 0u);  // the old program went too

  // A broken vertex stage with a good fragment stage fails at the link.
  reports.clear();
  EXPECT_FALSE(Slots().LoadFromTexts(7, "void main() { gl_Position = nope; }", kRed, Collect()));
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(reports[1], "vertex shader failed");
  EXPECT_EQ(reports.back(), "link shader failed");

  // Unknown names; an active slot that was never loaded has no uniforms.
  reports.clear();
  ASSERT_TRUE(Slots().LoadFromTexts(1, nullptr, kLevel, Collect()));
  Slots().Use(1);
  Slots().SetFloat("lvl", 1, Collect());
  Slots().SetAttribute("weight", 1, Collect());
  SetShaderAttribute("weight", 1);  // without debug mode: silent
  Slots().Use(9);
  Slots().SetInt("level", 1, Collect());
  Slots().Use(-1);
  Slots().SetFloat("lvl", 1, Collect());  // no active program: nothing
  EXPECT_EQ(reports, (std::vector<std::string>{"undefined uniform:", "lvl", "undefined attrib:", "weight",
                                               "undefined uniform:", "level"}));

  // Slots outside 0..254 and files that cannot be read fail without a word.
  reports.clear();
  EXPECT_FALSE(Slots().LoadFromTexts(255, nullptr, kRed, Collect()));
  EXPECT_FALSE(Slots().LoadFromTexts(-1, nullptr, kRed, Collect()));
  EXPECT_FALSE(Slots().Load(2, "no-such.vert", "no-such.frag", Collect()));
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Shaders, FilesLoadFromDiskMemoryNamesAndTheArchive) {
  const std::string dir = orvtest::PrivateDir();
  orvtest::WriteFile(dir + "/red.frag", kRed);
  orvtest::WriteFile(dir + "/pass.vert", kPass);
  EXPECT_EQ(LoadShader(1, (dir + "/pass.vert").c_str(), (dir + "/red.frag").c_str()), 1);
  EXPECT_NE(Slots().At(1).vertex, 0u);
  auto block = std::make_shared<const orv::MemBlock>(std::vector<uint8_t>(kLevel, kLevel + std::string(kLevel).size()));
  EXPECT_EQ(LoadShader(2, "", orv::MemName(block)), 1);

  const std::string program = dir + "/packed-game";
  orvtest::WriteFile(program, filestest::Carrier("\x7f" "ELF", {{"tint.frag", kRed}}, true));
  orv::StartAssetLocators(program.c_str());
  EXPECT_EQ(LoadShader(4, "", "Media/tint.frag"), 1);
  UseShader(4);
  FillViewport();
  EXPECT_EQ(Pixel(20, 20), 0x0000FFu);
  UseShader(-1);
}

TEST_F(Shaders, WithoutShaderSupportOnlyTheFirstLoadSaysSo) {
  setenv("ORVANE_NO_SHADERS", "1", 1);
  EXPECT_FALSE(Slots().LoadFromTexts(255, nullptr, kRed, Collect()));  // the slot is checked first
  EXPECT_TRUE(reports.empty());
  EXPECT_FALSE(Slots().LoadFromTexts(0, nullptr, kRed, Collect()));
  EXPECT_FALSE(Slots().LoadFromTexts(1, nullptr, kRed, Collect()));
  EXPECT_EQ(LoadShader(2, "", "a.frag"), 0);
  unsetenv("ORVANE_NO_SHADERS");
  EXPECT_EQ(reports, std::vector<std::string>{"No OpenGL 2.0 Shader Support"});
}

}  // namespace
