#include "gl/gl_extensions.h"

#include <cstdio>
#include <cstring>

#include "platform/video.h"

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
void Fetch(F& pointer, const char* name) {
  pointer = reinterpret_cast<F>(platform::GetProcAddress(name));
}
}  // namespace

void LoadExtensionEntryPoints() {
  GlEntryPoints& g = Gl();
  g = GlEntryPoints{};
  RtString ext = GlExtensionString();
  if (std::strstr(ext.CStr(), "GL_ARB_multitexture")) {
    Fetch(g.glActiveTextureARB, "glActiveTextureARB");
    Fetch(g.glMultiTexCoord2fARB, "glMultiTexCoord2fARB");
    Fetch(g.glClientActiveTextureARB, "glClientActiveTextureARB");
    Fetch(g.glGenBuffersARB, "glGenBuffersARB");
    Fetch(g.glBindBufferARB, "glBindBufferARB");
    Fetch(g.glBufferDataARB, "glBufferDataARB");
    Fetch(g.glDeleteBuffersARB, "glDeleteBuffersARB");
    Fetch(g.glMapBufferARB, "glMapBufferARB");
    Fetch(g.glUnmapBufferARB, "glUnmapBufferARB");
    Fetch(g.glGetBufferParameterivARB, "glGetBufferParameterivARB");
  }
  if (std::strstr(ext.CStr(), "GL_ARB_fragment_program")) {
    Fetch(g.glCreateProgramObjectARB, "glCreateProgramObjectARB");
    Fetch(g.glDeleteObjectARB, "glDeleteObjectARB");
    Fetch(g.glCreateShaderObjectARB, "glCreateShaderObjectARB");
    Fetch(g.glShaderSourceARB, "glShaderSourceARB");
    Fetch(g.glCompileShaderARB, "glCompileShaderARB");
    Fetch(g.glGetObjectParameterivARB, "glGetObjectParameterivARB");
    Fetch(g.glAttachObjectARB, "glAttachObjectARB");
    Fetch(g.glGetInfoLogARB, "glGetInfoLogARB");
    Fetch(g.glLinkProgramARB, "glLinkProgramARB");
    Fetch(g.glUseProgramObjectARB, "glUseProgramObjectARB");
    Fetch(g.glGetUniformLocationARB, "glGetUniformLocationARB");
    Fetch(g.glUniform1fARB, "glUniform1fARB");
    Fetch(g.glUniform1iARB, "glUniform1iARB");
    Fetch(g.glGetAttribLocationARB, "glGetAttribLocationARB");
    Fetch(g.glVertexAttrib1fARB, "glVertexAttrib1fARB");
  }
  int major = 0, minor = 0;
  if (GlVersion(major, minor) && major >= 2) {
    Fetch(g.glCreateShader, "glCreateShader");
    Fetch(g.glShaderSource, "glShaderSource");
    Fetch(g.glCompileShader, "glCompileShader");
    Fetch(g.glGetShaderiv, "glGetShaderiv");
    Fetch(g.glGetShaderInfoLog, "glGetShaderInfoLog");
    Fetch(g.glCreateProgram, "glCreateProgram");
    Fetch(g.glAttachShader, "glAttachShader");
    Fetch(g.glDetachShader, "glDetachShader");
    Fetch(g.glLinkProgram, "glLinkProgram");
    Fetch(g.glGetProgramiv, "glGetProgramiv");
    Fetch(g.glGetProgramInfoLog, "glGetProgramInfoLog");
    Fetch(g.glUseProgram, "glUseProgram");
    Fetch(g.glGetUniformLocation, "glGetUniformLocation");
    Fetch(g.glUniform1f, "glUniform1f");
    Fetch(g.glUniform2f, "glUniform2f");
    Fetch(g.glUniform3f, "glUniform3f");
    Fetch(g.glUniform4f, "glUniform4f");
    Fetch(g.glUniform1i, "glUniform1i");
    Fetch(g.glUniform2i, "glUniform2i");
    Fetch(g.glUniform3i, "glUniform3i");
    Fetch(g.glUniform4i, "glUniform4i");
    Fetch(g.glUniform1fv, "glUniform1fv");
    Fetch(g.glUniform2fv, "glUniform2fv");
    Fetch(g.glUniform3fv, "glUniform3fv");
    Fetch(g.glUniform4fv, "glUniform4fv");
    Fetch(g.glUniform1iv, "glUniform1iv");
    Fetch(g.glUniformMatrix3fv, "glUniformMatrix3fv");
    Fetch(g.glUniformMatrix4fv, "glUniformMatrix4fv");
    Fetch(g.glGetAttribLocation, "glGetAttribLocation");
    Fetch(g.glBindAttribLocation, "glBindAttribLocation");
    Fetch(g.glVertexAttrib1f, "glVertexAttrib1f");
    Fetch(g.glVertexAttrib2f, "glVertexAttrib2f");
    Fetch(g.glVertexAttrib3f, "glVertexAttrib3f");
    Fetch(g.glVertexAttrib4f, "glVertexAttrib4f");
    Fetch(g.glVertexAttrib4fv, "glVertexAttrib4fv");
    Fetch(g.glVertexAttribPointer, "glVertexAttribPointer");
    Fetch(g.glEnableVertexAttribArray, "glEnableVertexAttribArray");
    Fetch(g.glDisableVertexAttribArray, "glDisableVertexAttribArray");
    Fetch(g.glDeleteShader, "glDeleteShader");
    Fetch(g.glDeleteProgram, "glDeleteProgram");
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

void LoadFramebufferEntryPoints() {
  GlEntryPoints& g = Gl();
  Fetch(g.glBindRenderbufferEXT, "glBindRenderbufferEXT");
  Fetch(g.glDeleteRenderbuffersEXT, "glDeleteRenderbuffersEXT");
  Fetch(g.glGenRenderbuffersEXT, "glGenRenderbuffersEXT");
  Fetch(g.glRenderbufferStorageEXT, "glRenderbufferStorageEXT");
  Fetch(g.glBindFramebufferEXT, "glBindFramebufferEXT");
  Fetch(g.glDeleteFramebuffersEXT, "glDeleteFramebuffersEXT");
  Fetch(g.glGenFramebuffersEXT, "glGenFramebuffersEXT");
  Fetch(g.glCheckFramebufferStatusEXT, "glCheckFramebufferStatusEXT");
  Fetch(g.glFramebufferTexture2DEXT, "glFramebufferTexture2DEXT");
  Fetch(g.glFramebufferRenderbufferEXT, "glFramebufferRenderbufferEXT");
  Fetch(g.glGetFramebufferAttachmentParameterivEXT, "glGetFramebufferAttachmentParameterivEXT");
  Fetch(g.glBlitFramebufferEXT, "glBlitFramebufferEXT");
  if (!g.glBlitFramebufferEXT) Fetch(g.glBlitFramebufferEXT, "glBlitFramebuffer");
}

}  // namespace orv
