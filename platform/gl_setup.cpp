// The GL state and projection every platform's window starts with.
#include "platform/display_modes.h"
#include "platform/platform.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstring>

#ifndef GL_DEPTH_CLAMP
#define GL_DEPTH_CLAMP 0x864F
#endif

namespace {

bool HasDepthClamp() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
        (major > 3 || (major == 3 && minor >= 2)))
        return true;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions && std::strstr(extensions, "GL_ARB_depth_clamp");
}

}  // namespace

void SetProjection(int32_t width, int32_t height) {
    // The show draws into its 4:3 picture only; the frame's clear blackens the bars.
    PictureRect picture = FitPicture(width, height);
    if (picture.height == 0) picture.height = 1;
    glViewport(picture.x, picture.y, picture.width, picture.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(picture.width) / static_cast<double>(picture.height),
                   static_cast<double>(0.1f), 10000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void InitGlState(int32_t width, int32_t height) {
    glEnable(GL_TEXTURE_2D);
    glClearColor(0.2f, 0.2f, 0.2f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    // Every panel lies exactly on the near plane of its camera; without clamping,
    // rounding would clip some of them away.
    if (HasDepthClamp()) glEnable(GL_DEPTH_CLAMP);
    SetProjection(width, height);
}
