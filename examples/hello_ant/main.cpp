// The smallest Kestrel program: an ant from the game's data walks on the spot
// under a camera, with a caption, until Escape. Usage: hello_ant [data-dir]
#include "engine/assert.h"
#include "engine/entity.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "engine/text.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>

using Kestrel::Matrix4;
using Kestrel::Vector3;

const int WIDTH = 640, HEIGHT = 480;

bool quitRequested() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT ||
            (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE))
            return true;
    }
    return false;
}

// The screen overlay maps the unit square (y up) onto the window; the caption
// is a twentieth of the window high, its x scale undoing the 4:3 stretch.
void drawCaption(Kestrel::RenderDevice& device, Kestrel::Text& font) {
    const float height = 0.05f, aspect = float(WIDTH) / HEIGHT;
    device.setDepthTest(false);
    device.setBlendMode(Kestrel::BLEND_ALPHA);
    device.setProjectionMatrix(Matrix4::screenOverlay());
    device.setModelViewMatrix(Matrix4::scaling(Vector3(height / aspect, height, 1.0f)) *
                              Matrix4::translation(Vector3(0.05f, 0.075f, 0.0f)));
    font.draw("Hello, ant");
}

// Every engine message (a data file missing or broken, a shader's log) comes
// here; this program names itself and writes them all to standard error.
void printEngineMessage(Kestrel::MessageSeverity, const char* text) {
    std::fprintf(stderr, "hello_ant: %s\n", text);
}

// Returns false when the data directory lacks the ant, its walk or the font.
bool run(Kestrel::RenderDevice& device) {
    Kestrel::ResourceManager* resources = Kestrel::ResourceManager::getInstance();
    Kestrel::Scene scene(&device);
    Kestrel::Entity* ant = scene.getRoot()->createEntity("ant.kst");
    Kestrel::Animation* walk = resources->loadAnimation("antwalk.ksta");
    Kestrel::Text* font = resources->loadText("Gypsy Curse.ttf", &device);
    if (!ant || !walk || !font || !font->getTexture())
        return false;
    ant->setRotationY(-125.0f); // faces (-sin h, 0, -cos h): right, towards the camera
    ant->playAnimation(walk, 0.0f, true, false);
    scene.getCamera()->setAspect(float(WIDTH) / HEIGHT);
    scene.getCamera()->lookAt(Vector3(0.0f, 1.2f, 2.4f), Vector3(0.0f, 0.25f, 0.0f),
                              Vector3(0, 1, 0));

    while (!quitRequested()) {
        scene.update(0.016f);
        device.clear(true, true);
        device.setViewport({0, 0}, {WIDTH, HEIGHT});
        scene.render();
        drawCaption(device, *font);
        SDL_GL_SwapBuffers();
        SDL_Delay(16);
    }
    return true;
}

int main(int argc, char* argv[]) {
    const char* data = argc > 1 ? argv[1] : "./data/";
    Kestrel::setMessageHandler(printEngineMessage);
    SDL_Init(SDL_INIT_VIDEO);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    if (!SDL_SetVideoMode(WIDTH, HEIGHT, 32, SDL_OPENGL)) {
        std::fprintf(stderr, "hello_ant: cannot open a window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_WM_SetCaption("Hello, ant", nullptr);
    glewInit(); // before the device: it reaches OpenGL through GLEW

    Kestrel::OpenGLRenderDevice* device = new Kestrel::OpenGLRenderDevice();
    Kestrel::ResourceManager::getInstance()->addSearchPath(data);
    const bool ran = run(*device);
    if (!ran)
        std::fprintf(stderr, "hello_ant: '%s' lacks ant.kst, antwalk.ksta or Gypsy Curse.ttf\n",
                     data);
    // The cache holds OpenGL objects: empty it while the context exists.
    Kestrel::ResourceManager::getInstance()->clear();
    delete device;
    SDL_Quit();
    return ran ? 0 : 1;
}
