// The fixed GL state and the drawing of the scene's objects in world coordinates.
#pragma once

#include <stdint.h>

// How finely the round shapes are cut for the window they are drawn in.
struct MeshDetail {
    int16_t puckSlices, malletSlices;  // the tubes' sides and caps alike
    int32_t knobSlices, knobStacks;
};

// The puck's and the mallets' tubes stand this high; a knob's radius is this share of its mallet's.
constexpr float tubeHeight = 0.5f;
constexpr double knobShare = 0.5;

// The handset's cuts until the first window size is known.
extern MeshDetail meshDetail;

// Cuts the round shapes so finely that no silhouette strays more than half a pixel from a true
// circle, at the largest size each can take on screen in a window height pixels tall drawn with the
// vertical field of view fovY, wherever it can go and however the camera turns; never coarser than
// the handset's. The cuts change only with fovY and height, so the mesh caches keep them.
void fitMeshDetail(float fovY, int height);
// Fixed GL state, lights and materials; needs a current context.
void setupScene();
// Side walls, the four end-wall segments around the goal mouths, and the body below them.
void drawTable();
// The puck: a capped tube standing on its position.
void drawPuck();
// The user's mallet, then the computer's; the latter's colour stays set for the floor.
void drawMallets();
// The textured floor ten units below the table, lit with whatever diffuse colour was set last.
void drawFloor();
