// Drawing the batch: one upload of every vertex appended since the last
// flush, then one GL draw per run. Fans and strips stay fans and strips
// (drawn together with one multi-draw call) and quads stay quads, so the
// rasteriser splits every primitive exactly as it did when each command
// drew on its own; the batch changes how many calls reach GL, never which
// pixels a primitive covers or what colour lands there.
#include "gfx2d/draw_batch.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "gfx2d/opengl_vexel.h"
#include "gl/gl_extensions.h"
#include "gl/gl_state_cache.h"
#include "runtime/switches.h"

// Core since GL 1.4 and exported by every Linux libGL.
extern "C" void glMultiDrawArrays(GLenum mode, const GLint* first, const GLsizei* count, GLsizei drawcount);

namespace orv {

BatchVertex* DrawBatch::Append(int slot, GLenum mode, uint8_t flags, int n) {
  const int first = static_cast<int>(vertices_.size());
  BatchRun* run = runs_.empty() ? nullptr : &runs_.back();
  if (!run || run->slot != slot || run->mode != mode || run->flags != flags) {
    runs_.push_back(BatchRun{slot, mode, flags, first, 0, static_cast<int>(primFirsts_.size()), 0});
    run = &runs_.back();
  }
  if (IsSeparatePrimitive(mode)) {
    primFirsts_.push_back(first);
    primCounts_.push_back(n);
    ++run->primCount;
  }
  run->count += n;
  vertices_.resize(vertices_.size() + static_cast<size_t>(n));
  return &vertices_[static_cast<size_t>(first)];
}

void DrawBatch::Clear() {
  vertices_.clear();
  runs_.clear();
  primFirsts_.clear();
  primCounts_.clear();
}

void OpenGLVexel::ReadBatchingSwitch() {
  batching_ = !Switches().noBatch;
  GlEntryPoints& ext = Gl();
  useVertexBuffer_ = ext.glGenBuffersARB && ext.glBindBufferARB && ext.glBufferDataARB &&
                     HasExtension("GL_ARB_vertex_buffer_object");
}

BatchVertex* OpenGLVexel::AppendVertices(int slot, GLenum mode, uint8_t flags, int n) {
  // A batch this large gains nothing more from growing.
  if (batch_.VertexCount() + static_cast<size_t>(n) > kBatchVertexLimit) FlushDrawing();
  return batch_.Append(slot, mode, flags, n);
}

void OpenGLVexel::FlushDrawing() {
  if (batch_.Empty()) return;
  GlEntryPoints& ext = Gl();
  const std::vector<BatchVertex>& vertices = batch_.Vertices();
  const char* base = reinterpret_cast<const char*>(vertices.data());
  if (useVertexBuffer_) {
    if (!batchBuffer_) ext.glGenBuffersARB(1, &batchBuffer_);
    ext.glBindBufferARB(GL_ARRAY_BUFFER_ARB, batchBuffer_);
    // A new store every time (orphaning): the driver never waits for the
    // previous batch's draws before taking this one.
    ext.glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(vertices.size() * sizeof(BatchVertex)),
                        vertices.data(), GL_STREAM_DRAW_ARB);
    base = nullptr;
  }
  if (ext.glClientActiveTextureARB) ext.glClientActiveTextureARB(GL_TEXTURE0_ARB);
  constexpr GLsizei kStride = sizeof(BatchVertex);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, kStride, base + offsetof(BatchVertex, x));
  glTexCoordPointer(2, GL_FLOAT, kStride, base + offsetof(BatchVertex, u));
  // When every run that takes float colours (sprites, text, shapes) has one
  // colour, it is GL's current colour, set once; otherwise they all read the
  // colour array. Changing the current colour between draws costs the
  // driver far more than fetching colours from the array.
  const BatchVertex* oneColour = nullptr;
  for (const BatchRun& run : batch_.Runs()) {
    if (run.flags & kBatchByteColors) continue;
    const BatchVertex* rv = &vertices[static_cast<size_t>(run.first)];
    if (!oneColour) oneColour = rv;
    for (int i = 0; oneColour && i < run.count; ++i)
      if (rv[i].r != oneColour->r || rv[i].g != oneColour->g || rv[i].b != oneColour->b || rv[i].a != oneColour->a)
        oneColour = nullptr;
    if (!oneColour) break;
  }
  // In opaque white a texel modulated by the colour is the texel itself, so
  // such runs let the texture replace the colour: the rasteriser then skips
  // the colour input and the multiply of every pixel. Only the plain
  // modulating mode is swapped; any other the 3D renderer left stays.
  bool replaceWhite = false;
  if (oneColour && oneColour->r == 1 && oneColour->g == 1 && oneColour->b == 1 && oneColour->a == 1) {
    GLint envMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    replaceWhite = envMode == GL_MODULATE;
  }
  bool replacing = false;
  bool textureArray = false;
  int colorArray = -1;  // -1 not set up, 0 off, 1 bytes, 2 floats
  bool smoothShade = false;
  bool offsetOn = false;
  // What this flush already set on the bound texture, so a run repeats no
  // parameter it would set to the value it has: a changed texture parameter
  // or projection costs the driver a state check at the next draw, and a
  // frame of small shapes is thousands of runs. texturesSlot is the sprite
  // whose texture is bound (-2: the one bound before the flush).
  int texturesSlot = -2;
  bool textureKnown = false, clamped = false;
  GLint filterSet = 0;
  for (const BatchRun& run : batch_.Runs()) {
    BindSpriteNow(run.slot);
    // Untextured runs leave the bound texture as it is.
    if (!textureKnown || (run.slot >= 0 && run.slot != texturesSlot)) {
      if (run.slot >= 0) texturesSlot = run.slot;
      textureKnown = true;
      clamped = false;
      filterSet = 0;
    }
    if (run.slot >= 0) {
      if (!textureArray) glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      textureArray = true;
      if ((run.flags & kBatchClampEdges) && !clamped) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        clamped = true;
      }
    } else if (textureArray) {
      glDisableClientState(GL_TEXTURE_COORD_ARRAY);
      textureArray = false;
    }
    // Untextured polygons set the filter too: of whatever texture is bound,
    // which later text drawn with that texture keeps.
    if (!(run.flags & kBatchKeepFilter)) {
      const GLint filter = (run.flags & kBatchLinear) ? GL_LINEAR : GL_NEAREST;
      if (filter != filterSet) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        filterSet = filter;
      }
    }
    const bool bytes = (run.flags & kBatchByteColors) != 0;
    const bool uniform = !bytes && oneColour;
    const int colorSource = uniform ? 0 : (bytes ? 1 : 2);
    if (colorSource != colorArray) {
      if (colorSource == 0) {
        glDisableClientState(GL_COLOR_ARRAY);
        // After drawing from a colour array the current colour is undefined.
        glColor4f(oneColour->r, oneColour->g, oneColour->b, oneColour->a);
      } else {
        if (colorArray <= 0) glEnableClientState(GL_COLOR_ARRAY);
        if (bytes) {
          glColorPointer(4, GL_UNSIGNED_BYTE, kStride, base + offsetof(BatchVertex, rgba));
        } else {
          glColorPointer(4, GL_FLOAT, kStride, base + offsetof(BatchVertex, r));
        }
      }
      colorArray = colorSource;
    }
    const bool replace = replaceWhite && colorSource == 0;
    if (replace != replacing) {
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, replace ? GL_REPLACE : GL_MODULATE);
      replacing = replace;
    }
    const bool smooth = (run.flags & kBatchSmoothShade) != 0;
    if (smooth != smoothShade) {
      GlState().Set(kCapDither, smooth);
      glShadeModel(smooth ? GL_SMOOTH : GL_FLAT);
      smoothShade = smooth;
    }
    const bool offset = (run.flags & kBatchPixelOffset) != 0;
    if (offset != offsetOn) {
      glMatrixMode(GL_PROJECTION);
      if (offset) {
        glPushMatrix();
        glTranslatef(0.375f, 0.375f, 0);
      } else {
        glPopMatrix();
      }
      glMatrixMode(GL_MODELVIEW);
      offsetOn = offset;
    }
    if (IsSeparatePrimitive(run.mode) && run.primCount > 1) {
      glMultiDrawArrays(run.mode, batch_.PrimFirsts() + run.firstPrim, batch_.PrimCounts() + run.firstPrim,
                        run.primCount);
    } else {
      glDrawArrays(run.mode, run.first, run.count);
    }
  }
  if (offsetOn) {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
  }
  if (replacing) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  if (smoothShade) {
    glShadeModel(GL_FLAT);
    GlState().Set(kCapDither, false);
  }
  if (textureArray) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  if (colorArray > 0) glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  // Client arrays of other code must not be read as offsets into the buffer.
  if (useVertexBuffer_) ext.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  // After drawing from a colour array the current colour is undefined.
  glColor4f(1, 1, 1, globalAlpha);
  batch_.Clear();
}

void OpenGLVexel::ReleaseBatchBuffer() {
  batch_.Clear();
  if (batchBuffer_ && Gl().glDeleteBuffersARB) Gl().glDeleteBuffersARB(1, &batchBuffer_);
  batchBuffer_ = 0;
}

}  // namespace orv
