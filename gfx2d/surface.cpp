// Off-screen surfaces: drawing redirected into a sprite's texture.
//
// With framebuffer objects the sprite's texture is the colour buffer of a
// framebuffer with its own depth buffer, and drawing lands in it directly.
// Without them (old drivers, or ORVANE_NO_FRAMEBUFFER=1) the same commands
// work by copying: the window's top-left corner is saved into the scratch
// sprite, drawing happens there, and ending the surface copies the corner
// into the surface's sprite and puts the saved pixels back.
#include <algorithm>
#include <cstdlib>

#include "gfx2d/opengl_vexel.h"
#include "gl/gl_extensions.h"
#include "gl/texture.h"
#include "runtime/error_state.h"

namespace orv {

namespace {

// Framebuffers are usable in this process (entry points and extension present).
bool g_framebuffersAvailable = false;

// No colour key: while the colour key holds this value grabs keep every pixel.
constexpr uint32_t kNoKey = 0xFFFFFFFFu;

}  // namespace

// Tests and users with a broken driver select the copying path.
bool OpenGLVexel::FramebufferFallbackRequested() {
  const char* v = std::getenv("ORVANE_NO_FRAMEBUFFER");
  return v && v[0] == '1' && v[1] == 0;
}

void OpenGLVexel::InitSurfaces() {
  LoadFramebufferEntryPoints(platform::GetProcAddress);
  GlEntryPoints& g = Gl();
  // Some drivers hand out an entry point for any name asked; only an
  // advertised extension makes the pointers usable.
  const bool advertised = HasExtension("GL_EXT_framebuffer_object") || HasExtension("GL_ARB_framebuffer_object");
  if (!advertised || FramebufferFallbackRequested()) {
    g.glBindRenderbufferEXT = nullptr;
    g.glDeleteRenderbuffersEXT = nullptr;
    g.glGenRenderbuffersEXT = nullptr;
    g.glRenderbufferStorageEXT = nullptr;
    g.glBindFramebufferEXT = nullptr;
    g.glDeleteFramebuffersEXT = nullptr;
    g.glGenFramebuffersEXT = nullptr;
    g.glCheckFramebufferStatusEXT = nullptr;
    g.glFramebufferTexture2DEXT = nullptr;
    g.glFramebufferRenderbufferEXT = nullptr;
    g.glGetFramebufferAttachmentParameterivEXT = nullptr;
    g.glBlitFramebufferEXT = nullptr;
  }
  g_framebuffersAvailable = g.glGenFramebuffersEXT && g.glBindFramebufferEXT && g.glDeleteFramebuffersEXT;
  if (!g_framebuffersAvailable) LogLine("can't use framebuffer object\n");
}

bool OpenGLVexel::FramebuffersAvailable() { return g_framebuffersAvailable; }

int OpenGLVexel::CurrentFramebufferBinding() {
  if (!g_framebuffersAvailable) return 0;
  GLint binding = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
  return binding;
}

int OpenGLVexel::CurrentColorAttachment() {
  GlEntryPoints& g = Gl();
  // The window's own framebuffer has no attachments to ask about.
  if (!g.glGetFramebufferAttachmentParameterivEXT || CurrentFramebufferBinding() == 0) return 0;
  GLint name = 0;
  g.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &name);
  return name;
}

bool OpenGLVexel::DrawingIntoFramebuffer() const {
  return currentSurface >= 0 && currentSurface < kSurfaces && surfaces[currentSurface].previousBinding != -1;
}

bool OpenGLVexel::BindFramebuffer(SurfaceRecord& r) {
  // A record without a framebuffer would bind the window's own.
  if (!g_framebuffersAvailable || r.framebuffer == 0) return false;
  if (r.previousBinding != -1) {
    LogLine("Trying to rebind the same FBO again. Need to end first\n");
    return false;
  }
  r.previousBinding = CurrentFramebufferBinding();
  Gl().glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, r.framebuffer);
  return true;
}

bool OpenGLVexel::UnbindFramebuffer(SurfaceRecord& r) {
  if (!g_framebuffersAvailable || r.previousBinding == -1) return false;
  Gl().glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(r.previousBinding));
  r.previousBinding = -1;
  return true;
}

