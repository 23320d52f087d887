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
#include <string>
#include <vector>

#include "gfx2d/background.h"
#include "gfx2d/collision.h"
#include "gfx2d/draw_batch.h"
#include "gfx2d/font.h"
#include "gfx2d/scene_target.h"
#include "gfx2d/screen_orientation.h"
#include "gfx2d/sprite_store.h"
#include "gfx2d/surface.h"
#include "gl/gl.h"
#include "gl/pixel_image.h"
#include "orvane/rt_string.h"
#include "platform/events.h"
#include "platform/video.h"
#include "runtime/frame_pacer.h"

namespace orv {

class AssetLocator;

// The text of the "opengldriver.txt" a game ships beside the program or in
// its archive (empty when the file is empty); false when there is none.
bool ReadDriverNotice(AssetLocator* locator, std::string& text);

// A game function run before each waiting event is dispatched (the game's
// message hook); the event is still at the head of the queue meanwhile.
using IdleCallback = double (*)();
// The runtime's handler of every event the pump removes.
using WindowProcedure = void (*)(const platform::Event&);

class OpenGLVexel {
 public:
  OpenGLVexel();
  ~OpenGLVexel();
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
  // False when the window no longer exists.
  bool PumpMessages(IdleCallback idleCallback);
  // The frame the window is about to show, top row first, opaque: for the
  // present hook of a flip (the frame is finished, not yet swapped).
  bool ReadPresentedFrame(PixelImage& out);
  bool SetScreenSize(int width, int height, int colorBits, bool fullscreen);
  bool EnterFullscreen();
  bool EnterWindowed();
  bool HideWindow();
  // Clears the window after its size changed, unless drawing goes elsewhere.
  void ClearResizedWindow();
  void SetViewport(int x, int y, int width, int height);
  // Loads the screen's quarter turn into the current GL matrix and sets the
  // GL viewport to the game rectangle (x, y, width, height) turned with it.
  void LoadTurnedViewport(int x, int y, int width, int height);
  // The viewport as last set, in the target's logical pixels.
  void GetViewport(int& x, int& y, int& width, int& height) const {
    x = viewportX;
    y = viewportY;
    width = viewportWidth;
    height = viewportHeight;
  }
  void SetScreenSizeFields(int width, int height);
  void Reset2DState();
  void SetClearColor(int32_t color);
  void SetSmoothing(bool on) { smoothing = on; }

  // ---- Batching --------------------------------------------------------------
  // Drawing commands append to a batch; this draws it. Everything that
  // changes GL state the batch depends on, reads pixels or issues GL of its
  // own calls it first (the device does so itself for its own operations).
  void FlushDrawing();
  // Batching is on unless ORVANE_NO_BATCH=1 was set when the device started.
  bool Batching() const { return batching_; }
  // Switches batching for the rest of the run (what is batched is drawn first).
  void SetBatching(bool on) {
    FlushDrawing();
    batching_ = on;
  }

  // ---- Orientation (quarter turns of the screen) ----------------------------
  void OrientPoint(int& x, int& y) const;
  void UnorientPoint(int& x, int& y) const;
  void RotateVector(int& dx, int& dy) const;
  // The 2D screen size as the game sees it (swapped for orientations 1 and 3).
  int LogicalWidth() const { return orientation_.LogicalWidth(screenWidth, screenHeight); }
  int LogicalHeight() const { return orientation_.LogicalHeight(screenWidth, screenHeight); }
  // Quarter turns of the window's picture, 0..3.
  int Orientation() const { return orientation_.Turns(); }
  void SetOrientation(int quarterTurns) {
    FlushDrawing();
    orientation_.Set(quarterTurns < 0 ? 0 : (quarterTurns > 3 ? 3 : quarterTurns));
  }

  // ---- Render state (drawing) ------------------------------------------------
  // Binds slot a (and b on unit 0 for two-texture 3D drawing); a < 0 turns
  // texturing off. With explicitTextures the names come from that table.
  void BindSprite(int slot, int secondSlot, bool useMip, const GLuint* explicitTextures);
  // BindSprite remembers that texture unit 1 is off and unit 0 active, and
  // then leaves the units alone. Code that switches texture units itself
  // calls this afterwards; the 2D reset of every frame does too.
  void ForgetTextureUnits() { textureUnit1Off = false; }
  // Linear or nearest filtering of the bound texture, by `smoothing`.
  void ApplySmoothing();
  // m < 0 blends normally, m > 0 adds, 0 draws opaque; |m| (at most 1) is the intensity.
  void SetAlphaMode(float mode);
  // Texels whose alpha is at or below ref are not drawn; ref >= 1 turns the test off.
  void SetAlphaTest(float ref);

