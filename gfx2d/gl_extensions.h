// OpenGL extension entry points, fetched by name once the context exists.
// A pointer stays null when the driver lacks it; callers test it.
#pragma once

#include "gfx2d/gl.h"
#include "orvane/rt_string.h"

namespace orv {

struct GlEntryPoints {
  // Multitexture group (also gates the buffer-object entry points).
  PFNGLACTIVETEXTUREARBPROC glActiveTextureARB = nullptr;
  PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB = nullptr;
  PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB = nullptr;
  PFNGLGENBUFFERSARBPROC glGenBuffersARB = nullptr;
  PFNGLBINDBUFFERARBPROC glBindBufferARB = nullptr;
  PFNGLBUFFERDATAARBPROC glBufferDataARB = nullptr;
  PFNGLDELETEBUFFERSARBPROC glDeleteBuffersARB = nullptr;
  PFNGLMAPBUFFERARBPROC glMapBufferARB = nullptr;
  PFNGLUNMAPBUFFERARBPROC glUnmapBufferARB = nullptr;
  PFNGLGETBUFFERPARAMETERIVARBPROC glGetBufferParameterivARB = nullptr;
  // Shader-object group.
  PFNGLCREATEPROGRAMOBJECTARBPROC glCreateProgramObjectARB = nullptr;
  PFNGLDELETEOBJECTARBPROC glDeleteObjectARB = nullptr;
  PFNGLCREATESHADEROBJECTARBPROC glCreateShaderObjectARB = nullptr;
  PFNGLSHADERSOURCEARBPROC glShaderSourceARB = nullptr;
  PFNGLCOMPILESHADERARBPROC glCompileShaderARB = nullptr;
  PFNGLGETOBJECTPARAMETERIVARBPROC glGetObjectParameterivARB = nullptr;
  PFNGLATTACHOBJECTARBPROC glAttachObjectARB = nullptr;
  PFNGLGETINFOLOGARBPROC glGetInfoLogARB = nullptr;
  PFNGLLINKPROGRAMARBPROC glLinkProgramARB = nullptr;
  PFNGLUSEPROGRAMOBJECTARBPROC glUseProgramObjectARB = nullptr;
  PFNGLGETUNIFORMLOCATIONARBPROC glGetUniformLocationARB = nullptr;
  PFNGLUNIFORM1FARBPROC glUniform1fARB = nullptr;
  PFNGLUNIFORM1IARBPROC glUniform1iARB = nullptr;
  PFNGLGETATTRIBLOCATIONARBPROC glGetAttribLocationARB = nullptr;
  PFNGLVERTEXATTRIB1FARBPROC glVertexAttrib1fARB = nullptr;
  // Framebuffer objects (off-screen surfaces).
  PFNGLBINDRENDERBUFFEREXTPROC glBindRenderbufferEXT = nullptr;
  PFNGLDELETERENDERBUFFERSEXTPROC glDeleteRenderbuffersEXT = nullptr;
  PFNGLGENRENDERBUFFERSEXTPROC glGenRenderbuffersEXT = nullptr;
  PFNGLRENDERBUFFERSTORAGEEXTPROC glRenderbufferStorageEXT = nullptr;
  PFNGLBINDFRAMEBUFFEREXTPROC glBindFramebufferEXT = nullptr;
  PFNGLDELETEFRAMEBUFFERSEXTPROC glDeleteFramebuffersEXT = nullptr;
  PFNGLGENFRAMEBUFFERSEXTPROC glGenFramebuffersEXT = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC glCheckFramebufferStatusEXT = nullptr;
  PFNGLFRAMEBUFFERTEXTURE2DEXTPROC glFramebufferTexture2DEXT = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC glFramebufferRenderbufferEXT = nullptr;
  PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC glGetFramebufferAttachmentParameterivEXT = nullptr;
};

// The process's entry points.
GlEntryPoints& Gl();

// The extension string of the current context ("" without one).
RtString GlExtensionString();
// Whole-word search of name in the extension string.
bool HasExtension(const char* name);
// Fetches the multitexture group (gated by "GL_ARB_multitexture") and the
// shader group (gated by "GL_ARB_fragment_program"), plain substring gates.
void LoadExtensionEntryPoints();
// Fetches the framebuffer-object entry points (ungated).
void LoadFramebufferEntryPoints();

}  // namespace orv