void OpenGLVexel::ReleaseSurface(SurfaceRecord& r) {
  UnbindFramebuffer(r);
  GlEntryPoints& g = Gl();
  if (r.framebuffer && g.glDeleteFramebuffersEXT) g.glDeleteFramebuffersEXT(1, &r.framebuffer);
  if (r.depthBuffer && g.glDeleteRenderbuffersEXT) g.glDeleteRenderbuffersEXT(1, &r.depthBuffer);
  r = SurfaceRecord{};
}

void OpenGLVexel::ReleaseSurfaceAt(int index) {
  if (index < 0 || index >= kSurfaces) return;
  if (index == currentSurface) EndSurface();
  ReleaseSurface(surfaces[index]);
}

void OpenGLVexel::TargetSize(int& width, int& height) const {
  if (currentSurface >= 0 && currentSurface < kSurfaces) {
    const int s = surfaces[currentSurface].sprite;
    width = s >= 0 ? sprites_[s].imageWidth : 0;
    height = s >= 0 ? sprites_[s].imageHeight : 0;
    return;
  }
  width = LogicalWidth();
  height = LogicalHeight();
}

void OpenGLVexel::ReleaseAllSurfaces() {
  for (SurfaceRecord& r : surfaces) ReleaseSurface(r);
}

bool OpenGLVexel::CreateFramebuffer(SurfaceRecord& r, int w, int h, GLuint texture, bool withDepth) {
  ReleaseSurface(r);
  if (w <= 0 || h <= 0) {
    LogFormat("can't create FBO for neg dims %dx%d\n", w, h);
    return false;
  }
  GlEntryPoints& g = Gl();
  if (!g_framebuffersAvailable || !g.glGenRenderbuffersEXT || !g.glBindRenderbufferEXT ||
      !g.glRenderbufferStorageEXT || !g.glCheckFramebufferStatusEXT || !g.glFramebufferTexture2DEXT ||
      !g.glFramebufferRenderbufferEXT || !g.glDeleteRenderbuffersEXT)
    return false;
  g.glGenFramebuffersEXT(1, &r.framebuffer);
  if (!r.framebuffer) {
    LogLine("glGenFramebuffersExt failed\n");
    return false;
  }
  BindFramebuffer(r);
  if (withDepth) {
    g.glGenRenderbuffersEXT(1, &r.depthBuffer);
    if (!r.depthBuffer) {
      LogLine("glGenRenderbuffersExt failed\n");
      ReleaseSurface(r);
      return false;
    }
    g.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, r.depthBuffer);
    // Errors left over from earlier calls must not pass for this one's.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    g.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, w, h);
    if (glGetError() == GL_INVALID_ENUM) {
      LogLine("depth 24 failed, try 32\n");
      g.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT32, w, h);
      if (glGetError() == GL_INVALID_ENUM) {
        LogLine("depth 32 failed, try 16\n");
        g.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT16, w, h);
      }
    }
    g.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, r.depthBuffer);
  }
  g.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture, 0);
  const GLenum status = g.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
  if (status != GL_FRAMEBUFFER_COMPLETE_EXT) {
    LogFormat("glBindRenderbufferExt failed %x\n", status);
    ReleaseSurface(r);
    return false;
  }
  UnbindFramebuffer(r);
  r.width = w;
  r.height = h;
  return true;
}

void OpenGLVexel::CreateSurface(int index, int slot, int width, int height) {
  if (index < 0 || index >= kSurfaces) return;
  if (index == currentSurface) EndSurface();
  SurfaceRecord& r = surfaces[index];
  if (!IsSpriteSlot(slot) || width <= 0 || height <= 0) {
    ReleaseSurface(r);
    return;
  }
  const int m = MaxTextureSize();
  width = std::min(width, m);
  height = std::min(height, m);
  FreeSprite(slot);
  // The texture is as large as the texture build makes it (at least 16 on a
  // side), and the framebuffer matches it, so the sprite's scales and the
  // collision masks describe the texture that is really there.
  PixelImage blank;
  SpriteSlot& s = sprites_[slot];
  if (!blank.Resize(width, height) || !BuildTexture(blank, s.texture)) {
    FreeSprite(slot);
    ReleaseSurface(r);
    return;
  }
  s.SetImageSize(width, height);
  CreateFramebuffer(r, s.textureWidth, s.textureHeight, s.texture, true);
  // Kept even without a framebuffer: the copying path draws into it.
  r.sprite = slot;
}

