#include "game/touch_controls.h"

#include "assets/font.h"
#include "game/world.h"

#include <math.h>

// Grid units between a square and the window's edges, the score line or another square.
static const int gapUnits = 4;
// A convex polygon clipped by the four sides of a rectangle has at most this many corners.
static const int maxClippedCorners = 8;

struct Point2 {
    double at[2];  // x, y
};

struct Box {
    int x, y, width, height;
};

// The four corners of the player's half of the table in buffer pixels, seen from the camera at its
// turn-th angle through a projection of focal pixels at unit distance.
static void playersHalfOnScreen(int width, int height, double focal, int turn, Point2 corners[4])
{
    Vec3 eye;
    Mat4 view;
    cameraTurnView(turn, &eye, view);
    const TableGeometry &table = gameWorld.table;
    const float xs[4] = {-table.sideWallX, table.sideWallX, table.sideWallX, -table.sideWallX};
    const float zs[4] = {0, 0, table.goalLine, table.goalLine};
    for (int i = 0; i < 4; i++) {
        Vec3 seen = inView(view, eye, {xs[i], table.centre.y, zs[i]});
        double depth = -seen.z;
        corners[i] = {{width * 0.5 + seen.x / depth * focal, height * 0.5 - seen.y / depth * focal}};
    }
}

// The part of the polygon where sign * (coordinate axis - limit) >= 0; its corner count.
static int clipPolygon(const Point2 *in, int count, int axis, double limit, double sign, Point2 *out)
{
    int kept = 0;
    for (int i = 0; i < count; i++) {
        const Point2 &a = in[(i + count - 1) % count], &b = in[i];
        double da = sign * (a.at[axis] - limit), db = sign * (b.at[axis] - limit);
        if ((da >= 0) != (db >= 0)) {
            double t = da / (da - db);
            out[kept++] = {{a.at[0] + (b.at[0] - a.at[0]) * t, a.at[1] + (b.at[1] - a.at[1]) * t}};
        }
        if (db >= 0)
            out[kept++] = b;
    }
    return kept;
}

// The area of the convex quadrilateral that lies within the box.
static double areaWithin(const Point2 quad[4], const Box &box)
{
    Point2 a[maxClippedCorners], b[maxClippedCorners];
    int n = clipPolygon(quad, 4, 0, box.x, 1, a);
    n = clipPolygon(a, n, 0, box.x + box.width, -1, b);
    n = clipPolygon(b, n, 1, box.y, 1, a);
    n = clipPolygon(a, n, 1, box.y + box.height, -1, b);
    double twice = 0;
    for (int i = 0; i < n; i++) {
        const Point2 &p = b[(i + n - 1) % n], &q = b[i];
        twice += p.at[0] * q.at[1] - q.at[0] * p.at[1];
    }
    return fabs(twice) * 0.5;
}

// Whether the boxes come closer than gap to each other.
static bool crowds(const Box &a, const Box &b, int gap)
{
    return a.x < b.x + b.width + gap && b.x < a.x + a.width + gap && a.y < b.y + b.height + gap &&
           b.y < a.y + a.height + gap;
}

ControlLayout layoutControls(int width, int height, float contentScale, float fovY)
{
    ControlLayout layout;
    layout.unit = (int)ceil(contentScale * controlMinSide / controlGrid);
    layout.side = controlGrid * layout.unit;
    const int side = layout.side, gap = gapUnits * layout.unit;

    double focal = focalPixels(height, fovY);
    Point2 halves[cameraTurns][4];
    for (int i = 0; i < cameraTurns; i++)
        playersHalfOnScreen(width, height, focal, i, halves[i]);

    Box taken[1 + CONTROL_COUNT];
    int takenCount = 1;
    taken[0] = {0, 0, 0, 0};
    hudExtent(width, height, &taken[0].width, &taken[0].height);

    const int left = gap, right = width - gap - side, top = gap, bottom = height - gap - side;
    const struct {
        int count, controls[2], x[2];
        int homeY, stepY;
    } groups[] = {
        {2, {CONTROL_TURN_LEFT, CONTROL_TURN_RIGHT}, {left, right}, bottom, -gap},
        {2, {CONTROL_PAUSE, CONTROL_MUTE}, {right, right - gap - side}, top, gap},
        {1, {CONTROL_SERVE}, {(width - side) / 2}, bottom, -gap},
    };
    for (const auto &group : groups) {
        int bestY = group.homeY;
        double leastCovered = INFINITY;
        for (int y = group.homeY; y >= top && y <= bottom; y += group.stepY) {
            bool clear = true;
            double covered[cameraTurns] = {}, worst = 0;
            for (int i = 0; i < group.count; i++) {
                const Box box = {group.x[i], y, side, side};
                for (int t = 0; t < takenCount; t++)
                    clear = clear && !crowds(box, taken[t], gap);
                for (int a = 0; a < cameraTurns; a++)
                    covered[a] += areaWithin(halves[a], box);
            }
            for (double c : covered)
                worst = fmax(worst, c);
            if (clear && worst < leastCovered) {
                leastCovered = worst;
                bestY = y;
            }
        }
        for (int i = 0; i < group.count; i++) {
            layout.at[group.controls[i]] = {group.x[i], bestY};
            taken[takenCount++] = {group.x[i], bestY, side, side};
        }
    }
    return layout;
}

int controlAt(const ControlLayout &layout, const bool shown[CONTROL_COUNT], int x, int y)
{
    for (int c = 0; c < CONTROL_COUNT; c++) {
        const ControlSquare &s = layout.at[c];
        if (shown[c] && x >= s.x && x < s.x + layout.side && y >= s.y && y < s.y + layout.side)
            return c;
    }
    return CONTROL_COUNT;
}
