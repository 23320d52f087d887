// vorlo-media: writes every media file vorlo loads, for all three size
// variants, deterministically (the same bytes on every run):
//   logo, plat_bg (32 x 32 tiles), button, the "16_(9x17)" font images,
//   smalfont.png (the runtime's default font) and three sound cues.
// Glyphs are rendered from DejaVu Sans Mono with FreeType.
//
// Usage: vorlo-media OUTPUT_FOLDER [FONT_FILE]
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "files/atomic_write.h"
#include "gfx2d/image_codec.h"
#include "gl/pixel_image.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Image {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;  // top row first
  Image(int width, int height) : w(width), h(height), rgba(static_cast<size_t>(width) * height * 4, 0) {}
  uint8_t* At(int x, int y) { return &rgba[(static_cast<size_t>(y) * w + x) * 4]; }
  void Set(int x, int y, int r, int g, int b, int a = 255) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    uint8_t* p = At(x, y);
    p[0] = static_cast<uint8_t>(std::clamp(r, 0, 255));
    p[1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
    p[2] = static_cast<uint8_t>(std::clamp(b, 0, 255));
    p[3] = static_cast<uint8_t>(std::clamp(a, 0, 255));
  }
};

// A small deterministic generator (xorshift32), so every run writes the same bytes.
struct Rng {
  uint32_t s;
  explicit Rng(uint32_t seed) : s(seed ? seed : 1) {}
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
  int Range(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint32_t>(hi - lo + 1)); }
};

bool WritePng(const std::string& path, const Image& img, bool alpha) {
  orv::PixelImage image;
  std::vector<uint8_t> bytes;
  bool ok = image.Resize(img.w, img.h);
  if (ok) {
    std::memcpy(image.Data(), img.rgba.data(), img.rgba.size());
    ok = orv::EncodePng(image, bytes, alpha) && orv::ReplaceFileContents(path.c_str(), bytes.data(), bytes.size());
  }
  if (!ok) std::fprintf(stderr, "vorlo-media: cannot write %s\n", path.c_str());
  return ok;
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int rate) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "vorlo-media: cannot write %s\n", path.c_str());
    return false;
  }
  auto u32 = [&](uint32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, f);
  };
  auto u16 = [&](uint16_t v) {
    uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    std::fwrite(b, 1, 2, f);
  };
  uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  u32(36 + dataBytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(static_cast<uint32_t>(rate));
  u32(static_cast<uint32_t>(rate) * 2);
  u16(2);
  u16(16);
  std::fwrite("data", 1, 4, f);
  u32(dataBytes);
  for (int16_t s : samples) u16(static_cast<uint16_t>(s));
  return std::fclose(f) == 0;
}

// ---- Glyphs -----------------------------------------------------------------

struct GlyphFont {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  bool Open(const char* path) {
    if (FT_Init_FreeType(&lib) != 0) return false;
    return FT_New_Face(lib, path, 0, &face) == 0;
  }
  ~GlyphFont() {
    if (face) FT_Done_Face(face);
    if (lib) FT_Done_FreeType(lib);
  }
  // Renders character c with its pixel size into the cell at (cx, cy) of
  // size cw x ch, centred horizontally, baseline at `baseline` from the top.
  // coverage -> alpha (white glyph) or -> grey on black when opaque.
  void Draw(Image& img, int c, int cx, int cy, int cw, int ch, int baseline, bool opaque) {
    if (FT_Load_Char(face, static_cast<FT_ULong>(c), FT_LOAD_RENDER) != 0) return;
    FT_GlyphSlot g = face->glyph;
    int advance = static_cast<int>(g->advance.x >> 6);
    int ox = cx + (cw - advance) / 2 + g->bitmap_left;
    int oy = cy + baseline - g->bitmap_top;
    for (unsigned y = 0; y < g->bitmap.rows; ++y) {
      for (unsigned x = 0; x < g->bitmap.width; ++x) {
        int px = ox + static_cast<int>(x), py = oy + static_cast<int>(y);
        if (px < cx || py < cy || px >= cx + cw || py >= cy + ch) continue;
        int v = g->bitmap.buffer[y * static_cast<unsigned>(g->bitmap.pitch) + x];
        if (v == 0) continue;
        if (opaque) {
          img.Set(px, py, v, v, v);
        } else {
          img.Set(px, py, 255, 255, 255, v);
        }
      }
    }
  }
};

