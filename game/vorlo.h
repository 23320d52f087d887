// vorlo: a small game on the Orvane runtime. It lays its screen out in a
// 960 x 640 design space scaled to the window, loads its images, fonts and
// sounds in the variant that suits the window width, and shows one title
// screen with sliding buttons that play sound cues.
//
// This header is the game's own: its state and its small drawing library.
#pragma once

#include "orvane/orvane.h"

namespace vorlo {

// Game state. All numbers are doubles, as game code keeps them.
struct State {
  // Design space and scaling.
  double designWidth = 960, designHeight = 640;
  double screenW = 0, screenH = 0;
  double scaleX = 1, scaleY = 1;
  double virtualW = 960, virtualH = 640;
  int assetFactor = 1;
  double smoothing = 0;  // 0: smoothing is switched off after every flip

  // Drawing state.
  double color = 0xFFFFFF;
  double zoomX = 1, zoomY = 1;
  double alphaMode = -1;  // the mode DrawBox restores
  double gameFont = 0;
  double rotation = 0;
  double centreX = 480, centreY = 320;

  // Batching.
  double pendingSlot = -1;
  double pendingTriangles = 0;
  double quadsDrawn = 0;

  // Timing.
  double frameMs = 16.666666666666667;
  double frameFactor = 1;
  double averageFps = 60;
  double fpsAccumulator = 0;
  double fpsShown = 0;
  double framesCounted = 0;

  // Mouse and button latches (1 while a press has been consumed).
  double mouseX = 0, mouseY = 0, mouseButton1 = 0, mouseButton2 = 0;
  double latch1 = 0, latch2 = 0;

  // Scene.
  double scrollX = 0;
  double seedBase = 278;
  double clock = 0;
  double loaded = 0;
  double totalAssets = 8;
  bool debugOverlay = false;
  bool switchingResolution = false;
  bool loadingAssets = false;  // LoadAssets runs: its frames must not start a switch
  double functionKeyHeld = 0;

  // Asset tables: game fonts 0..19 on sprite slots 0..19, game images
  // 0..1023 on sprite slots 20..1043, game sounds 0..1023 on sound slots
  // 1044..2067.
  RtArray<double> fontSlot, fontCellW, fontCellH, fontColumns, fontRows;
  RtArray<double> imageSlot, imageW, imageH, imageFrameW, imageFrameH, imageColumns, imageRows, imageFrames;
  RtArray<double> soundSlot;
};

State& S();

// ---- Screen and frame ---------------------------------------------------------
void SetupScreen(double width, double height, double smoothing);
void GameFlip();

// ---- Assets ---------------------------------------------------------------------
void LoadImage(double id, const RtString& name, double columns, double rows);
void LoadFontImage(double id, const RtString& name);
void LoadSfx(double id, const RtString& name, double buffers);
void LoadAssets();

// ---- Drawing ---------------------------------------------------------------------
void DrawImageFrame(double id, double x, double y, double frame, double anchorX, double anchorY);
void DrawBox(double x, double y, double w, double h, double bevel);
void PrintCentered(double x, double y, const RtString& text, double centerX, double centerY);
void Quad(double slot, double x, double y, double w, double h, double tx, double ty, double tw, double th);
void EndBatch();
double RandomInt(double a, double b = kOmittedArgument);
void SetZoom(double zx, double zy = kOmittedArgument);
void SetColor(double r, double g, double b);
void SetAlphaMode(double a);
void SetGameFont(double id);
void ResetDrawState();

// ---- Title screen ------------------------------------------------------------------
void TitleScreen();
double Button(double selectedIndex, double index, double x, double y, const RtString& line1,
              const RtString& line2 = "", const RtString& line3 = "");

}  // namespace vorlo
