// Whole frames of the real game as the loop runs them (update, camera aspect,
// drawing, buffer swap), on the game's own window, with 5, 10 and 20 ants on
// the field. Run on a display (make bench starts Xvfb); reports the median and
// the 99th percentile of the frame time and the window's multisampling. When
// the reference scene is built, the 10-ant run also reports the median of its
// 10 objects with 4x multisampling, measured right before and after the game
// on the same display, and the game's median over it. FORMIK_FRAME_SHOTS=dir
// saves each run's last frame there as dir/frame-<ants>.ppm. In the same run,
// kestrel-view's frame on the same window: its median over the game's 10-ant
// median is over_game.
#include "app/application.h"
#include "app/controller.h"
#include "app/sound.h"
#include "app/titlescreen.h"
#include "app/world.h"
#include "engine/scenenode.h"
#include "game/fireant.h"
#include "game/playerant.h"
#include "game/soldierant.h"
#include "game/zombieant.h"
#include "tools/view/viewer.h"

#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const int WARM_UP_FRAMES = 60;
const int MEASURED_FRAMES = 300;

// The game's 10-ant median of this run, for the viewer's comparison.
double g_GameMedianMs = -1.0;

bool startGame() {
    static bool s_Started = false;
    static bool s_Ready = false;
    if (s_Started)
        return s_Ready;
    s_Started = true;
    // A device that mixes in real time on any machine, as a sound card would,
    // unless the caller picked one.
    setenv("SDL_AUDIODRIVER", "disk", 0);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 0);
    if (chdir(FORMIK_BINARY_DIR) != 0 || !init())
        return false;
    openSound();
    g_TitleScreen->m_Active = false;
    g_World->m_Playing = true;
    s_Ready = true;
    return true;
}

// Replaces every enemy by count ants of the three kinds in the far half.
void setEnemies(int count) {
    Kestrel::SceneNode* enemies = g_World->m_EnemyNode;
    while (enemies->getChildCount() > 0)
        delete enemies->getChild(enemies->getChildCount() - 1);
    for (int i = 0; i < count; ++i) {
        Insect* ant;
        if (i % 3 == 0)
            ant = new SoldierAnt(g_RenderDevice);
        else if (i % 3 == 1)
            ant = new ZombieAnt(g_RenderDevice);
        else
            ant = new FireAnt(g_RenderDevice);
        ant->setPosition(1.0f + static_cast<float>((i * 7) % 14), 0.0f,
                         8.0f + static_cast<float>(i % 8));
        ant->setParent(enemies);
    }
}

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One frame as the loop runs it, timed in parts: the update (with the
// skinning, which happens in drawing, counted under draw), the drawing up to
// a finished picture, and the buffer swap (the copy to the X server).
struct FrameTimes {
    std::vector<double> total, update, draw, swap;
};

void frame(FrameTimes& times) {
    const Clock::time_point start = Clock::now();
    // The player lives for good and walks to and fro, so the camera moves.
    g_World->m_Player->m_InvulnerableTime = 1e9f;
    g_World->update(0.016f);
    g_World->m_Scene->getCamera()->setAspect(CAMERA_ASPECT);
    const double updated = millisecondsSince(start);
    g_World->render();
    g_TitleScreen->render();
    if (g_Sound)
        g_Sound->endFrame(true, false);
    glFinish();
    const double drawn = millisecondsSince(start);
    SDL_GL_SwapBuffers();
    glFinish();
    const double swapped = millisecondsSince(start);
    times.total.push_back(swapped);
    times.update.push_back(updated);
    times.draw.push_back(drawn - updated);
    times.swap.push_back(swapped - drawn);
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

// The frame's samples averaged, as the swap shows them: read straight from
// the window, the software rasterizer hands back only each pixel's first sample.
void readResolved(int width, int height, std::vector<unsigned char>& pixels) {
    GLint window = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &window);
    GLuint colour = 0, resolved = 0;
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glGenFramebuffers(1, &resolved);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(window));
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, resolved);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(window));
    glDeleteFramebuffers(1, &resolved);
    glDeleteRenderbuffers(1, &colour);
}