// The game's font: 16 cells per row from code 32, cells 9 x 17 times the factor.
bool MakeGameFont(GlyphFont& font, int factor, const std::string& path) {
  const int cw = 9 * factor, ch = 17 * factor, columns = 16, rows = 6;
  Image img(cw * columns, ch * rows);
  FT_Set_Pixel_Sizes(font.face, 0, static_cast<FT_UInt>(15 * factor));
  int baseline = static_cast<int>(font.face->size->metrics.ascender >> 6);
  if (baseline > ch) baseline = ch - 1;
  for (int code = 32; code < 128; ++code) {
    int i = code - 32;
    font.Draw(img, code, (i % columns) * cw, (i / columns) * ch, cw, ch, baseline, false);
  }
  return WritePng(path, img, true);
}

// The runtime's default font: 256 x 128, 16 x 8 cells of 16 x 16, white on
// black (black is the font colour key).
bool MakeSmallFont(GlyphFont& font, const std::string& path) {
  Image img(256, 128);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) img.Set(x, y, 0, 0, 0);
  FT_Set_Pixel_Sizes(font.face, 0, 13);
  int baseline = static_cast<int>(font.face->size->metrics.ascender >> 6);
  for (int code = 33; code < 128; ++code) font.Draw(img, code, (code % 16) * 16, (code / 16) * 16, 16, 16, baseline, true);
  return WritePng(path, img, false);
}

// ---- Images -------------------------------------------------------------------

// 32 x 32 tiles of fs x fs pixels, each a different pattern and colour, dim
// enough to be drawn additively over the tinted background.
bool MakeTiles(int fs, const std::string& path) {
  Image img(fs * 32, fs * 32);
  for (int t = 0; t < 1024; ++t) {
    Rng rng(0x9E3779B9u ^ static_cast<uint32_t>(t * 2654435761u));
    int r = rng.Range(20, 90), g = rng.Range(20, 90), b = rng.Range(20, 90);
    int pattern = t % 8, step = std::max(1, fs / rng.Range(2, 4));
    int x0 = (t % 32) * fs, y0 = (t / 32) * fs;
    for (int y = 0; y < fs; ++y) {
      for (int x = 0; x < fs; ++x) {
        bool on = false;
        switch (pattern) {
          case 0: on = ((x / step) + (y / step)) % 2 == 0; break;              // checks
          case 1: on = (x / step) % 2 == 0; break;                             // columns
          case 2: on = (y / step) % 2 == 0; break;                             // rows
          case 3: on = x == 0 || y == 0 || x == fs - 1 || y == fs - 1; break;  // frame
          case 4: on = ((x + y) / step) % 2 == 0; break;                       // diagonals
          case 5: on = x == fs / 2 || y == fs / 2; break;                      // cross
          case 6: on = (x - fs / 2) * (x - fs / 2) + (y - fs / 2) * (y - fs / 2) <= fs * fs / 9; break;  // dot
          default: on = ((y / step) % 2 == 0) ? (x / step) % 2 == 0 : ((x + step / 2) / step) % 2 == 0; break;
        }
        int k = on ? 100 : 45 + (x + y) * 20 / (2 * fs);
        img.Set(x0 + x, y0 + y, r * k / 100, g * k / 100, b * k / 100);
      }
    }
  }
  return WritePng(path, img, false);
}

