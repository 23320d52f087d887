// Video over SDL2: the window, its GL drawable and context, the desktop.
#include "platform/video.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>

#include "platform/events.h"

namespace orv::platform {

namespace {

// Game text is Latin-1, one byte per character; SDL and the window system
// speak UTF-8. Titles are converted here, at the seam, both ways.
std::string Latin1ToUtf8(const char* text) {
  std::string out;
  if (!text) return out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p < 0x80) {
      out += static_cast<char>(*p);
    } else {
      out += static_cast<char>(0xC0 | (*p >> 6));
      out += static_cast<char>(0x80 | (*p & 0x3F));
    }
  }
  return out;
}

// Characters past U+00FF have no Latin-1 byte and become '?'.
std::string Utf8ToLatin1(const char* text) {
  std::string out;
  if (!text) return out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    unsigned char c = *p;
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++p;
      continue;
    }
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    uint32_t code = c & (0x3F >> extra);
    ++p;
    for (int i = 0; i < extra && (*p & 0xC0) == 0x80; ++i, ++p) code = (code << 6) | (*p & 0x3F);
    out += code <= 0xFF && extra == 1 ? static_cast<char>(code) : '?';
  }
  return out;
}

}  // namespace

std::string MissingDisplay() {
  auto named = [](const char* value) { return value && *value; };
  if (named(std::getenv("DISPLAY")) || named(std::getenv("WAYLAND_DISPLAY")) ||
      named(SDL_GetHint(SDL_HINT_VIDEODRIVER)))
    return "";
  return "no display to open the game's window on: neither DISPLAY nor WAYLAND_DISPLAY is set.\n"
         "Start the game from a desktop session, or name a video driver in SDL_VIDEODRIVER\n"
         "(SDL_VIDEODRIVER=offscreen runs it without a window).";
}

bool InitVideo() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  const std::string missing = MissingDisplay();
  if (!missing.empty()) {
    SDL_SetError("%s", missing.c_str());
    return false;
  }
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
  int32_t size[2] = {0, 0};
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    size[0] = mode.w;
    size[1] = mode.h;
  }
  TapReading(Reading::DesktopSize, size, 2);
  return Rect{0, 0, size[0], size[1]};
}

int DesktopBitsPerPixel() {
  SDL_DisplayMode mode;
  int32_t bits = 32;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    bits = SDL_BITSPERPIXEL(mode.format);
    if (bits == 24) bits = 32;  // 24-bit colour is stored in 32-bit pixels
  }
  TapReading(Reading::DesktopBits, &bits, 1);
  return bits;
}

void ShowCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void ShowWarningBox(const char* caption, const char* text) {
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, caption, text, nullptr);
}

void DisableScreenSaver() { SDL_DisableScreenSaver(); }

namespace {

void SetDrawableAttributes(int samples, bool depthStencil) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthStencil ? 24 : 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, depthStencil ? 8 : 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples > 0 ? samples : 0);
}

// SDL's offscreen driver makes a window's GL drawable once, at the size the
// window is created with, and keeps it when the window is resized: a larger
// window would draw into the old, smaller pixels and lose the rest.
bool DrawableKeepsItsSize() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && std::strcmp(driver, "offscreen") == 0;
}

}  // namespace

std::unique_ptr<Window> Window::Create(const char* title, int w, int h, int samples, bool depthStencil) {
  SetDrawableAttributes(samples, depthStencil);
  // Contexts of successive windows share nothing; textures survive mode
  // switches because the window is kept, not because of sharing.
  // A size of 0 leaves that side to the window layer, which makes it as
  // large as the desktop; the caller reads the created size back.
  if (w <= 0 || h <= 0) {
    Rect desktop = DesktopBounds();
    if (w <= 0) w = desktop.w > 0 ? desktop.w : 640;
    if (h <= 0) h = desktop.h > 0 ? desktop.h : 480;
  }
  SDL_Window* window = SDL_CreateWindow(Latin1ToUtf8(title).c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        w, h, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) return nullptr;
  return std::unique_ptr<Window>(new Window(window, samples, depthStencil));
}

Window::Window(SDL_Window* w, int samples, bool depthStencil)
    : window_(w), id_(SDL_GetWindowID(w)), samples_(samples), depthStencil_(depthStencil) {
  SDL_GetWindowSize(w, &drawableW_, &drawableH_);
}

Window::~Window() {
  if (SDL_Window* w = Live()) SDL_DestroyWindow(w);
}

SDL_Window* Window::Live() const { return SDL_GetWindowFromID(id_) == window_ ? window_ : nullptr; }

bool Window::Alive() const { return Live() != nullptr; }

void Window::SetTitle(const char* title) { SDL_SetWindowTitle(Live(), Latin1ToUtf8(title).c_str()); }
std::string Window::Title() const { return Utf8ToLatin1(SDL_GetWindowTitle(Live())); }
void Window::Show() {
  hiddenByProgram_ = false;
  SDL_ShowWindow(Live());
}
void Window::Hide() {
  hiddenByProgram_ = true;
  SDL_HideWindow(Live());
}
bool Window::Visible() const { return (SDL_GetWindowFlags(Live()) & SDL_WINDOW_SHOWN) != 0; }

void Window::Raise() {
  hiddenByProgram_ = false;
  SDL_ShowWindow(Live());
  SDL_RaiseWindow(Live());
  SDL_SetWindowInputFocus(Live());
}

Rect Window::ClientRect() const {
  Rect r;
  SDL_GetWindowPosition(Live(), &r.x, &r.y);
  SDL_GetWindowSize(Live(), &r.w, &r.h);
  return r;
}

void Window::DrawableSize(int& w, int& h) const {
  w = h = 0;
  if (SDL_Window* window = Live()) SDL_GL_GetDrawableSize(window, &w, &h);
}

