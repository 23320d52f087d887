// OpenGL extension entry points, fetched by name once the context exists.
// A pointer stays null when the driver lacks it; callers test it.
#pragma once

#include "gl/gl.h"
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
  // GL 2.0 shader entry points (core names), for the 3D shader programs.
  PFNGLCREATESHADERPROC glCreateShader = nullptr;
  PFNGLSHADERSOURCEPROC glShaderSource = nullptr;
  PFNGLCOMPILESHADERPROC glCompileShader = nullptr;
  PFNGLGETSHADERIVPROC glGetShaderiv = nullptr;
  PFNGLGETSHADERINFOLOGPROC glGetShaderInfoLog = nullptr;
  PFNGLCREATEPROGRAMPROC glCreateProgram = nullptr;
  PFNGLATTACHSHADERPROC glAttachShader = nullptr;
  PFNGLDETACHSHADERPROC glDetachShader = nullptr;
  PFNGLLINKPROGRAMPROC glLinkProgram = nullptr;
  PFNGLGETPROGRAMIVPROC glGetProgramiv = nullptr;
  PFNGLGETPROGRAMINFOLOGPROC glGetProgramInfoLog = nullptr;
  PFNGLUSEPROGRAMPROC glUseProgram = nullptr;
  PFNGLGETUNIFORMLOCATIONPROC glGetUniformLocation = nullptr;
  PFNGLUNIFORM1FPROC glUniform1f = nullptr;
  PFNGLUNIFORM2FPROC glUniform2f = nullptr;
  PFNGLUNIFORM3FPROC glUniform3f = nullptr;
  PFNGLUNIFORM4FPROC glUniform4f = nullptr;
  PFNGLUNIFORM1IPROC glUniform1i = nullptr;
  PFNGLUNIFORM2IPROC glUniform2i = nullptr;
  PFNGLUNIFORM3IPROC glUniform3i = nullptr;
  PFNGLUNIFORM4IPROC glUniform4i = nullptr;
  PFNGLUNIFORM1FVPROC glUniform1fv = nullptr;
  PFNGLUNIFORM2FVPROC glUniform2fv = nullptr;
  PFNGLUNIFORM3FVPROC glUniform3fv = nullptr;
  PFNGLUNIFORM4FVPROC glUniform4fv = nullptr;
  PFNGLUNIFORM1IVPROC glUniform1iv = nullptr;
  PFNGLUNIFORMMATRIX3FVPROC glUniformMatrix3fv = nullptr;
  PFNGLUNIFORMMATRIX4FVPROC glUniformMatrix4fv = nullptr;
  PFNGLGETATTRIBLOCATIONPROC glGetAttribLocation = nullptr;
  PFNGLBINDATTRIBLOCATIONPROC glBindAttribLocation = nullptr;
  PFNGLVERTEXATTRIB1FPROC glVertexAttrib1f = nullptr;
  PFNGLVERTEXATTRIB2FPROC glVertexAttrib2f = nullptr;
  PFNGLVERTEXATTRIB3FPROC glVertexAttrib3f = nullptr;
  PFNGLVERTEXATTRIB4FPROC glVertexAttrib4f = nullptr;
  PFNGLVERTEXATTRIB4FVPROC glVertexAttrib4fv = nullptr;
  PFNGLVERTEXATTRIBPOINTERPROC glVertexAttribPointer = nullptr;
  PFNGLENABLEVERTEXATTRIBARRAYPROC glEnableVertexAttribArray = nullptr;
  PFNGLDISABLEVERTEXATTRIBARRAYPROC glDisableVertexAttribArray = nullptr;
  PFNGLDELETESHADERPROC glDeleteShader = nullptr;
  PFNGLDELETEPROGRAMPROC glDeleteProgram = nullptr;
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
  PFNGLBLITFRAMEBUFFEREXTPROC glBlitFramebufferEXT = nullptr;
};

// The process's entry points.
GlEntryPoints& Gl();

// The extension string of the current context ("" without one).
RtString GlExtensionString();
// Whole-word search of name in the extension string.
bool HasExtension(const char* name);
// Where an entry point is found by name in the current context: the
// platform's lookup, handed in by the device that made the context (gl/
// knows GL, not how the platform makes contexts). Null for an unknown name.
using GlProcResolver = void* (*)(const char* name);
// Fetches the multitexture group (gated by "GL_ARB_multitexture") and the
// shader group (gated by "GL_ARB_fragment_program"), plain substring gates,
// and the GL 2.0 shader group when the context's version is 2.0 or later
// (core entry points are advertised by the version, not the extension string).
void LoadExtensionEntryPoints(GlProcResolver resolve);
// Major and minor version of the current context from GL_VERSION; false
// without a context or with an unreadable string.
bool GlVersion(int& major, int& minor);
// Fetches the framebuffer-object entry points (ungated).
void LoadFramebufferEntryPoints(GlProcResolver resolve);

}  // namespace orv