  // ---- Sprite and primitive drawing (logical pixels, y down) -------------------
  // Free or invalid slots draw nothing.
  void DrawSprite(int slot, int x, int y);
  void StretchSprite(int slot, int x, int y, int w, int h);
  void ZoomSprite(int slot, int x, int y, double scaleX, double scaleY);
  // Turns about the sprite's centre; a positive angle (degrees) turns anticlockwise.
  void RotoZoomSprite(int slot, int x, int y, double angle, double zoom);
  void RotateSprite(int slot, int x, int y, double angle) { RotoZoomSprite(slot, x, y, angle, 1.0); }
  // Frame n of an animated sprite: cells left to right, then top to bottom.
  void DrawAnimFrame(int slot, int frame, int x, int y);
  void StretchAnimFrame(int slot, int frame, int x, int y, int w, int h);
  void RotoZoomAnimFrame(int slot, int frame, int x, int y, double angle, double zoom);
  // Colours are 0x00BBGGRR; the transparent colour draws alpha 0.
  void DrawRect(int x, int y, int w, int h, int32_t color);
  void DrawLine(int x1, int y1, int x2, int y2, int32_t color);
  void SetPixel(int x, int y, int32_t color);
  // 0x00BBGGRR of a pixel of the drawing target.
  uint32_t GetPixel(int x, int y);
  // Polygons built vertex by vertex: kind 0 fan, 1 triangles, 2 strip.
  void StartPoly(int slot, int kind);
  // (u, v) are pixel coordinates in the sprite's image.
  void PolyVertex(float x, float y, float u, float v, int32_t color);
  void PolyNewStrip();
  void EndPoly();
  // Four vertices of x, y, u, v as one fan, clamped to the texture's edge.
  void DrawQuadFan(const float vertices[16]);

  // ---- Colour keys ---------------------------------------------------------------
  // The colour that loads (and grabs) as transparent, 0x00BBGGRR; -1 keys nothing.
  uint32_t TransparentColor() const { return transparentColor_; }
  // Sets the sprites' and the fonts' key alike.
  void SetTransparentColor(uint32_t color) {
    transparentColor_ = color;
    fonts_.SetKeyColor(color);
  }

  // ---- Sprite store ------------------------------------------------------------
  static bool IsSpriteSlot(int slot) { return slot >= 0 && slot < kSpriteSlots - 1; }
  // Addressable slots and the spare record (kSpareSprite), for the device's own use.
  static bool IsStoreSlot(int slot) { return slot >= 0 && slot < kSpriteSlots; }
  bool IsUsedSprite(int slot) const;
  // Frees the slot, reads the image, keys and edge-treats it, builds its
  // texture. An empty path only frees. False when nothing could be loaded.
  bool LoadSprite(int slot, const RtString& path, int32_t colorKey, bool asNormalMap);
  bool SpriteFromImage(int slot, const PixelImage& image, bool asNormalMap);
  void FreeSprite(int slot);
  // Every sprite and every background.
  void FreeAllSprites();
  // The highest free slot from 65,503 down; -1 when none.
  int FindFreeSprite() const;
  bool GetSpriteSize(int slot, int& width, int& height) const;
  void SetSpriteAnimation(int slot, int frameWidth, int frameHeight);
  // The screen rectangle (logical pixels) becomes the sprite; w or h 0 frees it.
  bool GrabSprite(int slot, int x, int y, int width, int height);
  // GrabSprite's path for turned screens and framebuffers without alpha:
  // read the pixels, turn them upright, upload.
  bool GrabByReadBack(int slot, int x, int y, int width, int height, bool keyFromRenderedColor);
  // The sprite's pixels, top row first; false for a free slot. Read through
  // a framebuffer where there are framebuffers, else straight from the texture.
  bool SpriteToImage(int slot, PixelImage& image);
  bool SaveSprite(int slot, const RtString& path);
  bool SaveScreen(const RtString& path);

  // ---- Backgrounds -------------------------------------------------------------
  bool LoadBackground(int index, const RtString& path);
  bool GrabBackground(int index);
  void DrawBackground(int index);
  void FreeBackground(int index);
  // Background `index` scaled by `fraction` and replacing the target
  // (replace) or added to it: the two halves of a cross-fade frame.
  void DrawBackgroundFaded(int index, float fraction, bool replace);
  const BackgroundStore& Backgrounds() const { return backgrounds_; }

  // ---- Fonts and text (font f's image is sprite 65,504 + f) --------------------
  static bool IsFont(int font) { return FontTable::IsFont(font); }
  const FontTable& Fonts() const { return fonts_; }
  // A font is in use while its image holds at least one cell per column.
  bool IsUsedFont(int font) const;
  void InstallBuiltinFont(int font);
  // Reads a BMP or PNG font image keyed with the fonts' key colour and
  // measures its glyphs. On failure the font's image slot is freed.
  bool LoadFont(int font, const RtString& path);
  // Prints at (ceil x, ceil y), top-left; a character code 0 (modulo the
  // font's character count) ends the text. Colours come from the font image;
  // the alpha mode applies.
  void PrintText(int font, const char* text, int length, double x, double y, float z, bool proportional);
  int TextWidth(int font, const char* text, int length, bool proportional) const;
  bool GetFontCellSize(int font, int& width, int& height) const;
  // The highest font number whose slot is free; -1 when none.
  int FindFreeFont() const;

