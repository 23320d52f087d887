// OpenGLVexel: window and context creation, the flip, the event pump and the
// screen modes. Viewport and orientation live in viewport.cpp.
#include "gfx2d/opengl_vexel.h"

#include <cstring>
#include <string>

#include "files/asset_locator.h"
#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"
#include "runtime/clock.h"
#include "runtime/error_state.h"
#include "runtime/program_dir.h"
#include "runtime/runtime_state.h"
#include "runtime/stages.h"

namespace orv {

namespace {
// Once per process: the software renderer is reported only the first time.
bool g_softwareReported = false;
}  // namespace

OpenGLVexel::OpenGLVexel() { pacer.SetFrameRate(60); }

OpenGLVexel::~OpenGLVexel() {
  if (glContext_ && window_) {
    glContext_->MakeCurrent(*window_);
    EndSurface();
    ReleaseAllSurfaces();
  }
  DestroyWindowOnly();
  glContext_.reset();
}

bool OpenGLVexel::CreateWindowAndContext(int width, int height) {
  // Multisampling: halve the sample count until a window and context can be
  // made with it; without any, the plain format stays.
  int requested = multisampleSamples;
  multisampleSamples = 0;
  for (int n = requested; n > 0; n /= 2) {
    auto window = platform::Window::Create("Orvane", width, height, n, true);
    if (!window) continue;
    auto context = platform::GlContext::Create(*window);
    if (!context) continue;
    window_ = std::move(window);
    glContext_ = std::move(context);
    multisampleSamples = n;
    return true;
  }
  window_ = platform::Window::Create("Orvane", width, height, 0, windowDepth_);
  if (!window_) return false;
  if (glContext_) {
    // A context that already exists moves to the new window, so textures survive.
    if (glContext_->MakeCurrent(*window_)) return true;
    glContext_.reset();
  }
  glContext_ = platform::GlContext::Create(*window_);
  if (!glContext_) {
    window_.reset();
    return false;
  }
  return true;
}

bool OpenGLVexel::Init(int width, int height, int bits, int framesPerSecond, int samples, bool /*fullscreenHint*/) {
  SetFrameRate(framesPerSecond);
  multisampleSamples = samples;
  LogLine("WIN32 init video\n");
  if (!platform::InitVideo()) return false;
  // Only a context can tell whether the driver gives passes a target of their
  // own; the environment's answer is known before, and saves making the window twice.
  windowDepth_ = SceneTarget::WindowDepthRequested();
  sceneTarget_.ForgetFailure();
  if (!CreateWindowAndContext(width, height)) return false;
  if (!window_->HasDepthStencil() && !SceneTarget::Possible()) {
    // 3D passes cannot get a depth buffer of their own: the window has one.
    windowDepth_ = true;
    glContext_.reset();
    window_.reset();
    if (!CreateWindowAndContext(width, height)) return false;
  }
  platform::Rect client = window_->ClientRect();
  if (bits == 0) bits = platform::DesktopBitsPerPixel();
  if (width == 0) width = client.w;
  if (height == 0) height = client.h;
  screenWidth = width;
  screenHeight = height;
  colorBits = bits;
  isFullscreen = false;

  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  glRenderer = renderer ? renderer : "";
  CheckSoftwareRenderer();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  LogLine("get accurate timer - 1st call\n");
  pacer.Start(ClockMs());
  LogLine("flip - 1st call\n");
  Flip(nullptr);

  LoadExtensionEntryPoints(platform::GetProcAddress);
  ReadBatchingSwitch();
  RtString ext = GlExtensionString();
  bgraSupported = std::strstr(ext.CStr(), "_texture_format_BGRA8888") || std::strstr(ext.CStr(), "GL_EXT_bgra");
  if (bgraSupported) {
    LogLine("BGRA ext supported\n");
  } else {
    LogFormat("BGRA ext NOT supported\n%s\n", ext.CStr());
  }
  GLint maxTexture = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
  LogFormat("Texture size limit: %d\n", maxTexture);
  LogLine("init fbo\n");
  InitSurfaces();
  window_->Hide();
  LogLine("2D VP\n");
  Reset2DState();
  LogLine("OGVX init [OK]\n");
  return true;
}

bool ReadDriverNotice(AssetLocator* locator, std::string& text) {
  text.clear();
  RtString found;
  FileChannel f;
  if (!ResolveAsset(locator, ProgramDirectory() + "/opengldriver.txt", found, true) || !f.OpenRead(found.CStr()))
    return false;
  char buffer[2048] = {0};
  int64_t n = 0;
  f.Read(buffer, sizeof buffer - 1, &n);
  f.Close();
  if (n > 0) text.assign(buffer, static_cast<size_t>(n));
  return true;
}

void OpenGLVexel::CheckSoftwareRenderer() {
  if (g_softwareReported) return;
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  std::string name = renderer ? renderer : "";
  bool software = name.find("llvmpipe") != std::string::npos || name.find("softpipe") != std::string::npos ||
                  name.find("Software Rasterizer") != std::string::npos;
  if (!software) return;
  g_softwareReported = true;
  LogLine("*** OpenGL Software Emulation - update driver!\n");
  // The warning box is shown only when the game ships "opengldriver.txt"
  // beside the program or packed into it; its text is the file's content.
  // The runtime's own locators are made after the device, so this early a
  // locator of our own looks into the program's archive.
  AssetLocator own;
  AssetLocator* locator = Rt().fileLocator ? Rt().fileLocator.get() : &own;
  if (locator == &own) own.Reset(ProgramPath());
  std::string text;
  if (!ReadDriverNotice(locator, text)) return;
  const char* message = !text.empty() ? text.c_str()
                              : "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
                                "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\nper HARDWARE "
                                "unterst\xc3\xbctzt!";
  platform::ShowWarningBox("No OpenGL Hardware Drivers", message);
}

bool OpenGLVexel::Flip(IdleCallback idleCallback) {
  FlushDrawing();
  EndSurface();
  LeaveSceneTarget(depthClearPending);
  RunFrameHooks(FramePhase::kPresent);
  if (window_) window_->Swap();
  if (backgrounds_.HasTiles(0)) {
    if (depthClearPending) {
      depthClearPending = false;
      glClear(GL_DEPTH_BUFFER_BIT);
    }
    DrawBackground(0);
  } else if (clearEachFrame || depthClearPending) {
    GLbitfield mask = 0;
    if (clearEachFrame) mask |= GL_COLOR_BUFFER_BIT;
    if (depthClearPending) mask |= GL_DEPTH_BUFFER_BIT;
    depthClearPending = false;
    glClear(mask);
  }
  bool pumped = true;
  double now = WaitForFrame(pacer, [&] { pumped = PumpMessages(idleCallback) && pumped; });
  pacer.Advance(now);
  return pumped;
}

bool OpenGLVexel::PumpMessages(IdleCallback idleCallback) {
  platform::PumpEvents();
  platform::Event event;
  while (platform::PeekEvent(event)) {
    if (idleCallback) {
      pendingEvent = &event;
      idleCallback();
      pendingEvent = nullptr;
    }
    if (!platform::PopEvent(event)) break;
    if (windowProc) windowProc(event);
  }
  // A window the system took away cannot show another frame: the caller ends the program.
  return !window_ || window_->Alive();
}

bool OpenGLVexel::ReadPresentedFrame(PixelImage& out) {
  if (!window_) return false;
  int w = 0, h = 0;
  window_->DrawableSize(w, h);
  if (!out.Resize(w, h)) return false;
  // The flip has left every surface and the 3D pass's target: the window's
  // own framebuffer is bound, its back buffer holds the frame.
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, out.Data());
  out.FlipVertical();
  // The window shows no alpha; what a driver keeps there is not the picture.
  uint8_t* p = out.Data();
  for (size_t i = 3, n = out.ByteCount(); i < n; i += 4) p[i] = 255;
  out.hasAlpha = false;
  return true;
}

