// The platform seam for video: one window with an OpenGL context, the
// desktop, the cursor and message boxes. Everything above this layer sees
// these calls only; SDL stays behind them. Each entry has a one-line contract.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct SDL_Window;

namespace orv::platform {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

// Starts the video system; false (with Error() telling why) when there is no display.
// Also false, without trying, when MissingDisplay() has a reason.
bool InitVideo();
// Why no window could be seen: neither DISPLAY nor WAYLAND_DISPLAY is set and
// no video driver was asked for (SDL_VIDEODRIVER). "" when a display or a
// driver is named. Without this check the video system would fall back to its
// offscreen driver and the game would run where nobody can see it.
std::string MissingDisplay();
// The last platform error text.
std::string Error();
// Position and size of the primary display's desktop mode.
Rect DesktopBounds();
// Bits per pixel of the desktop mode (24 or 32 on current systems).
int DesktopBitsPerPixel();
// Shows or hides the mouse pointer over the window.
void ShowCursor(bool visible);
// A modal message box with a warning icon; returns when the user closes it.
void ShowWarningBox(const char* caption, const char* text);
// Keeps the screen saver and display power saving off while the program runs.
void DisableScreenSaver();

class GlContext;

class Window {
 public:
  // A hidden window with an OpenGL drawable whose client area is w x h. With
  // samples > 0 the drawable asks for that many samples per pixel; with
  // depthStencil it has a 24-bit depth and an 8-bit stencil buffer. Null
  // when the system cannot make such a window.
  static std::unique_ptr<Window> Create(const char* title, int w, int h, int samples, bool depthStencil);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  void SetTitle(const char* title);
  std::string Title() const;
  void Show();
  void Hide();
  bool Visible() const;
  // Hidden through Hide() and not shown since (not merely minimised or
  // covered): such a window has no focus a user could have taken away.
  bool HiddenByProgram() const { return hiddenByProgram_; }
  // Brings the window to the front and gives it the keyboard focus.
  void Raise();
  // Client area: position on the desktop and size.
  Rect ClientRect() const;
  void SetPosition(int x, int y);
  // Resizes the client area; the GL drawable follows (the window may be
  // replaced to get there, keeping the context: Id() can change).
  void SetSize(int w, int h);
  // Usable area (without panels and docks) of the display the window is on.
  Rect UsableBounds() const;
  // Full screen in the display mode w x h; false when the display has no such
  // mode or refuses it (the window stays as it was).
  bool EnterFullscreen(int w, int h);
  // Back to a normal window (restores the desktop's display mode).
  void LeaveFullscreen();
  bool Fullscreen() const;
  // Presents the back buffer.
  void Swap();
  // Identifies the window in events.
  uint32_t Id() const;
  // False once the window system no longer has the window (destroyed behind
  // the runtime's back); every call above then does nothing.
  bool Alive() const;
  int Samples() const { return samples_; }
  bool HasDepthStencil() const { return depthStencil_; }
  // The drawable's size in pixels.
  void DrawableSize(int& w, int& h) const;
  // Whether the window has the keyboard focus right now.
  bool HasKeyboardFocus() const;
  // The pointer's position relative to the client area (outside it too).
  void PointerPosition(int& x, int& y) const;
  // Moves the system pointer to a client-area position.
  void WarpPointer(int x, int y);
  // Replaces the system window with one like it (title, place, size, shown
  // or hidden, keyboard focus) whose drawable has depth and stencil, drawn by
  // a new context that shares the current one's textures, buffers,
  // renderbuffers and programs; framebuffer objects and all other state are
  // the context's own, and the caller remakes them. Returns the new context,
  // current; the caller then drops the old one. Null when the system refuses,
  // or the window is full screen, multisampled or has depth already: then
  // nothing has changed. Id() changes.
  std::unique_ptr<GlContext> ReplaceWithDepthStencil();

 private:
  friend class GlContext;
  // The SDL window, or null when it no longer exists.
  SDL_Window* Native() const { return Live(); }
  Window(SDL_Window* w, int samples, bool depthStencil);
  SDL_Window* Live() const;
  // Swaps in a window whose drawable is w x h (see SetSize).
  void RemakeDrawable(int w, int h);
  // Closes the system window and stands for made, whose drawable is w x h.
  void TakeOver(SDL_Window* made, int w, int h);
  SDL_Window* window_;
  uint32_t id_;
  int samples_;
  bool depthStencil_;
  int drawableW_ = 0, drawableH_ = 0;  // the size the GL drawable was made with
  bool hiddenByProgram_ = false;
};

class GlContext {
 public:
  // A compatibility-profile context for the window, made current; null on failure.
  static std::unique_ptr<GlContext> Create(Window& window);
  ~GlContext();
  GlContext(const GlContext&) = delete;
  GlContext& operator=(const GlContext&) = delete;
  // Makes the context current on a window (any window with a compatible drawable).
  bool MakeCurrent(Window& window);
  // Leaves no context current.
  static void Release();

 private:
  friend class Window;
  explicit GlContext(void* c) : context_(c) {}
  void* context_;
};

// An OpenGL entry point by name, or null.
void* GetProcAddress(const char* name);

}  // namespace orv::platform