// The frame as drawn (before the swap), as a binary PPM, rows top first.
void saveFrame(const std::string& file) {
    const int width = 640, height = 480;
    std::vector<unsigned char> pixels(size_t(width) * height * 3);
    readResolved(width, height, pixels);
    FILE* out = fopen(file.c_str(), "wb");
    if (!out)
        return;
    fprintf(out, "P6\n%d %d\n255\n", width, height);
    for (int y = height - 1; y >= 0; --y)
        fwrite(&pixels[size_t(y) * width * 3], 1, size_t(width) * 3, out);
    fclose(out);
}

void saveShot(int ants) {
    const char* dir = getenv("FORMIK_FRAME_SHOTS");
    if (!dir)
        return;
    g_World->render();
    g_TitleScreen->render();
    saveFrame(std::string(dir) + "/frame-" + std::to_string(ants) + ".ppm");
}

#ifdef FORMIK_REFERENCE_SCENE
// The reference scene runs in the environment this program was started in,
// not with the settings the game makes for itself at start-up.
const bool g_ScalingChosenByUser = std::getenv("SDL12COMPAT_OPENGL_SCALING") != nullptr;
#endif

// The reference scene's median frame in milliseconds with 10 objects and 4x
// multisampling, or a negative number when it is not built or did not run.
double referenceMedian() {
#ifdef FORMIK_REFERENCE_SCENE
    const std::string command =
        std::string(g_ScalingChosenByUser ? "" : "env -u SDL12COMPAT_OPENGL_SCALING ") +
        "MS=4 '" FORMIK_REFERENCE_SCENE "' 10 2>/dev/null";
    FILE* scene = popen(command.c_str(), "r");
    if (!scene)
        return -1.0;
    char line[256];
    double median = -1.0;
    while (fgets(line, sizeof line, scene)) {
        const char* found = strstr(line, "median=");
        if (found)
            median = atof(found + 7);
    }
    return pclose(scene) == 0 ? median : -1.0;
#else
    return -1.0;
#endif
}

void runFrames(benchmark::State& state, int ants) {
    if (!startGame()) {
        state.SkipWithError("no game window (is DISPLAY set and ./data generated?)");
        return;
    }
    setEnemies(ants);
    FrameTimes times;
    for (int i = 0; i < WARM_UP_FRAMES; ++i)
        frame(times);
    // Only the plain runs (not the diagnoses) are compared and saved.
    const bool plainRun = state.range(0) == ants;
    const bool withReference = plainRun && ants == 10;
    const double referenceBefore = withReference ? referenceMedian() : -1.0;
    for (auto _ : state) {
        times = FrameTimes();
        for (int i = 0; i < MEASURED_FRAMES; ++i) {
            Controller& keys = g_World->m_Player->m_Controller;
            if (i % 60 == 0)
                ((i / 60) % 2 ? keys.m_PendingPressed : keys.m_PendingReleased) |= BUTTON_LEFT;
            frame(times);
        }
    }
    const double referenceAfter = withReference ? referenceMedian() : -1.0;
    if (plainRun)
        saveShot(ants);
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    state.counters["median_ms"] = percentile(times.total, 0.5);
    state.counters["p99_ms"] = percentile(times.total, 0.99);
    state.counters["update_ms"] = percentile(times.update, 0.5);
    state.counters["draw_ms"] = percentile(times.draw, 0.5);
    state.counters["swap_ms"] = percentile(times.swap, 0.5);
    state.counters["samples"] = samples;
    state.counters["ants"] = static_cast<double>(g_World->m_EnemyNode->getChildCount());
    if (plainRun && ants == 10)
        g_GameMedianMs = percentile(times.total, 0.5);
    if (referenceBefore > 0.0 && referenceAfter > 0.0) {
        const double reference = 0.5 * (referenceBefore + referenceAfter);
        state.counters["ref_median_ms"] = reference;
        state.counters["over_ref"] = percentile(times.total, 0.5) / reference;
    }
}

void BM_GameFrame(benchmark::State& state) {
    runFrames(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_GameFrame)->Arg(5)->Arg(10)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond);

