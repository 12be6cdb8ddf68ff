// Micro-benchmarks of one frame's game work: a tick in play, and the puck and mallet meshes that
// every frame rebuilds because the two radii take turns in the single-slot caches.
#include "app/app.h"
#include "game/world.h"
#include "render/mesh.h"
#include "render/scene.h"
#include "support/offscreen_gl.h"

#include <GLES/gl.h>
#include <benchmark/benchmark.h>

// A served puck with the table's constants set, as after start-up; GL is not needed for the rules.
static void servePuck()
{
    setTableConstants();
    updateCamera();
    serve();
}

// One onIdle in play, as the timer runs it, without a window behind the redraw request.
static void tickInPlay(benchmark::State &state)
{
    servePuck();
    UgWin win{};
    for (auto _ : state) {
        onIdle(&win);
        // A goal would stop the rules from running; serve again so every tick is one in play.
        if (gameWorld.goalState != 0)
            serve();
        benchmark::DoNotOptimize(gameWorld.puck.position);
    }
}
BENCHMARK(tickInPlay);

// The rebuilds alone: side and cap of the puck (radius 1), then of a mallet (radius 1.2).
static void meshRebuildsPerFrame(benchmark::State &state)
{
    // One strip of 8 slices: 9 x 2 vertices of 3 floats.
    static float vertices[54], normals[54];
    for (auto _ : state) {
        buildCylinder(1.0f, 0.5f, 1, 8, vertices, normals);
        buildDisk(0, 1.0f, 1, 8, vertices);
        buildCylinder(1.2f, 0.5f, 1, 8, vertices, normals);
        buildDisk(0, 1.2f, 1, 8, vertices);
        benchmark::DoNotOptimize(vertices);
        benchmark::DoNotOptimize(normals);
    }
}
BENCHMARK(meshRebuildsPerFrame);

// What a frame pays for puck and mallets through the caches: rebuilds, frees and GL submission,
// on a tiny offscreen surface so that rasterising stays out of the figure.
static void puckAndMalletDraws(benchmark::State &state)
{
    if (!openOffscreenGl(16, 16)) {
        state.SkipWithError("no offscreen OpenGL ES 1 context");
        return;
    }
    servePuck();
    setupScene();
    int frames = 0;
    for (auto _ : state) {
        drawPuck();
        drawMallets();
        // Hand the queued draws over now and then, as every presented frame does.
        if (++frames % 64 == 0)
            glFlush();
    }
    glFinish();
    closeOffscreenGl();
}
BENCHMARK(puckAndMalletDraws);
