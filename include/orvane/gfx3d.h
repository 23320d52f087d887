// Game-facing commands of the 3D renderer: the 3D pass, camera, fog,
// culling and the object transform stack.
//
// Model slots are 0..4095, other slots small integers; a wrong slot number
// gives the neutral result. Texture coordinates v are given the game's way up.
// Angles are degrees; colours 0x00BBGGRR (red in the low byte). Matrices
// exchanged with arrays are 16 numbers in column-major order (element
// (row r, column c) at index 4c + r); a product A x B applies B first.
#pragma once

#include <cstdint>

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

// ---- Models -----------------------------------------------------------------------
void LoadObject(const RtString& path, double slot);  // .ddd, DDDA or scene file; the slot is in use when it loaded
double SaveObject(const RtString& path, double slot);  // mesh 0 as a .ddd file; 1, or 0 with error 3 (logged) when nothing was saved
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

// World coordinates are the camera's; screen coordinates are pixels of the
// game's screen, origin top-left, y down. In debug mode the collision
// commands also draw the shape they tested: red and thick on a hit, green
// and thin on a miss (a ray: green ahead, yellow behind, red for nothing).
// ---- Picking and collision ----------------------------------------------------------
double ProjectToScreen(double x, double y, double z, double& sx, double& sy, double& sz);  // world point to screen x, y and depth 0..1; 0 (outputs untouched) in the eye's plane
double ScreenToWorld(double sx, double sy, double depth, double& x, double& y, double& z);  // screen point at depth 0 (near plane) .. 1 (far plane) to the world
double CollideSphere(double slot, double frame, double radius, double x, double y, double z);  // does the sphere touch a triangle of the model under the object transform?
double CollideBox(double slot, double frame, double x, double y, double z, double sizeX, double sizeY, double sizeZ);  // does the box (full sizes) touch a triangle of the model?
double CollideRay(double slot, double frame, double x, double y, double z, double dx, double dy, double dz);  // distance to the nearest triangle ahead, else the nearest behind (negative), else 0
double SphereTouchesBox(double x, double y, double z, double radius, double sizeX, double sizeY, double sizeZ);  // sphere against the box centred on the object transform's origin
double LastHitTriangle();                          // triangle number the last query hit within its mesh (-1 reads as 0)
void DebugDot(double x, double y, double z, double size, double colour);  // a round dot of size 1..512 pixels in the current 3D space
void DebugLine(double x1, double y1, double z1, double x2, double y2, double z2, double width, double colour);  // a line of width 1..512 pixels in the current 3D space
