#include "tools/preview/stage.h"

#include "app/application.h"
#include "app/ground.h"
#include "app/world.h"
#include "engine/camera.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "engine/text.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace preview {

namespace {

using assetgen::Color;
using assetgen::Image;
using Kestrel::Vector3;

// Squares of 0.1 units: an ant at the game's scale is about eight squares long.
const float FLOOR_HALF_SIZE = 12.8f;
const int CHECKER_SQUARES = 256;
const int CHECKER_PIXELS = 4;

Image checker() {
    const int size = CHECKER_SQUARES * CHECKER_PIXELS;
    return assetgen::paint(size, size, false, [](double u, double v) {
        const bool light = (int(u * CHECKER_SQUARES) + int(v * CHECKER_SQUARES)) % 2 == 0;
        const double grey = (light ? 178.0 : 150.0) / 255.0;
        return Color(grey, grey, grey - 8.0 / 255.0);
    });
}

// Light grey-blue at the top to a darker warm grey at the bottom.
Image backdropGradient() {
    return assetgen::paint(4, 64, true, [](double, double v) {
        return Color(190.0 - 80.0 * v, 200.0 - 88.0 * v, 214.0 - 108.0 * v) * (1.0 / 255.0);
    });
}

Image translucentBlack() {
    return assetgen::paint(4, 4, true,
                           [](double, double) { return Color(0, 0, 0, 150.0 / 255.0); });
}

// Quad corners (see makePanel): the screen's unit square and the floor.
const Vector3 SCREEN[4] = {{0, 1, 0}, {1, 1, 0}, {0, 0, 0}, {1, 0, 0}};
const float F = FLOOR_HALF_SIZE;
const Vector3 FLOOR[4] = {{-F, 0, F}, {F, 0, F}, {-F, 0, -F}, {F, 0, -F}};

// The fixed-function lighting switch the game flips around its scene pass.
void setLighting(bool enabled) {
    if (enabled)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
}

// The back buffer as an RGB image, first row at the top.
Image grabFrame() {
    std::vector<std::uint8_t> rgb(std::size_t(WINDOW_WIDTH) * WINDOW_HEIGHT * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    Image image(WINDOW_WIDTH, WINDOW_HEIGHT, false);
    for (int y = 0; y < WINDOW_HEIGHT; ++y) {
        const std::uint8_t* row = &rgb[std::size_t(WINDOW_HEIGHT - 1 - y) * WINDOW_WIDTH * 3];
        for (int x = 0; x < WINDOW_WIDTH; ++x)
            image.set(x, y, {row[3 * x] / 255.0, row[3 * x + 1] / 255.0, row[3 * x + 2] / 255.0});
    }
    return image;
}

} // namespace

bool openWindow() {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "preview: no display (%s)\n", SDL_GetError());
        return false;
    }
    // No multisampling: reading back a multisampled buffer gives black frames on
    // some drivers (Mesa under Xvfb); the contact sheets average pixels instead.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    if (!SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_BITS_PER_PIXEL, SDL_OPENGL)) {
        std::fprintf(stderr, "preview: no OpenGL window (%s)\n", SDL_GetError());
        SDL_Quit();
        return false;
    }
    if (glewInit() != GLEW_OK) {
        std::fprintf(stderr, "preview: GLEW could not be initialised\n");
        SDL_Quit();
        return false;
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ::setFixedLight();
    return true;
}

void closeWindow() {
    SDL_Quit();
}

Stage::Stage(Kestrel::RenderDevice& device)
    : m_Device(device), m_Field(std::make_unique<::Ground>(&device)),
      m_Floor(makePanel(FLOOR, {0, 1, 0}, checker())),
      m_Backdrop(makePanel(SCREEN, {0, 0, 1}, backdropGradient())),
      m_Band(makePanel(SCREEN, {0, 0, 1}, translucentBlack())),
      m_Font(Kestrel::ResourceManager::getInstance()->loadText(GAME_FONT_FILE, &device)) {}

