// Game-facing commands of the 3D renderer: the 3D pass, camera, fog,
// culling and the object transform stack.
//
// Slots are small integers; a wrong slot number gives the neutral result.
// Angles are degrees; colours 0x00BBGGRR (red in the low byte). Matrices
// exchanged with arrays are 16 numbers in column-major order (element
// (row r, column c) at index 4c + r); a product A x B applies B first.
#pragma once

#include "orvane/rt_array.h"
#include "orvane/rt_string.h"

// ---- Scene, camera and transforms ---------------------------------------------------
void Begin3D(double nearPlane, double farPlane, double fov);  // start a 3D pass: clear depth, projection, camera at the origin looking down -z; fov <= 0: orthographic
void End3D();                                      // end the 3D pass: back to 2D drawing
void ClearDepth();                                 // clear the depth buffer
void SetDepthTest(double on);                      // depth test (less-than) on or off
void SetCullMode(double mode);                     // 0: no culling; > 0: clockwise faces are front; < 0: counter-clockwise
void SetFog(double color, double exponential, double startOrDensity, double end);  // color -1: off; linear 0, 0: the pass's near and far
void SetTextureOffset(double du, double dv);       // added to every drawn texture coordinate
void SetSphereMapping(double on);                  // texture coordinates from sphere mapping
double SetNormalMode(double mode);                 // normals of finished built meshes: mode mod 3 (0, 1, 2), returned
void ClearPassFlags();                             // forget which lights and the special light are on
void SetTexture3D(double first, double second);    // sprites on texture units 0 and 1 for 3D drawing; -1: none
void SetCamera(double eyeX, double eyeY, double eyeZ, double targetX, double targetY, double targetZ);  // camera at eye looking at target
void SetCameraUp(double x, double y, double z);    // the camera's up vector, used by the next SetCamera
double SphereInFrustum(double x, double y, double z, double radius);  // 1 unless the sphere is wholly outside the view
void PushTransform();                              // new transform level starting from the current transform (at most 16)
double PopTransform();                             // 1 when a level was popped; at the bottom 0 and the transform is reset
void Translate(double x, double y, double z);      // set the level's translation (drops its rotations and matrices)
void Scale(double x, double y, double z);          // set the level's scale (drops its rotations and matrices)
void Rotate(double angle, double x, double y, double z);  // add a rotation about the axis (at most 16 per level)
void MultiplyMatrix(const RtArray<double>& matrix);  // append a matrix of exactly 16 numbers (at most 16 per level)
void CurrentTransform(RtArray<double>& matrix);    // the current object transform as 16 numbers
void ViewMatrix(RtArray<double>& matrix);          // the camera's view matrix as 16 numbers
void ApplyTransform();                             // multiply the GL modelview matrix by the current transform
double TransformScale(double& sx, double& sy, double& sz);  // lengths of the transform's axes; 0 (and 1, 1, 1) when untransformed

// ---- Shader programs -------------------------------------------------------------
// Reports (compiler and linker logs, then the failed step) go to the debug
// output, one line each, when the game runs in debug mode.
double LoadShader(double slot, const RtString& vertexFile, const RtString& fragmentFile);  // compile and link slot 0..254 from GLSL files ("" = none); 1 when linked
void UseShader(double slot);                       // draw with slot 0..254; -1 back to fixed-function drawing
void SetShaderFloat(const RtString& name, double value);  // float uniform of the active program
void SetShaderInt(const RtString& name, double value);  // int (or sampler) uniform of the active program
void SetShaderAttribute(const RtString& name, double value);  // float vertex attribute of the active program
void ClearShaderSlot(double slot);                 // delete the slot's program and shaders

// ---- Lights -----------------------------------------------------------------------------
void SetLight(double index, double color, double x, double y, double z, double dx, double dy, double dz, double cutoff, double show);  // index >= 0: GL light index mod 8 (cutoff 0: off; 180: directional along d; <= 90: spot; else point); index < 0: the special light (-1 bump, -3 shadows, other cartoon), on while cutoff is not 0
void SetCameraLight(double index, double color);  // directional light from the camera's eye toward the origin
void DrawAxes(double x, double y, double z);       // red, green, blue arrows along x, y, z at a world position
void SetCartoonRamp(const RtArray<double>& ramp);  // cartoon shading bands: intensities 0 to 1, darkest first
