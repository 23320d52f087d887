// Game-facing commands of the 3D renderer.
//
// World coordinates are the camera's; screen coordinates are pixels of the
// game's screen, origin top-left, y down. Model slots are 0..4095. Booleans
// are returned as 1 or 0. Colours are 0x00BBGGRR. When the game runs in
// debug mode the collision commands also draw the shape they tested: red
// and thick on a hit, green and thin on a miss (a ray: green ahead, yellow
// behind, red for nothing).
#pragma once

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
