// kestrel-view MESH.kst [ANIMATION.ksta ...] [--shot FILE.png --at SECONDS]:
// shows a mesh with its animations in a window, or renders one frame into a PNG.
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "tools/view/viewer.h"
#include "tools/view/window.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

const int WIDTH = 640, HEIGHT = 480;
const int FRAME_PERIOD_MS = 16;
const float WHEEL_STEP = 1.0f;
const char* const FONT_NAME = "kestrel-view.ttf";

const char* const USAGE =
    "usage: kestrel-view MESH.kst [ANIMATION.ksta ...] [--turn DEGREES]\n"
    "                    [--shot FILE.png [--at SECONDS]]\n"
    "  --turn: start the view turned about y (180 for models that face +z)\n"
    "  arrows or mouse drag: orbit    wheel or +/-: zoom    F: frame the model again\n"
    "  Space: pause    Tab or 1-9: next or chosen animation    M: mirrored\n"
    "  B: skeleton    Escape: quit\n"
    "exit status: 0 fine, 1 wrong arguments, 2 a file that cannot be shown,\n"
    "  3 no window or the picture could not be written\n";

// The font installed beside the program (share/kestrel/ under its prefix), else
// the system's copy the build was made with.
std::string findFont(const char* argv0) {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::canonical("/proc/self/exe", error);
    const std::filesystem::path base = error ? std::filesystem::path(argv0) : program;
    const std::filesystem::path installed =
        base.parent_path().parent_path() / "share" / "kestrel" / FONT_NAME;
    if (std::filesystem::exists(installed, error))
        return installed.string();
    return KESTREL_VIEW_SYSTEM_FONT;
}

bool handleKey(view::Viewer& viewer, SDLKey key) {
    using view::Command;
    static const std::pair<SDLKey, Command> COMMANDS[] = {
        {SDLK_LEFT, Command::OrbitLeft},    {SDLK_RIGHT, Command::OrbitRight},
        {SDLK_UP, Command::OrbitUp},        {SDLK_DOWN, Command::OrbitDown},
        {SDLK_PLUS, Command::ZoomIn},       {SDLK_EQUALS, Command::ZoomIn},
        {SDLK_KP_PLUS, Command::ZoomIn},    {SDLK_MINUS, Command::ZoomOut},
        {SDLK_KP_MINUS, Command::ZoomOut},  {SDLK_SPACE, Command::Pause},
        {SDLK_TAB, Command::NextAnimation}, {SDLK_m, Command::Mirror},
        {SDLK_b, Command::Skeleton},        {SDLK_f, Command::Frame},
    };
    if (key == SDLK_ESCAPE)
        return false;
    for (const auto& [bound, command] : COMMANDS)
        if (key == bound)
            viewer.command(command);
    if (key >= SDLK_1 && key <= SDLK_9)
        viewer.selectAnimation(unsigned(key - SDLK_1));
    return true;
}

// False when the user quits.
bool handleEvents(view::Viewer& viewer) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            return false;
        case SDL_KEYDOWN:
            if (!handleKey(viewer, event.key.keysym.sym))
                return false;
            break;
        case SDL_MOUSEMOTION:
            if (event.motion.state & SDL_BUTTON(SDL_BUTTON_LEFT))
                viewer.drag(event.motion.xrel, event.motion.yrel);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_WHEELUP)
                viewer.zoom(WHEEL_STEP);
            else if (event.button.button == SDL_BUTTON_WHEELDOWN)
                viewer.zoom(-WHEEL_STEP);
            break;
        }
    }
    return true;
}

void runLoop(view::Viewer& viewer) {
    using Clock = std::chrono::steady_clock;
    SDL_EnableKeyRepeat(SDL_DEFAULT_REPEAT_DELAY, SDL_DEFAULT_REPEAT_INTERVAL);
    float frameMs = 0.0f;
    Clock::time_point last = Clock::now();
    while (handleEvents(viewer)) {
        const Clock::time_point start = Clock::now();
        viewer.update(std::chrono::duration<float>(start - last).count());
        last = start;
        viewer.render(frameMs);
        SDL_GL_SwapBuffers();
        frameMs = std::chrono::duration<float, std::milli>(Clock::now() - start).count();
        if (frameMs < FRAME_PERIOD_MS)
            SDL_Delay(Uint32(FRAME_PERIOD_MS - frameMs));
    }
}

// Everything that holds OpenGL objects goes before the window closes.
int run(const view::Options& options, const std::string& font) {
    Kestrel::OpenGLRenderDevice device;
    // The game's light for its ants, from the upper left behind the viewer.
    Kestrel::OpenGLRenderDevice::setWhiteLight({-1.0f, 1.0f, -1.0f});
    int status = view::STATUS_OK;
    {
        view::Viewer viewer(device, WIDTH, HEIGHT);
        viewer.setFont(font);
        status = viewer.load(options);
        if (status == view::STATUS_OK && !options.shot.empty()) {
            viewer.seek(options.shotTime);
            viewer.render(0.0f);
            if (!view::saveFrame(WIDTH, HEIGHT, options.shot))
                status = view::STATUS_NO_OUTPUT;
        } else if (status == view::STATUS_OK) {
            runLoop(viewer);
        }
    }
    Kestrel::ResourceManager::getInstance()->clear();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    for (const std::string& argument : arguments)
        if (argument == "--help" || argument == "-h") {
            std::fputs(USAGE, stdout);
            return view::STATUS_OK;
        }
    view::Options options;
    const std::string problem = view::parseArguments(arguments, options);
    if (!problem.empty()) {
        std::fprintf(stderr, "kestrel-view: %s\n%s", problem.c_str(), USAGE);
        return view::STATUS_USAGE;
    }
    const std::string unreadable = view::firstUnreadable(options);
    if (!unreadable.empty()) {
        std::fprintf(stderr, "kestrel-view: cannot open '%s'\n", unreadable.c_str());
        return view::STATUS_BAD_FILE;
    }
    const std::string caption = "kestrel-view " + options.mesh;
    if (!view::openWindow(WIDTH, HEIGHT, caption.c_str()))
        return view::STATUS_NO_OUTPUT;
    const int status = run(options, findFont(argv[0]));
    view::closeWindow();
    return status;
}
