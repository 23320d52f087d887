// OpenGL headers for the renderers: the 1.x API plus the extension types.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>
