// Game-facing shader commands: convert and forward to the renderer's shader
// slots. Without a renderer every command gives the neutral result.
#include "gfx3d/vexel3d.h"
#include "orvane/gfx3d.h"
#include "runtime/error_state.h"
#include "runtime/lib/number_convert.h"
#include "runtime/runtime_state.h"

namespace {

// Reports become debug-output lines, and only in debug mode: a release game
// says nothing about its shaders.
void ReportToDebugOutput(const RtString& text) {
  if (!orv::Rt().settings.debugMode) return;
  RtString line = text;
  line += "\n";
  orv::DebugOut(line);
}

orv::Shaders* Slots() { return orv::Rt().scene ? &orv::Rt().scene->ShaderSlots() : nullptr; }

}  // namespace

double LoadShader(double slot, const RtString& vertexFile, const RtString& fragmentFile) {
  orv::Shaders* s = Slots();
  if (!s) return 0;
  return s->Load(orv::ToInt32(slot), vertexFile, fragmentFile, ReportToDebugOutput) ? 1 : 0;
}

void UseShader(double slot) {
  if (orv::Shaders* s = Slots()) s->Use(orv::ToInt32(slot));
}

void SetShaderFloat(const RtString& name, double value) {
  if (orv::Shaders* s = Slots()) s->SetFloat(name, static_cast<float>(value), ReportToDebugOutput);
}

void SetShaderInt(const RtString& name, double value) {
  if (orv::Shaders* s = Slots()) s->SetInt(name, orv::ToInt32(value), ReportToDebugOutput);
}

void SetShaderAttribute(const RtString& name, double value) {
  if (orv::Shaders* s = Slots()) s->SetAttribute(name, static_cast<float>(value), ReportToDebugOutput);
}

void ClearShaderSlot(double slot) {
  if (orv::Shaders* s = Slots()) s->Clear(orv::ToInt32(slot));
}
