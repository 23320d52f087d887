// Game-facing commands of the 2D graphics device: screen, viewport,
// orientation, sprites and images, backgrounds, drawing.
//
// Colours are 0x00BBGGRR (red in the low byte); pixels exchanged with
// arrays are 0xAABBGGRR. Coordinates are pixels, origin top-left, y down.
// Sprite slots are 0..65535; a wrong slot number gives the neutral result.
#pragma once

#include <cstdint>

#include "orvane/rt_array.h"
#include "orvane/rt_string.h"

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

// ---- Sprites ------------------------------------------------------------------
double LoadSprite(double slot, const RtString& path);  // load a BMP/PNG/JPEG; 0 and error 3 on failure; "" frees
double LoadNormalMap(double slot, const RtString& path);  // load an image as a normal map (blue = height)
double LoadAnimSprite(double slot, const RtString& path, double frameWidth, double frameHeight);  // load, then set the frame size
void FreeSprite(double slot);                      // release the sprite's textures; the slot becomes free
void FreeAllSprites();                             // release every sprite and background
double FindFreeSprite();                           // highest free slot from 65503 down; -1 when none
double SpriteWidth(double slot);                   // image width in pixels; 0 for a free slot
double SpriteHeight(double slot);                  // image height in pixels; 0 for a free slot
void GetSpriteSize(double slot, double& width, double& height);  // image size as numbers
void GetSpriteSize(double slot, int32_t& width, int32_t& height);  // image size as integers
void SetSpriteAnimation(double slot, double frameWidth, double frameHeight);  // cell size of animation frames
double GrabSprite(double slot, double x, double y, double width, double height);  // screen area into a sprite
void SetTransparentColor(double color);            // colour key for sprites and fonts loaded from now on
double GetTransparentColor();                      // the colour key of sprites
double SaveSprite(double slot, const RtString& path);  // .png, ...jpg (quality 80) or else 24-bit BMP
double SaveScreen(const RtString& path);           // the whole screen, in the format the name asks for

// ---- Sprites and arrays -----------------------------------------------------------
double SpriteFromArray(double slot, const RtArray<int32_t>& pixels, double width, double height);  // width*height 0xAABBGGRR ints, top row first
double SpriteToArray(double slot, RtArray<int32_t>& pixels);  // the sprite's pixels; array sized width x height
double ImageToArray(const RtString& path, RtArray<int32_t>& pixels, double& width, double& height);  // an image file's pixels (keyed)

// ---- Backgrounds --------------------------------------------------------------------
double LoadBackground(const RtString& path);       // picture drawn behind every frame (instead of the clear)
void GrabBackground();                             // the current screen becomes the background
double FadeToBackground(const RtString& path, double milliseconds);  // cross-fade from the screen to a new background

// ---- Drawing state --------------------------------------------------------------------
void SetAlphaMode(double mode);                    // <0 blend, >0 add, 0 opaque; |mode| = intensity (max 1)
void SetAlphaTest(double ref);                     // texels with alpha <= ref are not drawn; >= 1 turns it off

// ---- Drawing sprites ----------------------------------------------------------------------
void DrawSprite(double slot, double x, double y);  // at its own size, top-left at (x, y)
void StretchSprite(double slot, double x, double y, double width, double height);  // into a rectangle
void ZoomSprite(double slot, double x, double y, double scaleX, double scaleY);  // scaled about its centre
void RotoZoomSprite(double slot, double x, double y, double angle, double zoom);  // turned (degrees, anticlockwise) and scaled
void RotateSprite(double slot, double x, double y, double angle);  // turned about its centre
void DrawAnimFrame(double slot, double frame, double x, double y);  // one animation frame
void StretchAnimFrame(double slot, double frame, double x, double y, double width, double height);  // a frame into a rectangle
void RotoZoomAnimFrame(double slot, double frame, double x, double y, double angle, double zoom);  // a frame turned and scaled

// ---- Drawing primitives ---------------------------------------------------------------------
void DrawRect(double x, double y, double width, double height, double color);  // filled; negative sizes extend left/up
void DrawLine(double x1, double y1, double x2, double y2, double color);  // both end pixels set
void SetPixel(double x, double y, double color);   // one pixel
double GetPixel(double x, double y);               // colour of a pixel of the screen or bound surface
void StartPoly(double slot, double kind);          // new polygon: kind 0 fan, 1 triangles, 2 strip; slot -1 untextured
void PolyVertex(double x, double y, double u, double v, double color);  // vertex; (u, v) in image pixels
void PolyNewStrip();                               // start a separate strip within the same polygon
void EndPoly();                                    // draw the polygon
void FlushDrawing();                               // draw what is batched now; call before issuing GL yourself

// ---- Fonts and text (fonts 0..31; font 0 is ready at start) -------------------------------
double LoadFont(double font, const RtString& path);  // BMP/PNG font into a slot, made current; 0, error 3 and the built-in font on failure
void SetCurrentFont(double font);                  // font used by PrintText and TextWidth; error 7 outside 0..31
double GetCurrentFont();                           // the current font number
void PrintText(const RtString& text, double x, double y, double proportional);  // top-left at (x, y); proportional != 0: inked widths
double TextWidth(const RtString& text, double proportional);  // width in pixels PrintText gives the text
void GetFontCellSize(double font, double& width, double& height);  // size of one character cell
void GetFontCellSize(double font, int32_t& width, int32_t& height);  // size of one character cell as integers
double FindFreeFont();                             // highest unused font number; -1 when none

// ---- Off-screen surfaces (0..31) -------------------------------------------------------------
void CreateSurface(double index, double slot, double width, double height);  // sprite `slot` becomes an empty drawing target
void UseSurface(double index);                     // draw into the surface from now on; negative: back to the screen
void EndSurface();                                 // draw on the screen again; the sprite holds what was drawn
void ReleaseSurface(double index);                 // release the surface (its sprite stays)

// ---- Collision --------------------------------------------------------------------------------
double SpritesCollide(double spriteA, double xA, double yA, double spriteB, double xB, double yB);  // 1 when an opaque pixel of each overlaps
double AnimFramesCollide(double spriteA, double frameA, double xA, double yA, double spriteB, double frameB, double xB, double yB);  // the same for animation frames