Stage::~Stage() = default;

Stage::Panel Stage::makePanel(const Vector3 (&corners)[4], const Vector3& normal,
                              const Image& image) {
    Panel panel;
    panel.vertices.reset(m_Device.createVertexList(Kestrel::USAGE_STATIC));
    panel.faces.reset(m_Device.createFaceList(panel.vertices.get(), Kestrel::USAGE_STATIC));
    for (int i = 0; i < 4; ++i)
        panel.vertices->addVertex(corners[i], normal, {float(i % 2), float(i / 2)});
    panel.faces->addQuad(0, 1, 2, 3);
    panel.texture.reset(m_Device.createTexture());
    panel.texture->create(image.hasAlpha() ? Kestrel::FORMAT_RGBA : Kestrel::FORMAT_RGB,
                          image.width(), image.height(), image.pixels().data());
    return panel;
}

void Stage::beginOverlay() {
    beginScreenOverlay(m_Device);
    m_Device.setModelViewMatrix(Kestrel::Matrix4::identity());
    m_Device.setShader(nullptr);
}

void Stage::drawPanel(const Panel& panel) {
    m_Device.setTexture(panel.texture.get(), 0);
    m_Device.drawFaceList(panel.faces.get());
}

void Stage::drawCaption(const std::string& text, float height) {
    beginOverlay();
    m_Device.setModelViewMatrix(Kestrel::Matrix4::scaling({1.0f, height, 1.0f}) *
                                Kestrel::Matrix4::translation({0.0f, 1.0f - height, 0.0f}));
    drawPanel(m_Band);
    if (!m_Font)
        return;
    // The text in the game's font, as the game places overlay text.
    const float scale = 0.73f * height;
    beginOverlay();
    m_Device.setModelViewMatrix(overlayTextMatrix(scale, {0.2f * height, 1.0f - scale, 0.0f}));
    m_Font->draw(text.c_str());
}

Image Stage::shoot(Kestrel::Scene& scene, const Shot& shot) {
    m_Device.clear(true, true);
    m_Device.setViewport({0, 0}, {WINDOW_WIDTH, WINDOW_HEIGHT});
    setLighting(false);
    if (shot.backdrop) {
        beginOverlay();
        m_Device.setBlendMode(Kestrel::BLEND_NONE);
        drawPanel(m_Backdrop);
    }
    Kestrel::Camera* camera = scene.getCamera();
    camera->setAspect(shot.aspect);
    camera->lookAt(shot.eye, shot.target, {0, 1, 0});
    setLighting(true);
    if (shot.footing == Footing::Floor)
        m_Device.addToRenderQueue(m_Floor.faces.get(), nullptr, m_Floor.texture.get(), nullptr,
                                  nullptr, Kestrel::BLEND_NONE);
    else if (shot.footing == Footing::Field)
        m_Field->render();
    scene.render();
    setLighting(false);
    scene.renderParticles();
    if (!shot.caption.empty())
        drawCaption(shot.caption, shot.captionHeight);
    return grabFrame();
}

Image Stage::shootGame(const std::function<void()>& render, const std::string& caption) {
    m_Device.setViewport({0, 0}, {WINDOW_WIDTH, WINDOW_HEIGHT});
    render();
    if (!caption.empty())
        drawCaption(caption, Shot().captionHeight);
    return grabFrame();
}

void writeContactSheet(const std::string& path, int columns, int rows, int reduction,
                       const std::function<Image(int column, int row)>& frame) {
    const int width = WINDOW_WIDTH / reduction, height = WINDOW_HEIGHT / reduction;
    Image sheet(columns * width, rows * height, false);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            const Image cell = frame(column, row).reduced(reduction);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    sheet.set(column * width + x, row * height + y, cell.get(x, y));
        }
    if (!assetgen::writePng(sheet, path))
        throw std::runtime_error("cannot write '" + path + "'");
}

} // namespace preview
