// Video over SDL2: the window, its GL drawable and context, the desktop.
#include "platform/video.h"

#include <SDL2/SDL.h>

namespace orv::platform {

bool InitVideo() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  // Ctrl+C and termination requests arrive as a quit event, so they end the
  // program in order like the window's close button.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
  // Losing focus in full screen must not minimise the window: the pause loop
  // handles focus loss, and a minimised window cannot show the paused frame.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

std::string Error() { return SDL_GetError(); }

Rect DesktopBounds() {
  SDL_DisplayMode mode;
  Rect r;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    r.w = mode.w;
    r.h = mode.h;
  }
  return r;
}

int DesktopBitsPerPixel() {
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 32;
  int bits = SDL_BITSPERPIXEL(mode.format);
  return bits == 24 ? 32 : bits;  // 24-bit colour is stored in 32-bit pixels
}

void ShowCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void ShowWarningBox(const char* caption, const char* text) {
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, caption, text, nullptr);
}

void DisableScreenSaver() { SDL_DisableScreenSaver(); }

std::unique_ptr<Window> Window::Create(const char* title, int w, int h, int samples) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples > 0 ? samples : 0);
  // Contexts of successive windows share nothing; textures survive mode
  // switches because the window is kept, not because of sharing.
  SDL_Window* window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w > 0 ? w : 1,
                                        h > 0 ? h : 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) return nullptr;
  return std::unique_ptr<Window>(new Window(window, samples));
}

Window::~Window() {
  if (window_) SDL_DestroyWindow(window_);
}

void Window::SetTitle(const char* title) { SDL_SetWindowTitle(window_, title ? title : ""); }
std::string Window::Title() const { return SDL_GetWindowTitle(window_); }
void Window::Show() {
  hiddenByProgram_ = false;
  SDL_ShowWindow(window_);
}
void Window::Hide() {
  hiddenByProgram_ = true;
  SDL_HideWindow(window_);
}
bool Window::Visible() const { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0; }

void Window::Raise() {
  hiddenByProgram_ = false;
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  SDL_SetWindowInputFocus(window_);
}

Rect Window::ClientRect() const {
  Rect r;
  SDL_GetWindowPosition(window_, &r.x, &r.y);
  SDL_GetWindowSize(window_, &r.w, &r.h);
  return r;
}

void Window::SetPosition(int x, int y) { SDL_SetWindowPosition(window_, x, y); }
void Window::SetSize(int w, int h) { SDL_SetWindowSize(window_, w, h); }

Rect Window::UsableBounds() const {
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0) display = 0;
  SDL_Rect r;
  if (SDL_GetDisplayUsableBounds(display, &r) != 0 && SDL_GetDisplayBounds(display, &r) != 0) return Rect{};
  return Rect{r.x, r.y, r.w, r.h};
}

bool Window::EnterFullscreen(int w, int h) {
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0) display = 0;
  // Only an exact mode: a different resolution would leave the game's
  // fixed-size screen drawn into a corner of a larger drawable.
  int count = SDL_GetNumDisplayModes(display);
  SDL_DisplayMode chosen{};
  bool found = false;
  for (int i = 0; i < count && !found; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(display, i, &m) == 0 && m.w == w && m.h == h) {
      chosen = m;
      found = true;
    }
  }
  if (!found) {
    SDL_SetError("no %dx%d display mode", w, h);
    return false;
  }
  SDL_SetWindowSize(window_, w, h);
  if (SDL_SetWindowDisplayMode(window_, &chosen) != 0) return false;
  // Without a window manager nothing moves the window to the display's
  // corner, and a full-screen window can no longer be moved: place it first.
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(display, &bounds) == 0) SDL_SetWindowPosition(window_, bounds.x, bounds.y);
  return SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) == 0;
}

void Window::LeaveFullscreen() {
  if (Fullscreen()) SDL_SetWindowFullscreen(window_, 0);
}

bool Window::Fullscreen() const { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0; }

void Window::Swap() { SDL_GL_SwapWindow(window_); }

uint32_t Window::Id() const { return SDL_GetWindowID(window_); }

std::unique_ptr<GlContext> GlContext::Create(Window& window) {
  SDL_GLContext c = SDL_GL_CreateContext(window.Native());
  if (!c) return nullptr;
  // The runtime paces frames itself; waiting for the display's refresh on top
  // of that would halve the rate whenever a frame misses a refresh.
  SDL_GL_SetSwapInterval(0);
  return std::unique_ptr<GlContext>(new GlContext(c));
}

GlContext::~GlContext() {
  if (SDL_GL_GetCurrentContext() == context_) SDL_GL_MakeCurrent(nullptr, nullptr);
  SDL_GL_DeleteContext(context_);
}

bool GlContext::MakeCurrent(Window& window) { return SDL_GL_MakeCurrent(window.Native(), context_) == 0; }

void GlContext::Release() { SDL_GL_MakeCurrent(nullptr, nullptr); }

void* GetProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }

}  // namespace orv::platform
