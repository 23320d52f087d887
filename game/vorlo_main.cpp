// vorlo's program: settings, the screen set-up, the per-frame routine and
// the main loop.
#include <cmath>

#include "vorlo.h"

namespace vorlo {

State& S() {
  static State state;
  return state;
}

namespace {

// Picks the asset variant from the window width.
int AssetFactorFor(double width) {
  if (width > 1100) return 4;
  if (width > 600) return 2;
  return 1;
}

void ReadScreen() {
  State& s = S();
  s.screenW = ScreenWidth();
  s.screenH = ScreenHeight();
  s.scaleY = s.screenH / s.designHeight;
  s.scaleX = s.screenW / s.designWidth;
  // One scale for both axes: the one nearer 1.
  double dx = std::fabs(s.scaleX - 1), dy = std::fabs(s.scaleY - 1);
  if (dy < dx) s.scaleX = s.scaleY;
  if (dx < dy) s.scaleY = s.scaleX;
  s.virtualW = s.screenW / s.scaleX;
  s.virtualH = s.screenH / s.scaleY;
  s.assetFactor = AssetFactorFor(s.screenW);
}

struct Resolution {
  int key, width, height;
};
constexpr Resolution kResolutions[] = {{kKeyF1, 320, 240},   {kKeyF2, 640, 480},   {kKeyF3, 800, 600},
                                       {kKeyF5, 1024, 768},  {kKeyF6, 1280, 720},  {kKeyF7, 1440, 900},
                                       {kKeyF8, 1920, 1080}};

void FunctionKeys() {
  State& s = S();
  // One switch per key press, and none while assets load (the first load
  // included): loading flips frames of its own, and a switch started inside
  // one would reload everything in the middle of the outer load.
  if (s.switchingResolution || s.loadingAssets) return;
  for (const Resolution& r : kResolutions) {
    if (!KeyDown(r.key)) continue;
    if (s.functionKeyHeld == r.key) return;
    s.functionKeyHeld = r.key;
    s.switchingResolution = true;
    SetScreen(r.width, r.height, 0);
    GameFlip();
    LoadAssets();
    s.switchingResolution = false;
    return;
  }
  s.functionKeyHeld = 0;
}

void DebugOverlay() {
  State& s = S();
  SetAlphaMode(-1);
  SetZoom(1.875);
  s.centreX = s.virtualW / 2;
  s.centreY = s.virtualH / 2;
  s.rotation = 0;
  SetAlphaMode(-0.6);
  SetColor(0, 0, 0);
  DrawBox(0, s.virtualH - 80, 160, 80, 0);
  SetAlphaMode(0);
  SetGameFont(0);
  SetColor(255, 255, 255);
  PrintCentered(0, s.virtualH - 60, RtString(s.quadsDrawn) + "  " + RtString(s.fpsShown) + "fps", 0, 0);
  PrintCentered(0, s.virtualH - 40, "Res " + RtString(s.screenW) + "x" + RtString(s.screenH), 0, 0);
  PrintCentered(0, s.virtualH - 20,
                "Scale " + RtString(s.scaleX) + "x" + RtString(s.scaleY) + "(" + s.assetFactor + ")", 0, 0);
}

}  // namespace

void SetupScreen(double width, double height, double smoothing) {
  State& s = S();
  double dw = DesktopWidth(), dh = DesktopHeight();
  if (dw > 0 && dh > 0 && (width > dw || height > dh)) {
    // Too big for this desktop: the largest size that fits, same aspect.
    double fit = std::fmin(dw / width, dh / height);
    width = std::floor(width * fit);
    height = std::floor(height * fit);
  }
  s.designWidth = width;
  s.designHeight = height;
  s.smoothing = smoothing;
  SetScreen(width, height, 0);
  s.color = 0xFFFFFF;
  RtArray<double>* fonts[] = {&s.fontSlot, &s.fontCellW, &s.fontCellH, &s.fontColumns, &s.fontRows};
  for (auto* t : fonts) t->Dim(20);
  RtArray<double>* images[] = {&s.imageSlot,   &s.imageW,       &s.imageH,    &s.imageFrameW,
                               &s.imageFrameH, &s.imageColumns, &s.imageRows, &s.imageFrames};
  for (auto* t : images) t->Dim(1024);
  s.soundSlot.Dim(1024);
  for (int i = 0; i < 20; ++i) s.fontSlot.At(i) = i;
  for (int i = 0; i < 1024; ++i) {
    s.imageSlot.At(i) = i + 20;
    s.soundSlot.At(i) = i + 1044;
  }
  ReadScreen();
  SetCurrentDir("Media");
  GameFlip();
  LoadAssets();
}

void GameFlip() {
  State& s = S();
  if (s.debugOverlay) DebugOverlay();
  if (s.pendingSlot >= 0) {
    Quad(s.pendingSlot, 1, 1, 4, 4, 0, 0, 4, 4);
    EndBatch();
  }
  s.frameMs = FrameDurationMs();
  s.frameFactor = s.frameMs / 16.666666666666667;
  s.averageFps = (1000 / s.frameMs + s.averageFps) / 2;
  s.fpsAccumulator += s.frameMs;
  s.framesCounted += 1;
  if (s.fpsAccumulator > 1000) {
    s.fpsShown = std::round(s.averageFps);
    s.fpsAccumulator = 0;
    s.framesCounted = 0;
  }
  ShowScreen();
  if (s.smoothing == 0) SetSmoothing(0);
  ReadScreen();
  // The mouse in design coordinates, like everything the game draws.
  double x = 0, y = 0, b1 = 0, b2 = 0;
  MouseState(x, y, b1, b2);
  s.mouseX = x / s.scaleX;
  s.mouseY = y / s.scaleY;
  s.mouseButton1 = b1;
  s.mouseButton2 = b2;
  if (!b1) s.latch1 = 0;
  if (!b2) s.latch2 = 0;
  s.quadsDrawn = 0;
  ResetDrawState();
  FunctionKeys();
}

}  // namespace vorlo

// ---- What the runtime calls ----------------------------------------------------

void GameSettings(ProjectSettings& settings) {
  settings.width = 800;
  settings.height = 600;
  settings.fullScreen = 0;
  settings.frameRate = 60;
  settings.multisample = 0;
  settings.debugMode = 0;
  settings.exclusiveMouse = 1;
  RtString caption("vorlo");
  settings.caption.Exchange(caption);
}

double GameMain() {
  vorlo::State& s = vorlo::S();
  s.seedBase = 278;
  vorlo::SetupScreen(960, 640, 0);
  s.debugOverlay = true;
  ShowMouse(1);
  while (!KeyDown(kKeyEscape)) {
    vorlo::TitleScreen();
    vorlo::GameFlip();
  }
  return 0;
}

void GameExitHook() {}

const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
