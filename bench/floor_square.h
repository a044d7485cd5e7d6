// The floor programs' picture: what the viewer shows, drawn with the least that GL can do.
// Requires: a current GL context, and on Windows <windows.h> included before this header.
// Does not: make a context current or swap buffers.
#pragma once

#include <GL/gl.h>

// Clears a `width` x `height` viewport black, then the centred light-green square (a fifth of
// the smaller side) by scissor.
inline void draw_floor_square(int width, int height)
{
    glViewport(0, 0, width, height);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    int side = static_cast<int>(0.2 * (width < height ? width : height) + 0.5);
    glEnable(GL_SCISSOR_TEST);
    glScissor((width - side) / 2, (height - side) / 2, side, side);
    glClearColor(128 / 255.0f, 1, 128 / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}
