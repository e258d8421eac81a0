#include "app/application.h"

#include "app/controller.h"
#include "app/sound.h"
#include "app/titlescreen.h"
#include "app/world.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "game/playerant.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

SDL_Surface* g_Screen = nullptr;
Kestrel::RenderDevice* g_RenderDevice = nullptr;
bool g_Paused = false;
TitleScreen* g_TitleScreen = nullptr;
World* g_World = nullptr;

namespace {

const char* const DATA_DIRECTORY = "./data/";
const int MULTISAMPLE_SAMPLES = 4;
const char* const PRELOADED_MESHES[] = {"ant.kst", "fireant.kst", "zombieant.kst"};

uint32_t buttonForKey(SDLKey key) {
    switch (key) {
    case SDLK_UP:
        return BUTTON_UP;
    case SDLK_DOWN:
        return BUTTON_DOWN;
    case SDLK_LEFT:
        return BUTTON_LEFT;
    case SDLK_RIGHT:
        return BUTTON_RIGHT;
    case SDLK_c:
        return BUTTON_C;
    case SDLK_x:
        return BUTTON_X;
    default:
        return 0;
    }
}

// False when the key ends the program.
bool handleKeyDown(SDLKey key, const EventTargets& targets) {
    if (key == SDLK_ESCAPE)
        return false;
    if (key == SDLK_F1 && targets.paused)
        *targets.paused = !*targets.paused;
    if (key == SDLK_m && targets.sound)
        targets.sound->toggleMute();
    const bool menuShown = targets.menuActive && *targets.menuActive;
    if ((key == SDLK_UP || key == SDLK_DOWN) && menuShown && targets.sound)
        targets.sound->play(SOUND_MENU_MOVE, CENTRE_GAIN);
    // The menu follows Up and Down even after the game has started.
    if (key == SDLK_UP && targets.menuSelection)
        *targets.menuSelection = true;
    if (key == SDLK_DOWN && targets.menuSelection)
        *targets.menuSelection = false;
    if (key == SDLK_x && menuShown && targets.menuSelection) {
        if (!*targets.menuSelection)
            return false;
        *targets.menuActive = false;
        if (targets.sound)
            targets.sound->play(SOUND_MENU_CONFIRM, CENTRE_GAIN);
        if (targets.playing)
            *targets.playing = true;
    }
    // The start key also reaches the player, whose first update then sees X pressed.
    if (targets.controller)
        targets.controller->m_PendingPressed |= buttonForKey(key);
    return true;
}

void handleKeyUp(SDLKey key, const EventTargets& targets) {
    if (targets.controller)
        targets.controller->m_PendingReleased |= buttonForKey(key);
}

// The program writes no files, but OpenGL drivers keep compiled shaders in a
// cache under the user's home unless told not to (Mesa, then NVIDIA's).
void keepDriverFromWritingFiles() {
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    setenv("__GL_SHADER_DISK_CACHE", "0", 1);
}

// SDL 1.2's layer over SDL 2 draws OpenGL into a target of its own and copies
// it to the window at every swap, so that it could scale the picture; the
// window keeps its size, so the game draws into the window itself. A user's
// own setting wins.
void drawIntoTheWindowItself() {
    setenv("SDL12COMPAT_OPENGL_SCALING", "0", 0);
}

// Mesa's software renderer builds machine code for every new drawing state
// and, without a cache, does so again in every process: its optimiser takes
// half the title's first frame (0.13 s) and about a tenth of a later frame's
// drawing. Starting sooner, and without a long frame at the first flame, is
// worth that. Other drivers ignore the setting; a user's own setting wins.
void buildDrawingCodeQuickly() {
    setenv("GALLIVM_PERF", "nopt", 0);
}

bool openWindow() {
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, MULTISAMPLE_SAMPLES);
    g_Screen = SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_BITS_PER_PIXEL, SDL_OPENGL);
    if (g_Screen) {
        SDL_WM_SetCaption(GAME_TITLE, nullptr);
        return true;
    }
    // Drivers without multisampling get a plain window, which keeps SDL's caption.
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
    g_Screen = SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_BITS_PER_PIXEL, SDL_OPENGL);
    return g_Screen != nullptr;
}

void setCameraAspect() {
    if (g_World && g_World->m_Scene)
        g_World->m_Scene->getCamera()->setAspect(CAMERA_ASPECT);
}

// The world (with its first player ant) before the title screen, then the ant
// meshes the world spawns, so that no spawn waits for a file (a missing one is
// named by the world).
void createGameStates() {
    createWorld();
    createTitleScreen();
    Kestrel::ResourceManager* resources = Kestrel::ResourceManager::getInstance();
    for (const char* file : PRELOADED_MESHES)
        resources->loadMesh(file, g_RenderDevice);
}

// The world updates before the title screen.
void updateGameStates(float dt) {
    if (g_World)
        g_World->update(dt);
    if (g_TitleScreen)
        g_TitleScreen->update(dt);
}

// The world renders before the title screen; each draws only while active.
void renderGameStates() {
    if (g_World)
        g_World->render();
    if (g_TitleScreen)
        g_TitleScreen->render();
}