// Where the time goes with 10 ants: 0 rasterises single-sampled (the buffer
// stays multisampled), 1 lets only a 160 x 120 rectangle be filled (the same
// triangles, a sixteenth of the pixels), 2 takes the grass out of the level
// for good (so it runs last).
void BM_GameFrameDiagnosis(benchmark::State& state) {
    if (state.range(0) == 0)
        glDisable(GL_MULTISAMPLE);
    if (state.range(0) == 1) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(240, 180, 160, 120);
    }
    if (state.range(0) == 2) {
        Kestrel::SceneNode* root = g_World->m_Scene->getRoot();
        root->getChild(root->getChildCount() - 1)->markForDeletion();
    }
    runFrames(state, 10);
    glEnable(GL_MULTISAMPLE);
    glDisable(GL_SCISSOR_TEST);
}
BENCHMARK(BM_GameFrameDiagnosis)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// What kestrel-view shows: from the game's data the largest mesh and an ant
// walking (skinned), then the largest skinned model of assimp's test set as
// kestrel-import writes it (imported into a scratch folder first).
struct ViewedModel {
    const char* folder;
    const char* mesh;
    const char* animation;
};
const std::string IMPORTED = "/tmp/kestrel-frame-bench/";
const ViewedModel VIEWED_MODELS[] = {
    {"data/", "title.kst", nullptr},
    {"data/", "ant.kst", "antwalk.ksta"},
    {IMPORTED.c_str(), "Testwuson.kst", "Testwuson_Wuson_Walk.ksta"}};

bool importTestwuson() {
    const std::string command = std::string(FORMIK_BINARY_DIR) +
                                "/tools/import/kestrel-import "
                                "/usr/share/assimp/models/X/Testwuson.X -o " +
                                IMPORTED + " --force >/dev/null";
    return std::system(command.c_str()) == 0;
}

void BM_ViewerFrame(benchmark::State& state) {
    if (!startGame()) {
        state.SkipWithError("no game window (is DISPLAY set and ./data generated?)");
        return;
    }
    const ViewedModel& model = VIEWED_MODELS[state.range(0)];
    if (state.range(0) == 2 && !importTestwuson()) {
        state.SkipWithError("kestrel-import could not import X/Testwuson.X (assimp-testmodels)");
        return;
    }
    view::Options options;
    options.mesh = model.folder + std::string(model.mesh);
    if (model.animation)
        options.animations.push_back(model.folder + std::string(model.animation));
    view::Viewer viewer(*g_RenderDevice, 640, 480);
    viewer.setFont(GAME_FONT_FILE);
    if (viewer.load(options) != view::STATUS_OK) {
        state.SkipWithError("the viewer cannot load its model");
        return;
    }
    // kestrel-view's own window is single-sampled (it reads frames back):
    // rasterise as it does, on the game's buffer.
    glDisable(GL_MULTISAMPLE);
    std::vector<double> times;
    for (auto _ : state) {
        for (int i = 0; i < WARM_UP_FRAMES + MEASURED_FRAMES; ++i) {
            const Clock::time_point start = Clock::now();
            viewer.update(0.016f);
            viewer.render(16.0f);
            SDL_GL_SwapBuffers();
            glFinish();
            if (i >= WARM_UP_FRAMES)
                times.push_back(millisecondsSince(start));
        }
    }
    glEnable(GL_MULTISAMPLE);
    state.SetLabel(model.mesh);
    state.counters["median_ms"] = percentile(times, 0.5);
    state.counters["p99_ms"] = percentile(times, 0.99);
    if (g_GameMedianMs > 0.0)
        state.counters["over_game"] = percentile(times, 0.5) / g_GameMedianMs;
}
BENCHMARK(BM_ViewerFrame)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same 10 ants with the sound closed (0) and open again (1), one after the
// other in one run: the mixer's thread and the events' voices should not show.
void BM_GameFrameSound(benchmark::State& state) {
    if (!startGame()) {
        state.SkipWithError("no game window (is DISPLAY set and ./data generated?)");
        return;
    }
    if (state.range(0) == 0)
        g_Sound->close();
    else
        g_Sound->open("./data/");
    state.counters["sound"] = g_Sound->isOpen() ? 1.0 : 0.0;
    runFrames(state, 10);
}
BENCHMARK(BM_GameFrameSound)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
