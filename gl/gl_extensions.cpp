#include "gl/gl_extensions.h"

#include <cstdio>
#include <cstring>

namespace orv {

GlEntryPoints& Gl() {
  static GlEntryPoints points;
  return points;
}

RtString GlExtensionString() {
  const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return RtString(ext ? ext : "");
}

bool HasExtension(const char* name) {
  if (!name || !*name) return false;
  RtString all = GlExtensionString();
  const char* text = all.CStr();
  size_t n = std::strlen(name);
  for (const char* p = std::strstr(text, name); p; p = std::strstr(p + 1, name)) {
    bool startOk = p == text || p[-1] == ' ';
    bool endOk = p[n] == 0 || p[n] == ' ';
    if (startOk && endOk) return true;
  }
  return false;
}

namespace {
template <class F>
void Fetch(GlProcResolver resolve, F& pointer, const char* name) {
  pointer = reinterpret_cast<F>(resolve(name));
}
}  // namespace

void LoadExtensionEntryPoints(GlProcResolver resolve) {
  GlEntryPoints& g = Gl();
  g = GlEntryPoints{};
  RtString ext = GlExtensionString();
  if (std::strstr(ext.CStr(), "GL_ARB_multitexture")) {
    Fetch(resolve, g.glActiveTextureARB, "glActiveTextureARB");
    Fetch(resolve, g.glMultiTexCoord2fARB, "glMultiTexCoord2fARB");
    Fetch(resolve, g.glClientActiveTextureARB, "glClientActiveTextureARB");
    Fetch(resolve, g.glGenBuffersARB, "glGenBuffersARB");
    Fetch(resolve, g.glBindBufferARB, "glBindBufferARB");
    Fetch(resolve, g.glBufferDataARB, "glBufferDataARB");
    Fetch(resolve, g.glDeleteBuffersARB, "glDeleteBuffersARB");
    Fetch(resolve, g.glMapBufferARB, "glMapBufferARB");
    Fetch(resolve, g.glUnmapBufferARB, "glUnmapBufferARB");
    Fetch(resolve, g.glGetBufferParameterivARB, "glGetBufferParameterivARB");
  }
  if (std::strstr(ext.CStr(), "GL_ARB_fragment_program")) {
    Fetch(resolve, g.glCreateProgramObjectARB, "glCreateProgramObjectARB");
    Fetch(resolve, g.glDeleteObjectARB, "glDeleteObjectARB");
    Fetch(resolve, g.glCreateShaderObjectARB, "glCreateShaderObjectARB");
    Fetch(resolve, g.glShaderSourceARB, "glShaderSourceARB");
    Fetch(resolve, g.glCompileShaderARB, "glCompileShaderARB");
    Fetch(resolve, g.glGetObjectParameterivARB, "glGetObjectParameterivARB");
    Fetch(resolve, g.glAttachObjectARB, "glAttachObjectARB");
    Fetch(resolve, g.glGetInfoLogARB, "glGetInfoLogARB");
    Fetch(resolve, g.glLinkProgramARB, "glLinkProgramARB");
    Fetch(resolve, g.glUseProgramObjectARB, "glUseProgramObjectARB");
    Fetch(resolve, g.glGetUniformLocationARB, "glGetUniformLocationARB");
    Fetch(resolve, g.glUniform1fARB, "glUniform1fARB");
    Fetch(resolve, g.glUniform1iARB, "glUniform1iARB");
    Fetch(resolve, g.glGetAttribLocationARB, "glGetAttribLocationARB");
    Fetch(resolve, g.glVertexAttrib1fARB, "glVertexAttrib1fARB");
  }
  int major = 0, minor = 0;
  if (GlVersion(major, minor) && major >= 2) {
    Fetch(resolve, g.glCreateShader, "glCreateShader");
    Fetch(resolve, g.glShaderSource, "glShaderSource");
    Fetch(resolve, g.glCompileShader, "glCompileShader");
    Fetch(resolve, g.glGetShaderiv, "glGetShaderiv");
    Fetch(resolve, g.glGetShaderInfoLog, "glGetShaderInfoLog");
    Fetch(resolve, g.glCreateProgram, "glCreateProgram");
    Fetch(resolve, g.glAttachShader, "glAttachShader");
    Fetch(resolve, g.glDetachShader, "glDetachShader");
    Fetch(resolve, g.glLinkProgram, "glLinkProgram");
    Fetch(resolve, g.glGetProgramiv, "glGetProgramiv");
    Fetch(resolve, g.glGetProgramInfoLog, "glGetProgramInfoLog");
    Fetch(resolve, g.glUseProgram, "glUseProgram");
    Fetch(resolve, g.glGetUniformLocation, "glGetUniformLocation");
    Fetch(resolve, g.glUniform1f, "glUniform1f");
    Fetch(resolve, g.glUniform2f, "glUniform2f");
    Fetch(resolve, g.glUniform3f, "glUniform3f");
    Fetch(resolve, g.glUniform4f, "glUniform4f");
    Fetch(resolve, g.glUniform1i, "glUniform1i");
    Fetch(resolve, g.glUniform2i, "glUniform2i");
    Fetch(resolve, g.glUniform3i, "glUniform3i");
    Fetch(resolve, g.glUniform4i, "glUniform4i");
    Fetch(resolve, g.glUniform1fv, "glUniform1fv");
    Fetch(resolve, g.glUniform2fv, "glUniform2fv");
    Fetch(resolve, g.glUniform3fv, "glUniform3fv");
    Fetch(resolve, g.glUniform4fv, "glUniform4fv");
    Fetch(resolve, g.glUniform1iv, "glUniform1iv");
    Fetch(resolve, g.glUniformMatrix3fv, "glUniformMatrix3fv");
    Fetch(resolve, g.glUniformMatrix4fv, "glUniformMatrix4fv");
    Fetch(resolve, g.glGetAttribLocation, "glGetAttribLocation");
    Fetch(resolve, g.glBindAttribLocation, "glBindAttribLocation");
    Fetch(resolve, g.glVertexAttrib1f, "glVertexAttrib1f");
    Fetch(resolve, g.glVertexAttrib2f, "glVertexAttrib2f");
    Fetch(resolve, g.glVertexAttrib3f, "glVertexAttrib3f");
    Fetch(resolve, g.glVertexAttrib4f, "glVertexAttrib4f");
    Fetch(resolve, g.glVertexAttrib4fv, "glVertexAttrib4fv");
    Fetch(resolve, g.glVertexAttribPointer, "glVertexAttribPointer");
    Fetch(resolve, g.glEnableVertexAttribArray, "glEnableVertexAttribArray");
    Fetch(resolve, g.glDisableVertexAttribArray, "glDisableVertexAttribArray");
    Fetch(resolve, g.glDeleteShader, "glDeleteShader");
    Fetch(resolve, g.glDeleteProgram, "glDeleteProgram");
  }
}

bool GlVersion(int& major, int& minor) {
  major = minor = 0;
  // "major.minor[.release] [vendor text]", possibly after "OpenGL ES " on
  // embedded drivers; only the leading digits matter.
  const char* text = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (!text) return false;
  while (*text && (*text < '0' || *text > '9')) ++text;
  if (std::sscanf(text, "%d.%d", &major, &minor) != 2) {
    major = minor = 0;
    return false;
  }
  return true;
}

void LoadFramebufferEntryPoints(GlProcResolver resolve) {
  GlEntryPoints& g = Gl();
  Fetch(resolve, g.glBindRenderbufferEXT, "glBindRenderbufferEXT");
  Fetch(resolve, g.glDeleteRenderbuffersEXT, "glDeleteRenderbuffersEXT");
  Fetch(resolve, g.glGenRenderbuffersEXT, "glGenRenderbuffersEXT");
  Fetch(resolve, g.glRenderbufferStorageEXT, "glRenderbufferStorageEXT");
  Fetch(resolve, g.glBindFramebufferEXT, "glBindFramebufferEXT");
  Fetch(resolve, g.glDeleteFramebuffersEXT, "glDeleteFramebuffersEXT");
  Fetch(resolve, g.glGenFramebuffersEXT, "glGenFramebuffersEXT");
  Fetch(resolve, g.glCheckFramebufferStatusEXT, "glCheckFramebufferStatusEXT");
  Fetch(resolve, g.glFramebufferTexture2DEXT, "glFramebufferTexture2DEXT");
  Fetch(resolve, g.glFramebufferRenderbufferEXT, "glFramebufferRenderbufferEXT");
  Fetch(resolve, g.glGetFramebufferAttachmentParameterivEXT, "glGetFramebufferAttachmentParameterivEXT");
  Fetch(resolve, g.glBlitFramebufferEXT, "glBlitFramebufferEXT");
  if (!g.glBlitFramebufferEXT) Fetch(resolve, g.glBlitFramebufferEXT, "glBlitFramebuffer");
}

}  // namespace orv