class SdlPlatform : public LoopPlatform {
public:
    uint32_t getTicks() override { return SDL_GetTicks(); }
    void delay(uint32_t milliseconds) override { SDL_Delay(milliseconds); }
    void swapBuffers() override { SDL_GL_SwapBuffers(); }
};

} // namespace

void setFixedLight() {
    Kestrel::OpenGLRenderDevice::setLighting(true);
    Kestrel::OpenGLRenderDevice::setWhiteLight({-1.0f, 1.0f, -1.0f});
}

FrameTiming frameTiming(uint32_t elapsed) {
    if (elapsed < FRAME_PERIOD)
        return {FRAME_PERIOD - elapsed, 0};
    return {0, elapsed - FRAME_PERIOD};
}

float timeStep(uint32_t carry) {
    return float(std::min(carry + FRAME_PERIOD, MAX_TIME_STEP)) * 0.001f;
}

EventTargets currentEventTargets() {
    EventTargets targets;
    targets.paused = &g_Paused;
    targets.sound = g_Sound;
    if (g_World) {
        targets.playing = &g_World->m_Playing;
        if (g_World->m_Player)
            targets.controller = &g_World->m_Player->m_Controller;
    }
    if (g_TitleScreen) {
        targets.menuSelection = &g_TitleScreen->m_Selection;
        targets.menuActive = &g_TitleScreen->m_Active;
    }
    return targets;
}

bool handleEvent(const SDL_Event& event, const EventTargets& targets) {
    switch (event.type) {
    case SDL_QUIT:
        return false;
    case SDL_KEYDOWN:
        return handleKeyDown(event.key.keysym.sym, targets);
    case SDL_KEYUP:
        handleKeyUp(event.key.keysym.sym, targets);
        return true;
    default:
        return true;
    }
}

std::vector<SDL_Event> pollEvents() {
    std::vector<SDL_Event> events;
    SDL_Event event;
    while (SDL_PollEvent(&event))
        events.push_back(event);
    return events;
}

bool handleEvents(const std::vector<SDL_Event>& events) {
    const EventTargets targets = currentEventTargets();
    for (const SDL_Event& event : events) {
        if (!handleEvent(event, targets))
            return false;
    }
    return true;
}

bool runFrame(uint32_t start, const std::vector<SDL_Event>& events, uint32_t& carry,
              LoopPlatform& platform) {
    const float dt = timeStep(carry);
    if (!handleEvents(events))
        return false;
    if (!g_Paused)
        updateGameStates(dt);
    setCameraAspect();
    renderGameStates();
    if (g_Sound)
        g_Sound->endFrame(g_World && g_World->m_Playing, g_Paused);
    platform.swapBuffers();
    // The picture is out, so the first title frame waits for none of this,
    // and the next frame clears what it draws.
    if (g_World)
        g_World->prepareNextPiece();
    const FrameTiming timing = frameTiming(platform.getTicks() - start);
    if (timing.delay > 0)
        platform.delay(timing.delay);
    carry = timing.carry;
    return true;
}

bool init() {
    // Started elsewhere, the game would open a black window and name every file.
    if (!std::filesystem::is_directory(DATA_DIRECTORY)) {
        std::fprintf(stderr,
                     "%s: no data directory '%s' here; start the game where its data lies "
                     "(make run does)\n",
                     GAME_TITLE, DATA_DIRECTORY);
        return false;
    }
    keepDriverFromWritingFiles();
    drawIntoTheWindowItself();
    buildDrawingCodeQuickly();
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || !openWindow()) {
        std::fprintf(stderr, "%s: cannot open the window: %s\n", GAME_TITLE, SDL_GetError());
        SDL_Quit();
        return false;
    }
    glewInit();
    g_RenderDevice = new Kestrel::OpenGLRenderDevice();
    setFixedLight();
    Kestrel::ResourceManager::getInstance()->addSearchPath(DATA_DIRECTORY);
    createGameStates();
    g_Sound = new Sound();
    return true;
}

void openSound() {
    if (g_Sound)
        g_Sound->open(DATA_DIRECTORY);
}

void runMainLoop() {
    SdlPlatform platform;
    uint32_t carry = 0;
    for (bool first = true;; first = false) {
        const uint32_t start = platform.getTicks();
        if (!runFrame(start, pollEvents(), carry, platform))
            return;
        // Nothing sounds before a key, and finding a device can take a tenth
        // of a second: the title is on screen first.
        if (first)
            openSound();
    }
}

void teardown() {
    delete g_Sound;
    g_Sound = nullptr;
    delete g_World;
    g_World = nullptr;
    delete g_TitleScreen;
    g_TitleScreen = nullptr;
    // Cached textures, shaders and lists hold OpenGL objects: free them while the
    // context exists rather than from the cache's static destructor after SDL_Quit.
    Kestrel::ResourceManager::getInstance()->clear();
    delete g_RenderDevice;
    g_RenderDevice = nullptr;
    SDL_Quit();
}
