// A picture of a real run without a display: preloaded into a program
// (LD_PRELOAD) that runs under SDL's offscreen driver, it wraps the buffer
// swap, saves the finished frame as a PNG once the program has run for a
// while, and then asks the program to close, as the window's close button
// would. The program itself is unchanged.
//
//   ORVANE_GRAB=out.png            where to save the frame (required)
//   ORVANE_GRAB_AFTER_MS=1500      run time before the frame is taken
//   ORVANE_GRAB_POINTER=x,y        halfway there, the mouse moves to (x, y)
//   ORVANE_GRAB_TEXT=hello         and this text is typed, as a player would
//
// Depends on: SDL2 (the wrapped swap, the close event), GL, libpng.
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr GLenum kReadFramebufferBinding = 0x8CAA;  // GL_READ_FRAMEBUFFER_BINDING
constexpr GLenum kReadFramebuffer = 0x8CA8;         // GL_READ_FRAMEBUFFER
constexpr GLenum kPixelPackBuffer = 0x88EB;         // GL_PIXEL_PACK_BUFFER
constexpr GLenum kPixelPackBufferBinding = 0x88ED;  // GL_PIXEL_PACK_BUFFER_BINDING

using SwapFn = void (*)(SDL_Window*);
using BindFn = void (*)(GLenum, GLuint);

bool done = false, played = false;
Uint32 firstSwap = 0;

// What a player would do before the picture is taken, as the window system
// reports it: a pointer movement and typed text, queued like real input.
void PlayInput(SDL_Window* window) {
  const Uint32 id = SDL_GetWindowID(window);
  int x = 0, y = 0;
  if (const char* pointer = std::getenv("ORVANE_GRAB_POINTER"); pointer && std::sscanf(pointer, "%d,%d", &x, &y) == 2) {
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = id;
    motion.motion.x = x;
    motion.motion.y = y;
    motion.motion.xrel = x;
    motion.motion.yrel = y;
    SDL_PushEvent(&motion);
  }
  if (const char* text = std::getenv("ORVANE_GRAB_TEXT"); text && *text) {
    SDL_Event typed{};
    typed.type = SDL_TEXTINPUT;
    typed.text.windowID = id;
    std::snprintf(typed.text.text, sizeof typed.text.text, "%s", text);
    SDL_PushEvent(&typed);
  }
}

// Reads the back buffer of the default framebuffer, leaving every piece of
// GL state the program may cache as it was.
bool SaveFrame(SDL_Window* window, const char* path) {
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window, &w, &h);
  if (w <= 0 || h <= 0) return false;
  auto bindFramebuffer = reinterpret_cast<BindFn>(SDL_GL_GetProcAddress("glBindFramebuffer"));
  auto bindBuffer = reinterpret_cast<BindFn>(SDL_GL_GetProcAddress("glBindBuffer"));
  GLint readFbo = 0, packBuffer = 0, readBuffer = 0, pack[4] = {};
  const GLenum packNames[4] = {GL_PACK_ALIGNMENT, GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS};
  if (bindFramebuffer) glGetIntegerv(kReadFramebufferBinding, &readFbo);
  if (bindBuffer) glGetIntegerv(kPixelPackBufferBinding, &packBuffer);
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  for (int i = 0; i < 4; ++i) glGetIntegerv(packNames[i], &pack[i]);

  if (bindFramebuffer) bindFramebuffer(kReadFramebuffer, 0);
  if (bindBuffer) bindBuffer(kPixelPackBuffer, 0);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());

  for (int i = 0; i < 4; ++i) glPixelStorei(packNames[i], pack[i]);
  glReadBuffer(static_cast<GLenum>(readBuffer));
  if (bindBuffer) bindBuffer(kPixelPackBuffer, static_cast<GLuint>(packBuffer));
  if (bindFramebuffer) bindFramebuffer(kReadFramebuffer, static_cast<GLuint>(readFbo));

  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;  // the window is opaque
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_RGBA;
  // GL rows run bottom-up: a negative stride writes them top-down.
  return png_image_write_to_file(&image, path, 0, pixels.data(), -w * 4, nullptr) != 0;
}

}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
  static SwapFn realSwap = reinterpret_cast<SwapFn>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
  const char* path = std::getenv("ORVANE_GRAB");
  if (!done && path && *path && window) {
    const Uint32 now = SDL_GetTicks();
    if (firstSwap == 0) firstSwap = now ? now : 1;
    const char* after = std::getenv("ORVANE_GRAB_AFTER_MS");
    const double wait = after ? std::atof(after) : 1500;
    if (!played && now - firstSwap >= wait / 2) {
      played = true;
      PlayInput(window);
    }
    if (now - firstSwap >= wait) {
      done = true;
      if (!SaveFrame(window, path)) std::fprintf(stderr, "frame_grab: could not save %s\n", path);
      SDL_Event quit{};
      quit.type = SDL_QUIT;
      SDL_PushEvent(&quit);
    }
  }
  if (realSwap) realSwap(window);
}