  // ---- Surfaces ------------------------------------------------------------------
  // Fetches the framebuffer entry points (hidden when ORVANE_NO_FRAMEBUFFER=1,
  // which selects the copying fallback).
  void InitSurfaces();
  static bool FramebuffersAvailable();
  static bool FramebufferFallbackRequested();
  // Surface `index` draws into sprite `slot`, made a zeroed width x height image.
  void CreateSurface(int index, int slot, int width, int height);
  // Redirects drawing into the surface (ending any other first); an index
  // outside 0..31 leaves the window as the target.
  void UseSurface(int index);
  // Drawing goes to the window again; the surface's sprite holds the result.
  void EndSurface();
  // Ends surface `index` when it is in use and releases its framebuffer;
  // an index outside 0..31 does nothing.
  void ReleaseSurfaceAt(int index);
  // The surface drawing goes to (-1: the window), and a surface's record;
  // the caller keeps the index inside 0..31.
  int CurrentSurface() const { return currentSurface; }
  const SurfaceRecord& Surface(int index) const { return surfaces[index]; }
  // The drawing target's size as the game sees it: the current surface's
  // image, or the (turned) screen.
  void TargetSize(int& width, int& height) const;
  bool CreateFramebuffer(SurfaceRecord& record, int width, int height, GLuint colorTexture, bool withDepth);
  bool BindFramebuffer(SurfaceRecord& record);
  bool UnbindFramebuffer(SurfaceRecord& record);
  void ReleaseSurface(SurfaceRecord& record);
  void ReleaseAllSurfaces();
  // The framebuffer bound now (0 = the window), and the object attached as
  // its colour buffer; for the 3D renderer.
  static int CurrentFramebufferBinding();
  static int CurrentColorAttachment();
  // Drawing goes into the current surface's framebuffer (not the fallback).
  bool DrawingIntoFramebuffer() const;
  // Height of the drawing target in pixels (the window or the bound surface's image).
  int TargetHeight() const;

  // ---- The 3D pass's depth buffer (scene_target.h) --------------------------------
  // Draws the batch, then, when the window has no depth buffer of its own
  // and no surface is in use, redirects drawing into a framebuffer of the
  // window's size with depth and stencil that holds a copy of the window.
  void EnterSceneTarget();
  // Copies that framebuffer back into the window and draws there again;
  // clearDepth clears its depth buffer too (the flip after a 3D frame).
  // Leaving a pass does not leave the target: the frame is drawn on there
  // and the flip shows it.
  void LeaveSceneTarget(bool clearDepth);
  bool SceneTargetActive() const { return sceneTarget_.Active(); }
  // Called with the target entered and holding the frame so far: replaces
  // the window by one with depth and stencil of its own, so this and later
  // 3D frames draw straight into it without copies. The new window's back
  // buffer gets the frame so far, surfaces get framebuffers of the new
  // context, and the 2D state and clear colour carry over. False when the
  // system refuses (the target is gone; frames go on through a new one).
  bool MoveToWindowWithDepth(int width, int height);

  // ---- Movie pictures (movie_picture.cpp) -----------------------------------------
  // The picture movies show becomes these width x height RGBA pixels, top
  // row first (one texture, replaced in place while the size stays).
  void SetMoviePicture(const uint8_t* rgba, int width, int height);
  // Draws the batch and leaves any surface or 3D target, then clears the
  // clientWidth x clientHeight window to black and draws the movie picture
  // into the rectangle (x, y, width, height) of its pixels, top-left
  // origin, unturned and unblended. The 2D state is left as it was.
  void ShowMoviePicture(int clientWidth, int clientHeight, int x, int y, int width, int height);
  // Frees the movie picture's texture.
  void ReleaseMoviePicture();

  // ---- Collision -------------------------------------------------------------------
  // Some pixel is solid in both sprites placed with their top-left corners
  // at the given points.
  bool SpritesCollide(int spriteA, int xA, int yA, int spriteB, int xB, int yB);
  // The same for one animation frame of each sprite.
  bool AnimFramesCollide(int spriteA, int frameA, int xA, int yA, int spriteB, int frameB, int xB, int yB);
  // The sprite's alpha mask, read back on first use; null for a free slot.
  const AlphaMask* SpriteMask(int slot);

  platform::Window* Window() const { return window_.get(); }
  // The event the pump is about to dispatch, while the idle callback runs.
  const platform::Event* PendingEvent() const { return pendingEvent; }
  // The runtime's event handler, set before Init.
  WindowProcedure windowProc = nullptr;