bool MakeLogo(GlyphFont& font, int factor, const std::string& path) {
  const int w = 128 * factor, h = 64 * factor;
  Image img(w, h);
  Image text(w, h);
  FT_Set_Pixel_Sizes(font.face, 0, static_cast<FT_UInt>(40 * factor));
  int baseline = static_cast<int>(font.face->size->metrics.ascender >> 6);
  const char* word = "vorlo";
  int cw = w / 5;
  for (int i = 0; i < 5; ++i) font.Draw(text, word[i], i * cw, (h - 48 * factor) / 2, cw, h, baseline, false);
  // A soft glow around the letters, then the letters in a warm gradient.
  int radius = 2 * factor;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int best = 0;
      for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
          int sx = x + dx, sy = y + dy;
          if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
          best = std::max(best, static_cast<int>(text.At(sx, sy)[3]));
        }
      int a = text.At(x, y)[3];
      if (a > 0) {
        int r = 255, g = 120 + 120 * y / h, b = 40;
        img.Set(x, y, r, g, b, std::max(a, best / 2));
      } else if (best > 0) {
        img.Set(x, y, 255, 60, 20, best / 2);
      }
    }
  }
  return WritePng(path, img, true);
}

bool MakeButton(int factor, const std::string& path) {
  const int w = 59 * factor, h = 35 * factor;
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bool edge = x < factor || y < factor || x >= w - factor || y >= h - factor;
      int shade = 200 - 80 * y / h;
      img.Set(x, y, edge ? 255 : shade, edge ? 255 : shade, edge ? 255 : shade, 255);
    }
  return WritePng(path, img, true);
}

// ---- Sounds -------------------------------------------------------------------

constexpr int kRate = 22050;

int16_t Sample(double v) { return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 30000)); }

// A rising two-tone chirp.
std::vector<int16_t> OpenCue() {
  std::vector<int16_t> s;
  int n = kRate * 30 / 100;
  double phase = 0;
  for (int i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / n;
    double f = 400 + 900 * t;
    phase += 2 * kPi * f / kRate;
    double env = std::min(1.0, t * 20) * (1 - t);
    s.push_back(Sample(0.6 * env * (std::sin(phase) + 0.3 * std::sin(2 * phase))));
  }
  return s;
}

// A falling buzz with noise.
std::vector<int16_t> DieCue() {
  std::vector<int16_t> s;
  Rng rng(1234);
  int n = kRate * 45 / 100;
  double phase = 0;
  for (int i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / n;
    double f = 300 - 220 * t;
    phase += 2 * kPi * f / kRate;
    double square = std::sin(phase) > 0 ? 1.0 : -1.0;
    double noise = (static_cast<int>(rng.Next() % 2001) - 1000) / 1000.0;
    double env = (1 - t) * (1 - t);
    s.push_back(Sample(0.5 * env * (0.7 * square + 0.3 * noise)));
  }
  return s;
}

// A short bell-like ping.
std::vector<int16_t> PingCue() {
  std::vector<int16_t> s;
  int n = kRate * 25 / 100;
  for (int i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / kRate;
    double env = std::exp(-t * 18);
    s.push_back(Sample(0.7 * env * (std::sin(2 * kPi * 1320 * t) + 0.4 * std::sin(2 * kPi * 2640 * t))));
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(stderr, "usage: vorlo-media OUTPUT_FOLDER [FONT_FILE]\n");
    return argc < 2 ? 2 : 0;
  }
  std::string out = argv[1];
  const char* fontPath = argc > 2 ? argv[2] : "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
  GlyphFont font;
  if (!font.Open(fontPath)) {
    std::fprintf(stderr, "vorlo-media: cannot open the font %s\n", fontPath);
    return 1;
  }
  bool ok = true;
  const struct {
    int factor;
    const char* suffix;
  } variants[] = {{1, "_x320"}, {2, "_x640"}, {4, "_x1280"}};
  for (const auto& v : variants) {
    ok &= MakeLogo(font, v.factor, out + "/logo" + v.suffix + ".png");
    ok &= MakeTiles(8 * v.factor, out + "/plat_bg" + v.suffix + ".png");
    ok &= MakeButton(v.factor, out + "/button" + v.suffix + ".png");
    ok &= MakeGameFont(font, v.factor, out + "/16_(9x17)" + v.suffix + ".png");
  }
  ok &= MakeSmallFont(font, out + "/smalfont.png");
  ok &= WriteWav(out + "/sfx_open.wav", OpenCue(), kRate);
  ok &= WriteWav(out + "/sfx_die.wav", DieCue(), kRate);
  ok &= WriteWav(out + "/sfx_001.wav", PingCue(), kRate);
  return ok ? 0 : 1;
}
