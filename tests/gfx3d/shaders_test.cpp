// Shader programs on a real GL context: drawing with a loaded program,
// uniforms, the reports of broken programs, loading through the file layer
// and the path of a driver without shader support.
#include "gfx3d/shaders.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../files/files_test_support.h"
#include "files/files_lifecycle.h"
#include "files/mem_name.h"
#include "orvane/gfx3d.h"
#include "scene_fixture.h"

namespace {

using scenetest::Near;

const char* const kRedFragment = "void main() { gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0); }\n";
const char* const kLevelFragment =
    "uniform float level;\nuniform int blue;\n"
    "void main() { gl_FragColor = vec4(level, 0.0, float(blue) / 255.0, 1.0); }\n";
const char* const kPassVertex = "void main() { gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex; }\n";
const char* const kBrokenFragment = "void main() { gl_FragColor = vec4(1.0, oops); }\n";

struct Shaders : scenetest::SceneTest {
  std::vector<std::string> reports;
  orv::ShaderReport Collect() {
    return [this](const RtString& text) { reports.emplace_back(text.CStr()); };
  }
  orv::Shaders& Slots() { return Scene().shaders; }
};

TEST_F(Shaders, AConstantColourProgramDrawsItsColourUntilFixedFunctionReturns) {
  ASSERT_TRUE(orv::Shaders::Supported());
  ASSERT_TRUE(Slots().LoadFromTexts(3, kPassVertex, kRedFragment, Collect()));
  EXPECT_TRUE(reports.empty());
  const orv::Shaders::Slot& s = Slots().At(3);
  EXPECT_NE(s.program, 0u);
  EXPECT_NE(s.vertex, 0u);
  EXPECT_NE(s.fragment, 0u);

  UseShader(3);
  EXPECT_EQ(Slots().Active(), 3);
  glColor3f(0, 1, 0);
  FillViewport();
  EXPECT_EQ(Pixel(10, 10), 0x0000FFu);

  UseShader(-1);
  EXPECT_EQ(Slots().Active(), -1);
  FillViewport();
  EXPECT_EQ(Pixel(10, 10), 0x00FF00u);  // the fixed-function colour again

  UseShader(255);  // out of range counts as "none" too
  EXPECT_EQ(Slots().Active(), -1);
  ClearShaderSlot(3);
  EXPECT_EQ(Slots().At(3).program, 0u);
  EXPECT_EQ(Slots().At(3).fragment, 0u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Shaders, UniformsChangeTheColourAndUnknownNamesAreReported) {
  ASSERT_TRUE(Slots().LoadFromTexts(0, nullptr, kLevelFragment, Collect()));
  Slots().Use(0);
  Slots().SetFloat("level", 0.5f, Collect());
  Slots().SetInt("blue", 255, Collect());
  FillViewport();
  EXPECT_TRUE(Near(Pixel(5, 5), 0xFF0080u)) << std::hex << Pixel(5, 5);
  SetShaderFloat("level", 1.0);  // the command path reaches the same program
  SetShaderInt("blue", 0);
  FillViewport();
  EXPECT_EQ(Pixel(5, 5), 0x0000FFu);
  EXPECT_TRUE(reports.empty());

  Slots().SetFloat("lvl", 1, Collect());
  Slots().SetAttribute("weight", 1, Collect());
  SetShaderAttribute("weight", 1);  // reports go to debug output only: no crash, no GL error
  EXPECT_EQ(reports, (std::vector<std::string>{"undefined uniform:", "lvl", "undefined attrib:", "weight"}));

  // An active slot that was never loaded binds no program and has no uniforms.
  reports.clear();
  Slots().Use(9);
  Slots().SetInt("level", 1, Collect());
  EXPECT_EQ(reports, (std::vector<std::string>{"undefined uniform:", "level"}));
  // Without an active program the setters do nothing at all.
  reports.clear();
  Slots().Use(-1);
  Slots().SetFloat("lvl", 1, Collect());
  orv::ShaderSetSamplers(Slots());
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Shaders, BrokenProgramsReportLogThenStepAndLeaveTheSlotEmpty) {
  ASSERT_TRUE(Slots().LoadFromTexts(7, nullptr, kRedFragment, Collect()));
  ASSERT_FALSE(Slots().LoadFromTexts(7, nullptr, kBrokenFragment, Collect()));
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].find("error"), std::string::npos) << reports[0];  // the compiler's own log
  EXPECT_EQ(reports[1], "fragment shader failed");
  const orv::Shaders::Slot& s = Slots().At(7);
  EXPECT_EQ(s.program | s.vertex | s.fragment, 0u);  // the old program went too: the slot was reloaded