void OpenGLVexel::SurfaceTextureReleased(int slot) {
  for (SurfaceRecord& r : surfaces)
    if (r.sprite == slot && r.framebuffer) r.textureReleased = true;
}

void OpenGLVexel::CopySpriteToCorner(int slot, bool keepTransparent) {
  if (!HoldsImage(slot)) return;
  const SpriteSlot& s = sprites_[slot];
  const int w = s.imageWidth, h = s.imageHeight;
  // Raw GL under a saved state: the game's blending, alpha test, colour
  // and depth settings must neither change the copy nor be changed by it.
  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  glDisable(GL_CULL_FACE);
  glDisable(GL_COLOR_LOGIC_OP);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  if (keepTransparent) {
    // Transparent texels leave the key colour with alpha 0 behind, which is
    // what marks transparency when the corner is copied back.
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    glColor4ub(transparentColor_ & 0xFF, (transparentColor_ >> 8) & 0xFF, (transparentColor_ >> 16) & 0xFF, 0);
    glRecti(0, 0, w, h);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0);
  } else {
    glDisable(GL_ALPHA_TEST);
  }
  BindSprite(slot, -1, false, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glColor4f(1, 1, 1, 1);
  glBegin(GL_QUADS);
  glTexCoord2f(s.uMax, s.vMax);
  glVertex2i(w, 0);
  glTexCoord2f(0, s.vMax);
  glVertex2i(0, 0);
  glTexCoord2f(0, 0);
  glVertex2i(0, h);
  glTexCoord2f(s.uMax, 0);
  glVertex2i(w, h);
  glEnd();
  glPopAttrib();
  ForgetTextureUnits();
}

void OpenGLVexel::UseSurface(int index) {
  FlushDrawing();
  if (currentSurface >= 0) EndSurface();
  if (index < 0 || index >= kSurfaces) return;
  SurfaceRecord& r = surfaces[index];
  const int s = r.sprite;
  // A surface whose sprite was freed has nothing to draw into.
  if (!IsUsedSprite(s)) return;
  if (r.textureReleased) {
    const SpriteSlot& sp = sprites_[s];
    CreateFramebuffer(r, sp.textureWidth, sp.textureHeight, sp.texture, true);
    r.sprite = s;
  }
  const int w = sprites_[s].imageWidth, h = sprites_[s].imageHeight;
  currentSurface = index;
  if (BindFramebuffer(r)) {
    SetViewport(0, 0, w, h);
  } else {
    // The copying path draws in the window's unturned top-left corner.
    currentSurface = -1;
    orientation_.PutAside();
    SetViewport(0, 0, w, h);
    const uint32_t key = transparentColor_;
    transparentColor_ = kNoKey;
    GrabIntoSlot(kSpareSprite, 0, 0, w, h);
    transparentColor_ = key;
    CopySpriteToCorner(s, true);
    currentSurface = index;
  }
  sprites_.DropMask(s);
}

void OpenGLVexel::EndSurface() {
  FlushDrawing();
  const int a = currentSurface;
  if (a >= 0 && a < kSurfaces) {
    SurfaceRecord& r = surfaces[a];
    const int s = r.sprite;
    if (!UnbindFramebuffer(r)) {
      currentSurface = -1;
      if (IsUsedSprite(s)) {
        SpriteSlot& sp = sprites_[s];
        // The drawing may have moved the viewport; the corner is the whole image.
        SetViewport(0, 0, sp.imageWidth, sp.imageHeight);
        const int16_t fw = sp.frameWidth, fh = sp.frameHeight;
        GrabSprite(s, 0, 0, sp.imageWidth, sp.imageHeight);
        sp.frameWidth = fw;
        sp.frameHeight = fh;
      }
      if (HoldsImage(kSpareSprite)) {
        SetViewport(0, 0, sprites_[kSpareSprite].imageWidth, sprites_[kSpareSprite].imageHeight);
        CopySpriteToCorner(kSpareSprite, false);
      }
      orientation_.Restore();
    }
    // Drawing changed the sprite: its collision mask is out of date.
    if (IsSpriteSlot(s)) sprites_.DropMask(s);
  }
  currentSurface = -1;
  SetViewport(0, 0, 0, 0);
}

}  // namespace orv
