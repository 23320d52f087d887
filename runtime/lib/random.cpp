// Random numbers: the ISAAC generator (its published generation round and
// mixing step) with this runtime's own seeding. Process-wide state, used
// from the main thread only.
#include "runtime/lib/random.h"

#include <cstring>

namespace orv {

namespace {

struct RandomState {
  uint32_t randCount;          // results available; 256 after seeding
  uint32_t randResults[256];   // the last generated block of results
  uint32_t randMemory[256];    // the generator's internal memory
  uint32_t randA, randB, randC;  // accumulator, last result, counter
};

RandomState state;

// ISAAC's mixing step over its eight variables.
struct Mixer {
  uint32_t a, b, c, d, e, f, g, h;

  void Mix() {
    a ^= b << 11; d += a; b += c;
    b ^= c >> 2;  e += b; c += d;
    c ^= d << 8;  f += c; d += e;
    d ^= e >> 16; g += d; e += f;
    e ^= f << 10; h += e; f += g;
    f ^= g >> 4;  a += f; g += h;
    g ^= h << 8;  b += g; h += a;
    h ^= a >> 9;  c += h; a += b;
  }
  void Add(const uint32_t* v) {
    a += v[0]; b += v[1]; c += v[2]; d += v[3];
    e += v[4]; f += v[5]; g += v[6]; h += v[7];
  }
  void Store(uint32_t* v) const {
    v[0] = a; v[1] = b; v[2] = c; v[3] = d;
    v[4] = e; v[5] = f; v[6] = g; v[7] = h;
  }
};

// One generation round: 256 new result words.
void Generate(RandomState& s) {
  uint32_t* m = s.randMemory;
  uint32_t a = s.randA, b = s.randB + ++s.randC;
  for (int i = 0; i < 256; ++i) {
    const uint32_t x = m[i];
    switch (i & 3) {
      case 0: a ^= a << 13; break;
      case 1: a ^= a >> 6; break;
      case 2: a ^= a << 2; break;
      default: a ^= a >> 16; break;
    }
    a += m[(i + 128) & 255];
    const uint32_t y = m[(x >> 2) & 255] + a + b;
    m[i] = y;
    b = m[(y >> 10) & 255] + x;
    s.randResults[i] = b;
  }
  s.randA = a;
  s.randB = b;
}

}  // namespace

void SeedRandom(int32_t seed) {
  RandomState& s = state;
  std::memset(&s, 0, sizeof s);
  Mixer v{0x9e3779b9, 0x9e3779b9, 0x9e3779b9, 0x9e3779b9, 0x9e3779b9, 0x9e3779b9, 0x9e3779b9, 0x9e3779b9};
  // The seed enters through the first variable on every step of the first
  // pass, before the usual scrambling; the second pass adds the (zeroed)
  // result block and the third the memory itself.
  for (int i = 0; i < 256; i += 8) {
    v.a += static_cast<uint32_t>(seed);
    v.Mix();
    v.Store(&s.randMemory[i]);
  }
  for (int k = 0; k < 4; ++k) v.Mix();
  for (int i = 0; i < 256; i += 8) {
    v.Add(&s.randResults[i]);
    v.Mix();
    v.Store(&s.randMemory[i]);
  }
  for (int i = 0; i < 256; i += 8) {
    v.Add(&s.randMemory[i]);
    v.Mix();
    v.Store(&s.randMemory[i]);
  }
  Generate(s);
  s.randCount = 256;
}

int32_t Random(int32_t n) {
  if (n <= 0) return 0;
  Generate(state);
  return static_cast<int32_t>(state.randResults[0] % (static_cast<uint32_t>(n) + 1));
}

}  // namespace orv
