// Shader programs of the 3D renderer: 255 slots of GLSL programs, each from a
// vertex and/or fragment shader, one of them selected for drawing, and float
// and int uniforms and float attributes set by name.
// Everything goes through the GL 2.0 entry points the extension loader
// fetched; an operation whose entry point is missing does nothing.
// A failure gives the neutral result and keeps what went wrong for the
// caller, as texts: a compiler or linker log, then the short message that
// names the step (Reports()); the command layer passes them on.
// Depends on: gl/gl_extensions.h, files/ (ReadAssetBytes).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gl/gl.h"
#include "orvane/rt_string.h"

namespace orv {

class Shaders {
 public:
  static constexpr int kSlots = 255;
  struct Slot {
    GLuint program = 0;
    GLuint vertex = 0;
    GLuint fragment = 0;
  };

  Shaders() = default;
  ~Shaders();
  Shaders(const Shaders&) = delete;
  Shaders& operator=(const Shaders&) = delete;

  // Loads slot 0..254 from shader files ("" = none) through the file layer,
  // so archive entries and mem:// names work; an unreadable file is skipped
  // silently. True when the program linked.
  bool Load(int slot, const RtString& vertexFile, const RtString& fragmentFile);
  // The same from source texts (null = none).
  bool LoadFromTexts(int slot, const char* vertexText, const char* fragmentText);
  // Slot 0..254 becomes the active program (an empty slot binds program 0);
  // anything else returns to the fixed-function pipeline (active -1).
  void Use(int slot);
  // Uniforms and attributes of the active program; nothing without one. An
  // unknown name reports "undefined uniform:" (or "undefined attrib:") and
  // then the name.
  void SetFloat(const RtString& name, float value);
  void SetInt(const RtString& name, int32_t value);
  void SetAttribute(const RtString& name, float value);
  // What the last load or set reported, in order; empty when it went well
  // (or failed without a word: a slot outside 0..254, unreadable files, a
  // missing support already reported once).
  const std::vector<RtString>& Reports() const { return reports_; }
  // Deletes the slot's GL objects (all three handles become 0). The slot in
  // use stays selected with no program: fixed-function drawing until it is
  // loaded again (a reload in use binds the new program).
  void Clear(int slot);
  void ClearAll();

  int Active() const { return active_; }
  const Slot& At(int slot) const { return slots_[static_cast<size_t>(slot)]; }
  static bool ValidSlot(int slot) { return slot >= 0 && slot < kSlots; }
  // The driver can compile and link programs (the noShaders switch hides
  // it, for testing the path of drivers without shader support).
  static bool Supported();

 private:
  bool BeginLoad(int slot);
  bool LoadTexts(int slot, const char* vertexText, const char* fragmentText);
  // Compiles one stage into `handle`; false after reporting the log and `failed`.
  bool CompileStage(GLenum type, const char* text, GLuint& handle, const char* failed);
  bool Link(Slot& s);
  GLint Uniform(const RtString& name);
  void Report(const RtString& text) { reports_.push_back(text); }

  std::array<Slot, kSlots> slots_{};
  int active_ = -1;
  bool supportUnreported_ = true;
  std::vector<RtString> reports_;
};

// The sampler uniforms of the two 3D texture units ("TextureID1" = unit 0,
// "TextureID2" = unit 1), set whenever a program is active (what they report
// is passed on to nobody); the 3D texture command calls it after binding its
// textures.
void ShaderSetSamplers(Shaders& shaders);

}  // namespace orv