  // A broken vertex stage with a good fragment stage still reaches the link,
  // which fails and says so.
  reports.clear();
  EXPECT_FALSE(Slots().LoadFromTexts(7, "void main() { gl_Position = nope; }", kRedFragment, Collect()));
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(reports[1], "vertex shader failed");
  EXPECT_EQ(reports.back(), "link shader failed");
  EXPECT_EQ(Slots().At(7).program, 0u);

  // Slots outside 0..254 fail without a word; so does a load with nothing to compile.
  reports.clear();
  EXPECT_FALSE(Slots().LoadFromTexts(255, nullptr, kRedFragment, Collect()));
  EXPECT_FALSE(Slots().LoadFromTexts(-1, nullptr, kRedFragment, Collect()));
  EXPECT_EQ(LoadShader(255, "", ""), 0);
  EXPECT_FALSE(Slots().Load(1, "no-such.vert", "no-such.frag", Collect()));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Shaders, FilesOnDiskInMemoryAndInTheArchiveLoad) {
  const std::string dir = orvtest::PrivateDir();
  orvtest::WriteFile(dir + "/red.frag", kRedFragment);
  orvtest::WriteFile(dir + "/pass.vert", kPassVertex);
  EXPECT_EQ(LoadShader(1, (dir + "/pass.vert").c_str(), (dir + "/red.frag").c_str()), 1);
  EXPECT_NE(Slots().At(1).vertex, 0u);

  auto block = std::make_shared<const orv::MemBlock>(
      std::vector<uint8_t>(kLevelFragment, kLevelFragment + std::string(kLevelFragment).size()));
  EXPECT_EQ(LoadShader(2, "", orv::MemName(block)), 1);
  EXPECT_EQ(Slots().At(2).vertex, 0u);

  const std::string program = dir + "/packed-game";
  orvtest::WriteFile(program, filestest::Carrier("\x7f" "ELF", {{"tint.frag", kRedFragment}}, true));
  orv::StartAssetLocators(program.c_str());
  EXPECT_EQ(LoadShader(4, "", "Media/tint.frag"), 1);
  UseShader(4);
  FillViewport();
  EXPECT_EQ(Pixel(20, 20), 0x0000FFu);
  UseShader(-1);
}

TEST_F(Shaders, WithoutShaderSupportOnlyTheFirstLoadSaysSo) {
  setenv("ORVANE_NO_SHADERS", "1", 1);
  EXPECT_FALSE(orv::Shaders::Supported());
  EXPECT_FALSE(Slots().LoadFromTexts(255, nullptr, kRedFragment, Collect()));  // slot checked first
  EXPECT_TRUE(reports.empty());
  EXPECT_FALSE(Slots().LoadFromTexts(0, nullptr, kRedFragment, Collect()));
  EXPECT_FALSE(Slots().LoadFromTexts(1, nullptr, kRedFragment, Collect()));
  EXPECT_EQ(LoadShader(2, "", "a.frag"), 0);
  unsetenv("ORVANE_NO_SHADERS");
  EXPECT_EQ(reports, std::vector<std::string>{"No OpenGL 2.0 Shader Support"});
  EXPECT_EQ(Slots().At(0).program, 0u);
}

}  // namespace
