// An offscreen OpenGL ES 1 context for tests that draw and read pixels back.
#pragma once

// Makes a w x h pbuffer with a depth buffer current: Mesa's surfaceless platform when it offers
// one, else a private Xvfb. 1 on success.
int openOffscreenGl(int w, int h);
// Releases the context, the surface and any X server started for them.
void closeOffscreenGl();
