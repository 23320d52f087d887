// OpenGLVexel: the 2D graphics device. It owns the one window of the process,
// its OpenGL context, the frame flip with frame pacing, the 2D projection and
// viewport, and every 2D resource table (sprites, fonts, backgrounds,
// surfaces). Exactly one exists, reached through the runtime record; the 3D
// renderer draws into the same context.
//
// Depends on: platform/ (window, context, events), runtime/ (log, clock,
// frame pacer). Single-threaded: everything runs on the game's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gfx2d/font.h"
#include "gfx2d/gl.h"
#include "gfx2d/sprite_store.h"
#include "gfx2d/surface.h"
#include "platform/events.h"
#include "platform/video.h"
#include "runtime/frame_pacer.h"

namespace orv {

class Vexel3D;

// A game function run before each waiting event is dispatched (the game's
// message hook); the event is still at the head of the queue meanwhile.
using IdleCallback = double (*)();
// The runtime's handler of every event the pump removes.
using WindowProcedure = void (*)(const platform::Event&);

struct QuadVertex {
  float x, y, z, u, v;
};

class OpenGLVexel {
 public:
  OpenGLVexel();
  virtual ~OpenGLVexel();
  OpenGLVexel(const OpenGLVexel&) = delete;
  OpenGLVexel& operator=(const OpenGLVexel&) = delete;

  // ---- Window, context, frame ---------------------------------------------
  // Creates the hidden window and its context, loads the extensions and
  // resets the 2D state. width/height 0 take the created window's size;
  // colorBits 0 the desktop's. False when no window or context can be made.
  bool Init(int width, int height, int colorBits, int framesPerSecond, int multisampleSamples,
            bool fullscreenHint);
  void SetFrameRate(int framesPerSecond) { pacer.SetFrameRate(framesPerSecond); }
  // Swaps, clears (or draws background 0) for the next frame, pumps events
  // and waits for the frame's deadline. False only when pumping fails.
  bool Flip(IdleCallback idleCallback);
  // Drains the event queue: the callback first, then removal and dispatch.
  bool PumpMessages(IdleCallback idleCallback);
  bool SetScreenSize(int width, int height, int colorBits, bool fullscreen);
  bool EnterFullscreen();
  bool EnterWindowed();
  bool HideWindow();
  void SetViewport(int x, int y, int width, int height);
  void SetScreenSizeFields(int width, int height);
  void Reset2DState();
  void SetClearColor(int32_t color);
  void SetSmoothing(bool on) { smoothing = on; }

  // ---- Orientation (quarter turns of the screen) ----------------------------
  void OrientPoint(int& x, int& y) const;
  void UnorientPoint(int& x, int& y) const;
  void RotateVector(int& dx, int& dy) const;
  // The 2D screen size as the game sees it (swapped for orientations 1 and 3).
  int LogicalWidth() const { return (orientation & 1) ? screenHeight : screenWidth; }
  int LogicalHeight() const { return (orientation & 1) ? screenWidth : screenHeight; }

  // ---- Render state (drawing) ------------------------------------------------
  void SetAlphaMode(float mode);
  void SetAlphaTest(float ref);
  void BindSprite(int slot, int secondSlot, bool useMip, const GLuint* explicitTextures);

  // ---- Resources (sprite store, backgrounds, surfaces) -------------------------
  void FreeSprite(int slot);
  void FreeAllSprites();
  void FreeBackground(int index);
  void DrawBackground(int index);
  void InitSurfaces();
  void EndSurface();
  void ReleaseAllSurfaces();

  platform::Window* Window() const { return hwnd.get(); }
  // The event the pump is about to dispatch, while the idle callback runs.
  const platform::Event* PendingEvent() const { return pendingEvent; }
  // The runtime's event handler, set before Init.
  WindowProcedure windowProc = nullptr;

  // ---- Fields -------------------------------------------------------------------
  std::vector<QuadVertex> quadVertices;  // glyph quads built while printing text
  int boundSprite = -1;
  int boundSecondSprite = -1;
  bool boundUsesMip = false;
  FontGlyph fontGlyphs[kFonts][256];
  std::unique_ptr<SpriteSlot[]> sprites;  // kSpriteSlots records
  float globalAlpha = 0;
  float alphaTestRef = 0.05f;
  bool clearEachFrame = true;
  bool depthClearPending = true;
  bool bgraSupported = false;
  SurfaceRecord surfaces[kSurfaces];
  int currentSurface = -1;
  std::unique_ptr<std::unique_ptr<uint8_t[]>[]> spritePixels;  // alpha masks for collision
  BackgroundImage backgrounds[kBackgrounds];
  bool smoothing = true;
  std::unique_ptr<platform::Window> hwnd;
  int screenWidth = 0, screenHeight = 0, colorBits = 0;
  bool isFullscreen = false;
  int multisampleSamples = 0;
  int viewportX = 0, viewportY = 0, viewportWidth = 0, viewportHeight = 0;
  int orientation = 0;
  uint32_t transparentColor = 0x8000FF;
  uint32_t fontTransparentColor = 0;
  Vexel3D* scene3D = nullptr;
  FramePacer pacer;  // nextFlipTime and frameIntervalMs
  std::unique_ptr<platform::GlContext> glContext;

 private:
  bool CreateWindowAndContext(int width, int height);
  void CheckSoftwareRenderer();
  void DestroyWindowOnly();

  const platform::Event* pendingEvent = nullptr;
};

}  // namespace orv
