// One game tick in play, as the timer runs it, without a window behind the redraw request.
#include "app/app.h"
#include "game/world.h"

#include <benchmark/benchmark.h>

// A served puck with the table's constants set, as after start-up; GL is not needed for the rules.
static void servePuck()
{
    setTableConstants();
    updateCamera();
    serve();
}

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
