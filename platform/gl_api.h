// The GL header of the build: desktop GL, or WebGL's GLES in the browser.
#pragma once

#ifdef __EMSCRIPTEN__
#include <GLES2/gl2.h>
#else
#include <GL/gl.h>
#endif
