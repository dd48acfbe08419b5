#pragma once
// OpenGL 3.3 core entry points through the system headers (libOpenGL).
#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/glcorearb.h>
