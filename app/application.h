// The spine of the program: the globals that connect the game states, start-up,
// the event pump, the fixed 16 ms frame loop and the teardown. The entry module
// owns the render device and the two game states; everything runs on the thread
// that called main. Times are in milliseconds unless a name says seconds.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

namespace Kestrel {
class RenderDevice;
}

class Controller;
class Sound;
class TitleScreen;
class World;

extern SDL_Surface* g_Screen;
extern Kestrel::RenderDevice* g_RenderDevice;
extern bool g_Paused;
extern TitleScreen* g_TitleScreen;
extern World* g_World;

const char* const GAME_TITLE = "Formik";
const int WINDOW_WIDTH = 640;
const int WINDOW_HEIGHT = 480;
const int WINDOW_BITS_PER_PIXEL = 32;
const uint32_t FRAME_PERIOD = 16;
// The longest time step, in ms. The world camera closes 3 dt of its way to the
// player each frame: beyond 1/3 s it passes the player and swings back, beyond
// 2/3 s each swing would grow and it would run away. Well below that, every
// frame of a sanitizer build or a loaded machine keeps its whole overrun; only
// stalls lose the rest, so that game time then falls behind wall time.
const uint32_t MAX_TIME_STEP = 600;
const float CAMERA_ASPECT = 1.3333334f;

// The one white directional light of the whole run, from (-1, 1, -1). Its
// direction is taken in eye space: call it while the model-view matrix is the
// identity (start-up does; the preview and tests that draw the data do too).
void setFixedLight();

// What the loop does after a frame that took a given time: sleep the rest of
// the period, or carry the overrun into the next time step.
struct FrameTiming {
    uint32_t delay;
    uint32_t carry;
};
FrameTiming frameTiming(uint32_t elapsed);
// Seconds handed to the updates of the frame after one that overran by carry,
// at most MAX_TIME_STEP.
float timeStep(uint32_t carry);

// What one input event may change. Null parts do not exist yet and are skipped.
struct EventTargets {
    bool* paused = nullptr;
    Controller* controller = nullptr; // the current player ant's latch
    bool* menuSelection = nullptr;    // the title screen's: true "One Player", false "Exit"
    bool* menuActive = nullptr;       // the title screen's
    bool* playing = nullptr;          // the world's
    Sound* sound = nullptr;           // menu sounds and the mute key
};
// The targets the globals currently offer.
EventTargets currentEventTargets();
// Applies one event; false means quit now.
bool handleEvent(const SDL_Event& event, const EventTargets& targets);
// Drains SDL's queue.
std::vector<SDL_Event> pollEvents();
// Applies events in order to the current targets; false means quit now (the
// events after the quitting one are dropped).
bool handleEvents(const std::vector<SDL_Event>& events);

// What the frame loop takes from outside the game: the time in ms, the sleep
// and the buffer swap. The game uses SDL's; tests drive their own.
class LoopPlatform {
public:
    virtual ~LoopPlatform() = default;
    virtual uint32_t getTicks() = 0;
    virtual void delay(uint32_t milliseconds) = 0;
    virtual void swapBuffers() = 0;
};

// One frame begun at start (the platform's ticks) after one that overran by
// carry: the events, the updates unless paused, the renders and the swap, then
// the sleep to the end of the period. False, with nothing more done, when an
// event quits; otherwise carry becomes this frame's overrun.
bool runFrame(uint32_t start, const std::vector<SDL_Event>& events, uint32_t& carry,
              LoopPlatform& platform);

// Window, GLEW, render device, light and search path; false after a failure,
// with SDL already shut down.
bool init();
// Opens g_Sound's device and loads its sounds (silent without a device).
void openSound();
// Runs frames until the user quits; the sound opens after the first.
void runMainLoop();
// Destroys the game states, the cached resources and the device while the
// OpenGL context still exists, then shuts SDL down.
void teardown();