bool OpenGLVexel::SetScreenSize(int width, int height, int bits, bool fullscreen) {
  if (width) screenWidth = width;
  if (height) screenHeight = height;
  if (bits) colorBits = bits;
  // The target has the old size: the frame goes on in the window.
  LeaveSceneTarget(false);
  return fullscreen ? EnterFullscreen() : EnterWindowed();
}

bool OpenGLVexel::EnterFullscreen() {
  if (!window_) return false;
  if (!window_->EnterFullscreen(screenWidth, screenHeight)) {
    LogLine("No Fullscreen Mode available\n");
    EnterWindowed();
    return false;
  }
  window_->Show();
  window_->Raise();
  SetScreenSizeFields(screenWidth, screenHeight);
  ClearResizedWindow();
  isFullscreen = true;
  return true;
}

bool OpenGLVexel::EnterWindowed() {
  if (!window_) return false;
  if (isFullscreen || window_->Fullscreen()) {
    window_->LeaveFullscreen();
    // Give the display a moment to settle back into the desktop's mode.
    SleepMs(500);
  }
  window_->SetSize(screenWidth, screenHeight);
  // Centred in the usable area of the window's display, on that display.
  platform::Rect area = window_->UsableBounds();
  window_->SetPosition(area.x + (area.w - screenWidth) / 2, area.y + (area.h - screenHeight) / 2);
  window_->Show();
  window_->Raise();
  SetViewport(0, 0, 0, 0);
  ClearResizedWindow();
  isFullscreen = false;
  return true;
}

void OpenGLVexel::ClearResizedWindow() {
  // A drawable that changed its size holds undefined pixels until drawn (a
  // new one is not cleared by every driver); the flip after a size change
  // would show them. Drawing meant for a surface or a 3D pass is left alone.
  if (currentSurface >= 0 || sceneTarget_.Active()) return;
  FlushDrawing();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

bool OpenGLVexel::HideWindow() {
  if (!window_) return false;
  FlushDrawing();
  if (isFullscreen) window_->LeaveFullscreen();
  window_->Hide();
  isFullscreen = false;
  PumpMessages(nullptr);
  return true;
}

void OpenGLVexel::SetClearColor(int32_t color) {
  if (color == -1) {
    clearEachFrame = false;
    return;
  }
  clearEachFrame = true;
  FlushDrawing();
  uint32_t c = static_cast<uint32_t>(color);
  glClearColor((c & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, ((c >> 16) & 0xFF) / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

void OpenGLVexel::DestroyWindowOnly() {
  if (window_ && glContext_) {
    glContext_->MakeCurrent(*window_);
    ReleaseBatchBuffer();
    sceneTarget_.Release();
    FreeAllSprites();
    backgrounds_.FreeAll();
  }
  if (window_) window_->LeaveFullscreen();
  platform::GlContext::Release();
  window_.reset();
  screenWidth = screenHeight = 0;
}

}  // namespace orv