bool Window::HasKeyboardFocus() const {
  int32_t focused = Live() && SDL_GetKeyboardFocus() == Live() ? 1 : 0;
  TapReading(Reading::KeyboardFocus, &focused, 1);
  return focused != 0;
}

void Window::PointerPosition(int& x, int& y) const {
  int32_t at[2] = {x, y};
  if (SDL_Window* w = Live()) {
    if (SDL_GetMouseFocus() == w) {
      SDL_GetMouseState(&at[0], &at[1]);
    } else {
      int wx = 0, wy = 0;
      SDL_GetGlobalMouseState(&at[0], &at[1]);
      SDL_GetWindowPosition(w, &wx, &wy);
      at[0] -= wx;
      at[1] -= wy;
    }
  }
  TapReading(Reading::PointerPosition, at, 2);
  x = at[0];
  y = at[1];
}

void Window::WarpPointer(int x, int y) {
  if (SDL_Window* w = Live()) SDL_WarpMouseInWindow(w, x, y);
}

void Window::SetPosition(int x, int y) { SDL_SetWindowPosition(Live(), x, y); }
void Window::SetSize(int w, int h) {
  SDL_Window* window = Live();
  if (!window) return;
  SDL_SetWindowSize(window, w, h);
  int now = 0, high = 0;
  SDL_GetWindowSize(window, &now, &high);
  if (DrawableKeepsItsSize() && (now != drawableW_ || high != drawableH_)) RemakeDrawable(now, high);
}

namespace {

// A window like old (title, place, shown or hidden) whose drawable is w x h
// in the format the attributes set now ask for.
SDL_Window* CreateLike(SDL_Window* old, int w, int h) {
  int x = 0, y = 0;
  SDL_GetWindowPosition(old, &x, &y);
  const Uint32 shown = SDL_GetWindowFlags(old) & SDL_WINDOW_SHOWN ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  return SDL_CreateWindow(SDL_GetWindowTitle(old), x, y, w, h, SDL_WINDOW_OPENGL | shown);
}

}  // namespace

void Window::RemakeDrawable(int w, int h) {
  // A new window of the new size with the same drawable format takes over;
  // the current context moves to it, so every texture survives. When that
  // fails, the old window stays: smaller than asked, but still drawing.
  SDL_Window* old = window_;
  SetDrawableAttributes(samples_, depthStencil_);
  SDL_Window* made = CreateLike(old, w, h);
  if (!made) return;
  SDL_GLContext context = SDL_GL_GetCurrentContext();
  if (context && SDL_GL_GetCurrentWindow() == old && SDL_GL_MakeCurrent(made, context) != 0) {
    SDL_GL_MakeCurrent(old, context);
    SDL_DestroyWindow(made);
    return;
  }
  TakeOver(made, w, h);
}

void Window::TakeOver(SDL_Window* made, int w, int h) {
  SDL_DestroyWindow(window_);
  window_ = made;
  id_ = SDL_GetWindowID(made);
  drawableW_ = w;
  drawableH_ = h;
}

std::unique_ptr<GlContext> Window::ReplaceWithDepthStencil() {
  SDL_Window* old = Live();
  SDL_GLContext current = SDL_GL_GetCurrentContext();
  // A full-screen window holds the display's mode; handing that over is
  // not worth the flicker it would risk.
  if (!old || !current || SDL_GL_GetCurrentWindow() != old || depthStencil_ || samples_ > 0 || Fullscreen())
    return nullptr;
  const bool focused = SDL_GetKeyboardFocus() == old;
  SetDrawableAttributes(0, true);
  SDL_Window* made = CreateLike(old, drawableW_, drawableH_);
  if (!made) return nullptr;
  // The new context is made current on the new window: the objects it
  // shares stay valid whichever context is current.
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
  SDL_GLContext context = SDL_GL_CreateContext(made);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
  if (!context) {
    SDL_DestroyWindow(made);
    SDL_GL_MakeCurrent(old, current);
    return nullptr;
  }
  SDL_GL_SetSwapInterval(0);
  TakeOver(made, drawableW_, drawableH_);
  depthStencil_ = true;
  if (focused && !hiddenByProgram_) {
    SDL_RaiseWindow(made);
    SDL_SetWindowInputFocus(made);
  }
  return std::unique_ptr<GlContext>(new GlContext(context));
}

Rect Window::UsableBounds() const {
  int display = SDL_GetWindowDisplayIndex(Live());
  if (display < 0) display = 0;
  SDL_Rect r;
  if (SDL_GetDisplayUsableBounds(display, &r) != 0 && SDL_GetDisplayBounds(display, &r) != 0) return Rect{};
  return Rect{r.x, r.y, r.w, r.h};
}

bool Window::EnterFullscreen(int w, int h) {
  int display = SDL_GetWindowDisplayIndex(Live());
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
  SDL_SetWindowSize(Live(), w, h);
  if (SDL_SetWindowDisplayMode(Live(), &chosen) != 0) return false;
  // Without a window manager nothing moves the window to the display's
  // corner, and a full-screen window can no longer be moved: place it first.
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(display, &bounds) == 0) SDL_SetWindowPosition(Live(), bounds.x, bounds.y);
  return SDL_SetWindowFullscreen(Live(), SDL_WINDOW_FULLSCREEN) == 0;
}

void Window::LeaveFullscreen() {
  if (Fullscreen()) SDL_SetWindowFullscreen(Live(), 0);
}

bool Window::Fullscreen() const { return (SDL_GetWindowFlags(Live()) & SDL_WINDOW_FULLSCREEN) != 0; }

void Window::Swap() { SDL_GL_SwapWindow(Live()); }

uint32_t Window::Id() const { return id_; }

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
