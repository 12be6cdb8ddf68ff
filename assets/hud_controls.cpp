// The on-screen controls: a frame and a symbol of plain shapes each, on a grid of whole pixels.
#include "assets/hud_controls.h"

#include "game/input.h"

#include <GLES/gl.h>

// The most triangles one control is drawn with.
static const int maxTriangles = 32;
// Grid units across a control's frame, and across a pressed control's.
static const int frameUnits = 1, pressedFrameUnits = 2;

// The control being drawn: its triangles' corners in 16.16 buffer pixels, x and y each.
static GLfixed corners[maxTriangles * 3 * 2];
static int triangleCount;
// Where the control's grid lies: its lower-left corner in buffer pixels from the window's lower left.
static struct {
    int left, bottom, unit;
    bool mirrored;  // the grid's x runs leftwards
} grid;

// One triangle of grid points, wound counter-clockwise so that culling keeps it.
static void addTriangle(int x0, int y0, int x1, int y1, int x2, int y2)
{
    if (triangleCount == maxTriangles)
        return;
    const int xs[3] = {x0, x1, x2}, ys[3] = {y0, y1, y2};
    int px[3], py[3];
    for (int i = 0; i < 3; i++) {
        px[i] = grid.left + (grid.mirrored ? controlGrid - xs[i] : xs[i]) * grid.unit;
        py[i] = grid.bottom + ys[i] * grid.unit;
    }
    bool clockwise = (px[1] - px[0]) * (py[2] - py[0]) < (py[1] - py[0]) * (px[2] - px[0]);
    const int order[3] = {0, clockwise ? 2 : 1, clockwise ? 1 : 2};
    GLfixed *out = corners + triangleCount * 6;
    for (int i = 0; i < 3; i++) {
        out[2 * i] = px[order[i]] * 65536;
        out[2 * i + 1] = py[order[i]] * 65536;
    }
    triangleCount++;
}

// A convex quadrilateral, corners in turn.
static void addQuad(int x0, int y0, int x1, int y1, int x2, int y2, int x3, int y3)
{
    addTriangle(x0, y0, x1, y1, x2, y2);
    addTriangle(x0, y0, x2, y2, x3, y3);
}

static void addRect(int left, int bottom, int right, int top)
{
    addQuad(left, bottom, right, bottom, right, top, left, top);
}

// The square's outline, thickness units wide.
static void addFrame(int thickness)
{
    const int inner = controlGrid - thickness;
    addRect(0, 0, controlGrid, thickness);
    addRect(0, inner, controlGrid, controlGrid);
    addRect(0, thickness, thickness, inner);
    addRect(inner, thickness, controlGrid, inner);
}

// The whole square lit but a play triangle: the resume control, plain to see while paused.
static void addResumeTile()
{
    const int g = controlGrid;
    addRect(0, 0, 8, g);
    addTriangle(8, g, 8, 19, g, g);
    addTriangle(8, 19, 19, 12, g, g);
    addTriangle(19, 12, g, 0, g, g);
    addTriangle(8, 0, g, 0, 8, 5);
    addTriangle(8, 5, g, 0, 19, 12);
}

// A loudspeaker with sound waves, or crossed out while muted; the pieces never overlap, since an
// overlap would add the colour twice.
static void addSpeaker(bool muted)
{
    addRect(4, 9, 8, 15);
    addQuad(8, 9, 13, 4, 13, 20, 8, 15);
    if (!muted) {
        addRect(15, 10, 17, 14);
        addRect(19, 7, 21, 17);
        return;
    }
    addQuad(14, 9, 15, 8, 21, 14, 20, 15);
    addQuad(14, 15, 17, 12, 18, 13, 15, 16);
    addQuad(18, 11, 20, 9, 21, 10, 19, 12);
}

// The control's look: a frame around its symbol, or the resume tile.
static void addControl(int control, bool pressed)
{
    if (control == CONTROL_PAUSE && gamePaused) {
        addResumeTile();
        return;
    }
    addFrame(pressed ? pressedFrameUnits : frameUnits);
    switch (control) {
    case CONTROL_TURN_LEFT:
    case CONTROL_TURN_RIGHT:  // the same arrow, mirrored
        addTriangle(4, 12, 11, 19, 11, 5);
        addRect(11, 10, 20, 14);
        break;
    case CONTROL_SERVE:  // down, as the key that serves
        addTriangle(12, 4, 19, 11, 5, 11);
        addRect(10, 11, 14, 20);
        break;
    case CONTROL_PAUSE:
        addRect(7, 6, 10, 18);
        addRect(14, 6, 17, 18);
        break;
    case CONTROL_MUTE:
        addSpeaker(soundMuted);
        break;
    }
}

void drawTouchControls(const ControlLayout &layout)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2], height = viewport[3];
    // One unit a buffer pixel, so that every corner lies on a pixel's edge.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthox(0, width * 65536, 0, height * 65536, -65536, 65536);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // Untextured under the scene's light, as a fully lit texel of the score line.
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glVertexPointer(2, GL_FIXED, 0, corners);
    for (int c = 0; c < CONTROL_COUNT; c++) {
        if (!controlShown(c))
            continue;
        const ControlSquare &square = layout.at[c];
        triangleCount = 0;
        grid = {square.x, height - square.y - layout.side, layout.unit, c == CONTROL_TURN_RIGHT};
        addControl(c, c == pressedControl);
        glDrawArrays(GL_TRIANGLES, 0, triangleCount * 3);
    }
    glDisable(GL_BLEND);
    glDisableClientState(GL_VERTEX_ARRAY);
}
