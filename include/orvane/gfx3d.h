// Game-facing commands of the 3D renderer.
//
// Slots are small integers; a wrong slot number gives the neutral result.
#pragma once

#include "orvane/rt_string.h"

// ---- Shader programs -------------------------------------------------------------
// Reports (compiler and linker logs, then the failed step) go to the debug
// output, one line each, when the game runs in debug mode.
double LoadShader(double slot, const RtString& vertexFile, const RtString& fragmentFile);  // compile and link slot 0..254 from GLSL files ("" = none); 1 when linked
void UseShader(double slot);                       // draw with slot 0..254; -1 back to fixed-function drawing
void SetShaderFloat(const RtString& name, double value);  // float uniform of the active program
void SetShaderInt(const RtString& name, double value);  // int (or sampler) uniform of the active program
void SetShaderAttribute(const RtString& name, double value);  // float vertex attribute of the active program
void ClearShaderSlot(double slot);                 // delete the slot's program and shaders
