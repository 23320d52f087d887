// Game-facing commands of the 2D graphics device: screen, viewport, orientation.
#pragma once

// ---- Screen -------------------------------------------------------------------
void SetScreen(double width, double height, double fullscreen);  // resize the screen, windowed or full screen
double ScreenWidth();                              // screen width (or the bound surface's image width)
double ScreenHeight();                             // screen height (or the bound surface's image height)
double DesktopWidth();                             // width of the desktop
double DesktopHeight();                            // height of the desktop
void SetClearColor(double color);                  // 0x00BBGGRR cleared after each flip; -1 = keep the frame
void SetSmoothing(double on);                      // bilinear filtering of sprites until the next flip

// ---- Viewport and orientation ---------------------------------------------------
void SetViewport(double x, double y, double width, double height);  // 2D drawing area; width/height <= 0: all
void GetViewport(double& x, double& y, double& width, double& height);  // the current 2D drawing area
void SetOrientation(double quarterTurns);          // turn the screen by 0..3 quarter turns
double GetOrientation();                           // the screen's quarter turns
