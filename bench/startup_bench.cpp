// The frames a player meets first, on the game's own window: the title
// screen's, the first of play and the one in which the first flame appears,
// each the longest of its kind, against the median frame of play. A driver
// that builds its drawing code on first use builds it once per process, so
// each run needs a process of its own: pick one with --benchmark_filter. The
// argument is how many title frames go before the game starts (125: two
// seconds; 1: a player who starts at once). Run on a display (make bench
// starts Xvfb).
#include "app/application.h"
#include "app/titlescreen.h"
#include "app/world.h"
#include "engine/scenenode.h"
#include "game/flame.h"
#include "game/playerant.h"

#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <unistd.h>
#include <vector>

namespace {

const int START_FRAMES = 30;
const int FLAME_FRAMES = 10;
const int PLAY_FRAMES = 120;

using Clock = std::chrono::steady_clock;

// One frame as the loop runs it, without events and sleep, to a finished
// picture; in milliseconds.
double frame() {
    const Clock::time_point start = Clock::now();
    const float dt = static_cast<float>(FRAME_PERIOD) * 0.001f;
    g_World->update(dt);
    g_TitleScreen->update(dt);
    g_World->m_Scene->getCamera()->setAspect(CAMERA_ASPECT);
    g_World->render();
    g_TitleScreen->render();
    SDL_GL_SwapBuffers();
    g_World->prepareNextPiece();
    glFinish();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double longest(int frames) {
    double worst = 0.0;
    for (int i = 0; i < frames; ++i)
        worst = std::max(worst, frame());
    return worst;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void startOfPlay(benchmark::State& state) {
    static bool s_Started = false;
    if (s_Started) {
        state.SkipWithError("one run per process: choose it with --benchmark_filter");
        return;
    }
    s_Started = true;
    if (chdir(FORMIK_BINARY_DIR) != 0 || !init()) {
        state.SkipWithError("no game window (is DISPLAY set and ./data generated?)");
        return;
    }
    for (auto _ : state) {
        state.counters["title_first_ms"] = frame();
        state.counters["title_ms"] = longest(static_cast<int>(state.range(0)) - 1);
        // As X on "One Player" does; the player ant lives for good.
        g_TitleScreen->m_Active = false;
        g_World->m_Playing = true;
        g_World->m_Player->m_InvulnerableTime = 1e9f;
        state.counters["start_ms"] = longest(START_FRAMES);
        // A flame grows from nothing: its first frames are the ones timed.
        const Kestrel::Vector3 ahead =
            g_World->m_Player->getPosition() + Kestrel::Vector3(0.0f, 0.5f, 2.0f);
        g_World->m_Scene->getParticleManager()->addParticle(
            new Flame(ahead, Kestrel::Vector3(0.0f, 0.0f, 1.0f)));
        state.counters["flame_ms"] = longest(FLAME_FRAMES);
        std::vector<double> play;
        for (int i = 0; i < PLAY_FRAMES; ++i)
            play.push_back(frame());
        state.counters["median_ms"] = median(play);
    }
    teardown();
}

} // namespace

BENCHMARK(startOfPlay)->Arg(125)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
