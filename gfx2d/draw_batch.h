// The 2D device's vertex batch: drawing commands append vertices here and
// the device draws them in as few GL calls as the state allows. A run is a
// stretch of vertices drawn with one texture, one primitive type and one
// set of the per-run settings below; the GL state every run shares (blend,
// alpha test, projection, target) never changes inside a batch, because
// whatever changes it draws the batch first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gl/gl.h"

namespace orv {

struct BatchVertex {
  float x, y, z;
  float u, v;
  float r, g, b, a;  // the colour GL would hold as its current colour
  uint8_t rgba[4];   // the same as bytes, for polygons (their own colour arrays are bytes)
};

enum BatchFlag : uint8_t {
  kBatchClampEdges = 1,   // texture wraps clamped to the edge (else repeated)
  kBatchPixelOffset = 2,  // projection moved by 3/8 pixel (lines, points, rectangles)
  kBatchLinear = 4,       // linear filtering (else nearest)
  kBatchKeepFilter = 8,   // leave the texture's filter as it is (text)
  kBatchByteColors = 16,  // colours from rgba[] (polygons)
  kBatchSmoothShade = 32, // smooth shading and dithering (coloured polygons)
};

struct BatchRun {
  int slot;      // sprite slot; -1 untextured
  GLenum mode;   // GL primitive type
  uint8_t flags;
  int first, count;           // vertex range
  int firstPrim, primCount;   // fans and strips: their ranges in the prim lists
};

class DrawBatch {
 public:
  // Room for n vertices of a primitive of `mode`, in the run the key names
  // (the last run when it matches, else a new one). Fans and strips get a
  // primitive of their own; the other types simply extend the run.
  BatchVertex* Append(int slot, GLenum mode, uint8_t flags, int n);
  bool Empty() const { return runs_.empty(); }
  size_t VertexCount() const { return vertices_.size(); }
  const std::vector<BatchVertex>& Vertices() const { return vertices_; }
  const std::vector<BatchRun>& Runs() const { return runs_; }
  const GLint* PrimFirsts() const { return primFirsts_.data(); }
  const GLsizei* PrimCounts() const { return primCounts_.data(); }
  void Clear();

 private:
  std::vector<BatchVertex> vertices_;
  std::vector<BatchRun> runs_;
  std::vector<GLint> primFirsts_;
  std::vector<GLsizei> primCounts_;
};

// Fans and strips are drawn as separate primitives of one call.
inline bool IsSeparatePrimitive(GLenum mode) { return mode == GL_TRIANGLE_FAN || mode == GL_TRIANGLE_STRIP; }

}  // namespace orv
