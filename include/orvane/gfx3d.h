// Game-facing commands of the 3D renderer.
//
// Model slots are 0..4095; a wrong slot number gives the neutral result.
// Colours are 0x00BBGGRR. Texture coordinates v are given the game's way up.
#pragma once

#include <cstdint>

#include "orvane/rt_array.h"
#include "orvane/rt_string.h"

// ---- Models -----------------------------------------------------------------------
void LoadObject(const RtString& path, double slot);  // .ddd, DDDA or scene file; the slot is in use when it loaded
double SaveObject(const RtString& path, double slot);  // mesh 0 as a .ddd file; always 1
double FindFreeObject();                           // lowest slot not in use; -1 when none
void StartObject(double slot, double kind);        // begin building; kind 0 triangles, 1 strip, 2 fan
void NewGroup(double kind);                        // start a new primitive group of that kind
void SetBuildFrame(double frame);                  // the animation frame AddVertex appends to
double AddVertex(double x, double y, double z, double u, double v, double color);  // 0 when nothing is being built
void EndObject();                                  // finish the model being built
double CountTriangles(double slot);                // triangles of frame 0 over the slot's meshes
void GetFace(double slot, double frame, double triangle, RtArray<double>& out);  // out(3, 9): x y z u v color nx ny nz per corner
void ScaleObject(double slot, double sx, double sy, double sz);  // scale every mesh of the slot in place
double DrawObject(double slot, double frameA, double frameB, double tween, double interpolate);  // draw, blending two frames; 0 when nothing was drawn
void DrawObjectFrame(double slot, double frame);   // draw one frame as it is
void SetCartoonRamp(const RtArray<double>& ramp);  // cartoon shading intensities 0..1, dark to lit
