#include "gfx3d/shaders.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/asset_locator.h"
#include "gl/gl_extensions.h"
#include "runtime/switches.h"

namespace orv {

namespace {

// The whole file as a zero-terminated text; false when it cannot be read.
bool ReadSource(const RtString& name, std::string& text) {
  if (name.Length() == 0) return false;
  std::vector<uint8_t> bytes;
  if (!ReadAssetBytes(name, bytes)) return false;
  text.assign(bytes.begin(), bytes.end());
  return true;
}

RtString InfoLog(GLuint object, bool program) {
  GlEntryPoints& g = Gl();
  GLint length = 0;
  if (program)
    g.glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  else
    g.glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  if (length <= 0) return RtString();
  std::vector<char> log(static_cast<size_t>(length) + 1, 0);
  GLsizei written = 0;
  if (program)
    g.glGetProgramInfoLog(object, length, &written, log.data());
  else
    g.glGetShaderInfoLog(object, length, &written, log.data());
  if (written < 0 || written > length) written = 0;
  return RtString(log.data(), written);
}

}  // namespace

bool Shaders::Supported() {
  if (Switches().noShaders) return false;
  const GlEntryPoints& g = Gl();
  return g.glCreateShader && g.glShaderSource && g.glCompileShader && g.glGetShaderiv && g.glGetShaderInfoLog &&
         g.glCreateProgram && g.glAttachShader && g.glLinkProgram && g.glGetProgramiv && g.glGetProgramInfoLog;
}

Shaders::~Shaders() { ClearAll(); }

void Shaders::Clear(int slot) {
  if (!ValidSlot(slot)) return;
  Slot& s = slots_[static_cast<size_t>(slot)];
  const GlEntryPoints& g = Gl();
  // Without the delete entry points the handles stay: forgetting them would
  // leak objects the driver still holds.
  if (!g.glDeleteProgram || !g.glDeleteShader) return;
  // GL keeps drawing with a deleted program while it is current, and
  // uniforms would go to it: the slot in use lets go of it first. The slot
  // stays selected; it simply has no program until it is loaded again.
  if (slot == active_ && s.program && g.glUseProgram) g.glUseProgram(0);
  if (s.program) g.glDeleteProgram(s.program);
  if (s.vertex) g.glDeleteShader(s.vertex);
  if (s.fragment) g.glDeleteShader(s.fragment);
  s = Slot{};
}

void Shaders::ClearAll() {
  for (int i = 0; i < kSlots; ++i) {
    const Slot& s = slots_[static_cast<size_t>(i)];
    if (s.program || s.vertex || s.fragment) Clear(i);
  }
}

bool Shaders::BeginLoad(int slot) {
  if (!ValidSlot(slot)) return false;
  if (!Supported()) {
    if (supportUnreported_) {
      supportUnreported_ = false;
      Report("No OpenGL 2.0 Shader Support");
    }
    return false;
  }
  Clear(slot);
  return true;
}

bool Shaders::Load(int slot, const RtString& vertexFile, const RtString& fragmentFile) {
  reports_.clear();
  if (!BeginLoad(slot)) return false;
  std::string vertex, fragment;
  const bool haveVertex = ReadSource(vertexFile, vertex);
  const bool haveFragment = ReadSource(fragmentFile, fragment);
  return LoadTexts(slot, haveVertex ? vertex.c_str() : nullptr, haveFragment ? fragment.c_str() : nullptr);
}

bool Shaders::LoadFromTexts(int slot, const char* vertexText, const char* fragmentText) {
  reports_.clear();
  return LoadTexts(slot, vertexText, fragmentText);
}

bool Shaders::CompileStage(GLenum type, const char* text, GLuint& handle, const char* failed) {
  GlEntryPoints& g = Gl();
  handle = g.glCreateShader(type);
  if (handle == 0) {
    Report(failed);
    return false;
  }
  g.glShaderSource(handle, 1, &text, nullptr);
  g.glCompileShader(handle);
  GLint ok = 0;
  g.glGetShaderiv(handle, GL_COMPILE_STATUS, &ok);
  if (ok) return true;
  Report(InfoLog(handle, false));
  Report(failed);
  return false;
}

bool Shaders::Link(Slot& s) {
  GlEntryPoints& g = Gl();
  s.program = g.glCreateProgram();
  if (s.program == 0) {
    Report("link shader failed");
    return false;
  }
  if (s.vertex) g.glAttachShader(s.program, s.vertex);
  if (s.fragment) g.glAttachShader(s.program, s.fragment);
  g.glLinkProgram(s.program);
  GLint ok = 0;
  g.glGetProgramiv(s.program, GL_LINK_STATUS, &ok);
  if (ok) return true;
  Report(InfoLog(s.program, true));
  Report("link shader failed");
  return false;
}

bool Shaders::LoadTexts(int slot, const char* vertexText, const char* fragmentText) {
  // Load() has already been through the checks; a second pass finds the
  // slot empty and support unchanged, so it costs nothing.
  if (!BeginLoad(slot)) return false;
  Slot& s = slots_[static_cast<size_t>(slot)];
  bool ok = false;
  if (vertexText) ok = CompileStage(GL_VERTEX_SHADER, vertexText, s.vertex, "vertex shader failed");
  // The fragment stage's outcome decides whether linking is tried: a broken
  // vertex stage then fails at the link, which says so.
  if (fragmentText) ok = CompileStage(GL_FRAGMENT_SHADER, fragmentText, s.fragment, "fragment shader failed");
  if (ok && (s.vertex || s.fragment)) ok = Link(s);
  // A failed load leaves the slot empty, so selecting it later can never
  // bind a program that did not link.
  if (!ok) {
    Clear(slot);
    return false;
  }
  // Reloading the slot in use puts the new program in use at once.
  if (slot == active_ && Gl().glUseProgram) Gl().glUseProgram(s.program);
  return true;
}

void Shaders::Use(int slot) {
  GlEntryPoints& g = Gl();
  if (ValidSlot(slot)) {
    active_ = slot;
    if (g.glUseProgram) g.glUseProgram(slots_[static_cast<size_t>(slot)].program);
  } else {
    active_ = -1;
    if (g.glUseProgram) g.glUseProgram(0);
  }
}

GLint Shaders::Uniform(const RtString& name) {
  GlEntryPoints& g = Gl();
  const GLuint program = slots_[static_cast<size_t>(active_)].program;
  // An empty slot has no uniforms; asking GL about program 0 is an error.
  const GLint location = program ? g.glGetUniformLocation(program, name.CStr()) : -1;
  if (location == -1) {
    Report("undefined uniform:");
    Report(name);
  }
  return location;
}

void Shaders::SetFloat(const RtString& name, float value) {
  reports_.clear();
  GlEntryPoints& g = Gl();
  if (active_ < 0 || !g.glGetUniformLocation || !g.glUniform1f) return;
  const GLint location = Uniform(name);
  if (location != -1) g.glUniform1f(location, value);
}

void Shaders::SetInt(const RtString& name, int32_t value) {
  reports_.clear();
  GlEntryPoints& g = Gl();
  if (active_ < 0 || !g.glGetUniformLocation || !g.glUniform1i) return;
  const GLint location = Uniform(name);
  if (location != -1) g.glUniform1i(location, value);
}

void Shaders::SetAttribute(const RtString& name, float value) {
  reports_.clear();
  GlEntryPoints& g = Gl();
  if (active_ < 0 || !g.glGetAttribLocation || !g.glVertexAttrib1f) return;
  const GLuint program = slots_[static_cast<size_t>(active_)].program;
  const GLint location = program ? g.glGetAttribLocation(program, name.CStr()) : -1;
  if (location == -1) {
    Report("undefined attrib:");
    Report(name);
    return;
  }
  g.glVertexAttrib1f(static_cast<GLuint>(location), value);
}

void ShaderSetSamplers(Shaders& shaders) {
  if (shaders.Active() < 0) return;
  shaders.SetInt("TextureID1", 0);
  shaders.SetInt("TextureID2", 1);
}

}  // namespace orv
