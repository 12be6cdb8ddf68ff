// The one game record: table, puck, mallets, scores and camera.
#pragma once

#include "render/vecmath.h"
#include <stdint.h>

struct TableGeometry {
    Vec3 centre;
    float width, sideWallX, length, goalLine, wallThickness, goalHalfWidth;
    float puckMinX, puckMaxX, puckMinZ, puckMaxZ;
    float endWallLength, endWallX, endWallZ;
};

struct Puck {
    Vec3 position;
    float vx, vz;
    float speed;
    float radius;
};

struct Mallet {
    Vec3 position;
    float radius;
    float minX, minZ, maxX, maxZ;  // the user's mallet area; unused on the computer's
};

struct Camera {
    float fovY;      // degrees, vertical, in a window wide enough for the whole table
    float distance;
    float angleDeg;
    Vec3 eye, right, up;
};

struct GameWorld {
    TableGeometry table;
    Puck puck;
    Mallet userMallet, cpuMallet;
    int32_t userScore, cpuScore;
    int32_t goalState;  // 0 in play, 1 after a user goal, -1 after a computer goal
    Camera camera;
};

extern GameWorld gameWorld;
// The serves so far: a change tells a serve has just happened.
extern int32_t serveCount;

// Sets the constants, the camera, the GL state, the textures and the font once; 0 when the floor
// texture could not be made (after telling the player), 1 otherwise.
int initGame();
// Puts a fresh puck in play and both mallets at their start; the scores stay.
void serve();
// A random number in 0..32767, the range the game's odds are made for.
int randomNumber();
// Fixed table dimensions, wall limits and puck and mallet sizes.
void setTableConstants();
// Places the eye on its circle for the current angle and derives the basis taps are mapped with.
void updateCamera();
// The eye and the view's rotation for the turn-th of the cameraTurns angles the camera can take.
void cameraTurnView(int turn, Vec3 *eye, Mat4 view);
// The vertical field of view, in degrees, of a window of that size: the camera's own where the
// whole table fits across at every turn, wider where the window is too narrow for it.
float fovYForWindow(int width, int height);

// 3.1416 / 180: the game's own degree, kept for its exact numbers.
constexpr double degToRad = 0.017453333333333335;
// The camera turns by cameraTurnStep degrees at a time, from its start at twice that, to at most
// cameraTurnLimit either way: cameraTurns angles in all.
constexpr float cameraTurnStep = 5, cameraTurnLimit = 20;
constexpr int cameraTurns = (int)(2 * cameraTurnLimit / cameraTurnStep) + 1;
