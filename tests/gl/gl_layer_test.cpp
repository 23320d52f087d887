// The shared GL layer as the 3D renderer will use it: shader entry points
// that really compile, link and draw, and sprite records looked up by slot.
#include <gtest/gtest.h>

#include "gfx2d/gl_fixture.h"
#include "gfx2d/sprite_lookup.h"
#include "gl/gl_extensions.h"

namespace {

using GlLayer = gltest::GlDevice;

GLuint Compile(GLenum kind, const char* source) {
  const orv::GlEntryPoints& g = orv::Gl();
  GLuint s = g.glCreateShader(kind);
  g.glShaderSource(s, 1, &source, nullptr);
  g.glCompileShader(s);
  GLint ok = 0;
  g.glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[512] = {};
    g.glGetShaderInfoLog(s, sizeof log, nullptr, log);
    ADD_FAILURE() << log;
  }
  return s;
}

TEST_F(GlLayer, ShaderEntryPointsCompileLinkAndDraw) {
  int major = 0, minor = 0;
  ASSERT_TRUE(orv::GlVersion(major, minor));
  ASSERT_GE(major, 2);
  const orv::GlEntryPoints& g = orv::Gl();
  ASSERT_NE(g.glCreateShader, nullptr);
  ASSERT_NE(g.glUniform4f, nullptr);
  ASSERT_NE(g.glDeleteProgram, nullptr);

  GLuint vs = Compile(GL_VERTEX_SHADER, "void main() { gl_Position = ftransform(); }");
  GLuint fs = Compile(GL_FRAGMENT_SHADER, "uniform vec4 tint; void main() { gl_FragColor = tint; }");
  GLuint program = g.glCreateProgram();
  g.glAttachShader(program, vs);
  g.glAttachShader(program, fs);
  g.glLinkProgram(program);
  GLint linked = 0;
  g.glGetProgramiv(program, GL_LINK_STATUS, &linked);
  ASSERT_TRUE(linked);
  GLint tint = g.glGetUniformLocation(program, "tint");
  ASSERT_GE(tint, 0);
  EXPECT_EQ(g.glGetUniformLocation(program, "missing"), -1);

  g.glUseProgram(program);
  g.glUniform4f(tint, 0.0f, 1.0f, 0.0f, 1.0f);
  d->DrawRect(10, 10, 8, 8, 0x0000FF);  // red without the program
  d->FlushDrawing();  // drawn while the program is in use
  g.glUseProgram(0);
  EXPECT_EQ(Pixel(12, 12), 0x00FF00u);
  g.glDeleteShader(vs);
  g.glDeleteShader(fs);
  g.glDeleteProgram(program);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GlLayer, SpriteRecordsAreLookedUpBySlot) {
  MakeSprite(7, 20, 10, [](int, int) { return 0xFF00FF00u; });
  const orv::SpriteSlot* s = orv::LookUpSprite(*d, 7);
  ASSERT_NE(s, nullptr);
  EXPECT_NE(s->texture, 0u);
  EXPECT_EQ(s->imageWidth, 20);
  EXPECT_EQ(s->imageHeight, 10);
  EXPECT_EQ(s->textureWidth, 32);
  EXPECT_EQ(s->textureHeight, 16);
  EXPECT_EQ(orv::LookUpSprite(*d, 8), nullptr);
  EXPECT_EQ(orv::LookUpSprite(*d, -1), nullptr);
  EXPECT_EQ(orv::LookUpSprite(*d, orv::kSpriteSlots - 1), nullptr);  // the spare record
  d->FreeSprite(7);
  EXPECT_EQ(orv::LookUpSprite(*d, 7), nullptr);
}

}  // namespace
