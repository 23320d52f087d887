#include "gfx2d/gl_extensions.h"

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
}

}  // namespace orv
