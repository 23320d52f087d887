// Path finding on a maze: a 40 x 30 map of 16-pixel cells, walls, plain
// floor and mud (three times as costly to cross). Click anywhere: the path
// from the mouse to the flag in the bottom-right corner is found with
// FindPath and drawn. Keys 0, 5 and 1 set the heuristic weight (0 cheapest
// path, 1 greedy and fast, 0.5 between). Escape ends.
#include <cstdint>

#include "orvane/orvane.h"

namespace {

constexpr int kCell = 16, kW = 40, kH = 30;
constexpr int kGoalX = kW - 3, kGoalY = kH - 3;
enum Sprite { kWall = 1, kFloor, kMud, kStep, kFlag, kStart };

// A kCell x kCell sprite from a function of the pixel: 0xAABBGGRR.
template <class Shade>
void MakeSprite(int slot, Shade shade) {
  RtArray<int32_t> pixels;
  pixels.Dim(kCell * kCell);
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x) pixels[y * kCell + x] = static_cast<int32_t>(shade(x, y));
  SpriteFromArray(slot, pixels, kCell, kCell);
}

void MakeSprites() {
  MakeSprite(kWall, [](int x, int y) { return (x == 0 || y == 0) ? 0xFF8090A0u : 0xFF506070u; });
  MakeSprite(kFloor, [](int x, int y) { return (x + y) % 8 == 0 ? 0xFF3A3026u : 0xFF30281Eu; });
  MakeSprite(kMud, [](int x, int y) { return (x * 3 + y * 5) % 7 == 0 ? 0xFF10406Au : 0xFF183458u; });
  // A round dot; alpha 0 outside so the floor shows through.
  auto dot = [](uint32_t color, int radius) {
    return [=](int x, int y) {
      const int dx = 2 * x - kCell + 1, dy = 2 * y - kCell + 1;
      return dx * dx + dy * dy <= 4 * radius * radius ? color : 0u;
    };
  };
  MakeSprite(kStep, dot(0xFF40E0FFu, 3));
  MakeSprite(kFlag, dot(0xFF40FF40u, 7));
  MakeSprite(kStart, dot(0xFFFF8040u, 6));
}

// A maze carved by a randomised depth-first walk over the odd cells, then
// opened up with a few extra gaps (so there are several ways and the costs
// decide), with patches of mud. Cell values: 0 wall, 1 floor, 3 mud.
void MakeMaze(RtArray<double>& map) {
  map.Dim(kW, kH);
  SeedRandom(7);
  int stackX[kW * kH], stackY[kW * kH], depth = 0;
  map.At(1, 1) = 1;
  stackX[0] = 1, stackY[0] = 1, depth = 1;
  const int dx[4] = {2, -2, 0, 0}, dy[4] = {0, 0, 2, -2};
  while (depth > 0) {
    const int x = stackX[depth - 1], y = stackY[depth - 1];
    int options[4], n = 0;
    for (int k = 0; k < 4; ++k) {
      const int nx = x + dx[k], ny = y + dy[k];
      if (nx > 0 && nx < kW - 1 && ny > 0 && ny < kH - 1 && map.At(nx, ny) == 0) options[n++] = k;
    }
    if (n == 0) {
      --depth;
      continue;
    }
    const int k = options[static_cast<int>(Random(n - 1))];
    map.At(x + dx[k] / 2, y + dy[k] / 2) = 1;
    map.At(x + dx[k], y + dy[k]) = 1;
    stackX[depth] = x + dx[k], stackY[depth] = y + dy[k], ++depth;
  }
  for (int i = 0; i < 90; ++i) map.At(1 + static_cast<int>(Random(kW - 3)), 1 + static_cast<int>(Random(kH - 3))) = 1;
  for (int i = 0; i < 14; ++i) {
    const int cx = 2 + static_cast<int>(Random(kW - 5)), cy = 2 + static_cast<int>(Random(kH - 5));
    for (int y = cy - 2; y <= cy + 2; ++y)
      for (int x = cx - 2; x <= cx + 2; ++x)
        if (x > 0 && x < kW - 1 && y > 0 && y < kH - 1 && map.At(x, y) != 0) map.At(x, y) = 3;
  }
  map.At(kGoalX, kGoalY) = 1;
}

}  // namespace

void GameSettings(ProjectSettings& settings) {
  settings.width = kW * kCell;
  settings.height = kH * kCell + 24;
  settings.frameRate = 60;
  RtString caption("pathfind grid");
  settings.caption.Exchange(caption);
}

double GameMain() {
  MakeSprites();
  RtArray<double> map;
  MakeMaze(map);
  RtArray<int32_t> path;  // rows (x, y), start first
  double weight = 0, rows = 0;
  int startX = -1, startY = -1;
  bool wasDown = false;
  ShowMouse(1);
  SetClearColor(0x101010);
  for (;;) {
    double mx, my, left, right;
    MouseState(mx, my, left, right);
    if (KeyDown(11)) weight = 0;    // key 0
    if (KeyDown(2)) weight = 1;     // key 1
    if (KeyDown(6)) weight = 0.5;   // key 5
    // A new path on each press of the left button (not while it is held).
    if (left && !wasDown && mx >= 0 && my >= 0 && mx < kW * kCell && my < kH * kCell) {
      startX = static_cast<int>(mx) / kCell;
      startY = static_cast<int>(my) / kCell;
      // The planner would start a path inside a wall; a player cannot stand there.
      rows = map.At(startX, startY) == 0 ? 0 : FindPath(map, path, weight, startX, startY, kGoalX, kGoalY);
    }
    wasDown = left != 0;

    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const double v = map.At(x, y);
        DrawSprite(v == 0 ? kWall : v > 1 ? kMud : kFloor, x * kCell, y * kCell);
      }
    for (int32_t i = 1; i + 1 < static_cast<int32_t>(rows); ++i)
      DrawSprite(kStep, path.At(i, 0) * kCell, path.At(i, 1) * kCell);
    DrawSprite(kFlag, kGoalX * kCell, kGoalY * kCell);
    if (startX >= 0) DrawSprite(kStart, startX * kCell, startY * kCell);

    RtString status = startX < 0                ? RtString("click a cell: the path to the green flag")
                      : rows > 0                ? FormatNumber(0, 0, rows) + " cells"
                      : map.At(startX, startY) == 0 ? RtString("that is a wall")
                                                : RtString("no way from there");
    status += RtString("   weight ") + FormatNumber(0, 1, weight) + RtString(" (keys 0, 5, 1)");
    PrintText(status, 6, kH * kCell + 8, 1);
    ShowScreen();
  }
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
