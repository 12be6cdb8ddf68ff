// An offscreen OpenGL ES 1 context for tests that draw and read pixels back.
#pragma once

// Makes a w x h pbuffer with a depth buffer current on Mesa's surfaceless platform; 1 on success.
int openOffscreenGl(int w, int h);
// Releases the context and the surface.
void closeOffscreenGl();