  // ---- Render state and the sprite store, read-only ----------------------------------
  // The record of a store slot (free slots read as free records).
  const SpriteSlot& Sprite(int slot) const { return sprites_[slot]; }
  // The slot's collision mask as last read back; null until read.
  const AlphaMask* CachedMask(int slot) const { return sprites_.Mask(slot); }
  float GlobalAlpha() const { return globalAlpha; }
  float AlphaTestRef() const { return alphaTestRef; }
  bool Smoothing() const { return smoothing; }

  // ---- Fields -------------------------------------------------------------------
  bool clearEachFrame = true;
  bool depthClearPending = true;
  bool bgraSupported = false;
  int screenWidth = 0, screenHeight = 0, colorBits = 0;
  bool isFullscreen = false;
  int multisampleSamples = 0;
  std::string glRenderer;  // the context's renderer name, for diagnostics
  int viewportX = 0, viewportY = 0, viewportWidth = 0, viewportHeight = 0;
  FramePacer pacer;  // nextFlipTime and frameIntervalMs

 private:
  // Vertices at most in one batch.
  static constexpr size_t kBatchVertexLimit = 1 << 16;
  bool CreateWindowAndContext(int width, int height);
  // BindSprite without drawing the batch first (the batch's own binds).
  void BindSpriteNow(int slot, int secondSlot = -1, bool useMip = false, const GLuint* explicitTextures = nullptr);
  void ReadBatchingSwitch();
  BatchVertex* AppendVertices(int slot, GLenum mode, uint8_t flags, int n);
  // The flags of a textured run under the current smoothing.
  uint8_t SpriteFlags(bool clampEdges) const {
    return static_cast<uint8_t>((clampEdges ? kBatchClampEdges : 0) | (smoothing ? kBatchLinear : 0));
  }
  // Four vertices of x, y, u, v as one textured fan of the batch.
  void BatchQuadFan(int slot, const float vertices[16]);
  // A point or line of the batch in colour 0x00BBGGRR, as SetDrawColor would colour it.
  void BatchPrimitive(GLenum mode, const float* xy, int n, uint32_t color);
  void ReleaseBatchBuffer();
  // GrabSprite for any store slot, the spare record included.
  bool GrabIntoSlot(int slot, int x, int y, int width, int height);
  // A store slot holds an image (the spare record included).
  bool HoldsImage(int slot) const { return IsStoreSlot(slot) && sprites_[slot].imageWidth > 0; }
  // The orientation of the drawing target: surfaces are never turned.
  int TargetOrientation() const { return DrawingIntoFramebuffer() ? 0 : orientation_.Turns(); }
  void ReleaseSpriteTextures(int slot);
  uint32_t RenderedKeyColor();
  void DrawBackgroundTiles(int index);
  void DrawFan(const float vertices[16], bool textured);
  void CheckSoftwareRenderer();
  void DestroyWindowOnly();
  // The sprite store tells the surfaces when a slot's texture goes away.
  void SurfaceTextureReleased(int slot);
  // Copies the surface's or the scratch sprite's pixels into the window's
  // top-left corner exactly: no blending, filtering or colour.
  void CopySpriteToCorner(int slot, bool keepTransparent);
  bool PixelTest(int a, int64_t oxA, int64_t oyA, int b, int64_t oxB, int64_t oyB, int64_t left, int64_t top,
                 int64_t right, int64_t bottom);

  std::unique_ptr<platform::Window> window_;
  std::unique_ptr<platform::GlContext> glContext_;
  ScreenOrientation orientation_;
  BackgroundStore backgrounds_;
  FontTable fonts_;
  SurfaceRecord surfaces[kSurfaces];
  int currentSurface = -1;
  uint32_t transparentColor_ = 0x8000FF;

  const platform::Event* pendingEvent = nullptr;

  SpriteStore sprites_;
  int boundSprite = -1;
  int boundSecondSprite = -1;
  bool boundUsesMip = false;
  bool textureUnit1Off = false;  // see ForgetTextureUnits
  float globalAlpha = 0;
  float alphaTestRef = 0.05f;
  bool smoothing = true;

  DrawBatch batch_;
  bool batching_ = true;
  bool useVertexBuffer_ = false;
  GLuint batchBuffer_ = 0;
  GLenum blendDestination_ = 0;  // the blend function's destination factor as last set

  // The window was made with depth and stencil (see scene_target.h).
  bool windowDepth_ = false;
  SceneTarget sceneTarget_;
  // The window was asked once to be replaced by one with depth.
  bool windowMoveTried_ = false;

  struct MovieTexture {
    GLuint name = 0;
    int width = 0, height = 0;
  };
  MovieTexture movieTexture_;
};

}  // namespace orv
