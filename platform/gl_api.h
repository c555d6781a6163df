// The GL header of the build: desktop GL, or WebGL 2's GLES 3 in the browser.
#pragma once

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#include <GL/gl.h>
#endif
