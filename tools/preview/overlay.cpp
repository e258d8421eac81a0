#include "tools/preview/overlay.h"

#include "app/world.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"
#include "engine/text.h"

#include <cstdint>
#include <vector>

namespace preview {

namespace {

const int GRADIENT_ROWS = 64;

// RGBA rows: light grey-blue at the top to a darker warm grey at the bottom, or
// a translucent black band.
std::vector<std::uint8_t> panelPixels(bool backdrop) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < GRADIENT_ROWS; ++y) {
        const double t = double(y) / (GRADIENT_ROWS - 1);
        const std::uint8_t r = backdrop ? std::uint8_t(190 - 80 * t) : 0;
        const std::uint8_t g = backdrop ? std::uint8_t(200 - 88 * t) : 0;
        const std::uint8_t b = backdrop ? std::uint8_t(214 - 108 * t) : 0;
        const std::uint8_t a = backdrop ? 255 : 150;
        for (int x = 0; x < 4; ++x)
            pixels.insert(pixels.end(), {r, g, b, a});
    }
    return pixels;
}

} // namespace

Overlay::Overlay(Kestrel::RenderDevice& device)
    : m_Device(device), m_Backdrop(makePanel(true)), m_Band(makePanel(false)),
      m_Font(Kestrel::ResourceManager::getInstance()->loadText(GAME_FONT_FILE, &device)) {}

Overlay::~Overlay() = default;

Overlay::Panel Overlay::makePanel(bool backdrop) {
    Panel panel;
    panel.vertices.reset(m_Device.createVertexList(Kestrel::USAGE_STATIC));
    panel.faces.reset(m_Device.createFaceList(panel.vertices.get(), Kestrel::USAGE_STATIC));
    const Kestrel::Vector3 normal(0, 0, 1);
    panel.vertices->addVertex({0, 1, 0}, normal, {0, 0});
    panel.vertices->addVertex({1, 1, 0}, normal, {1, 0});
    panel.vertices->addVertex({0, 0, 0}, normal, {0, 1});
    panel.vertices->addVertex({1, 0, 0}, normal, {1, 1});
    panel.faces->addQuad(0, 1, 2, 3);
    panel.texture.reset(m_Device.createTexture());
    panel.texture->create(Kestrel::FORMAT_RGBA, 4, GRADIENT_ROWS, panelPixels(backdrop).data());
    return panel;
}

void Overlay::begin() {
    beginScreenOverlay(m_Device);
    m_Device.setModelViewMatrix(Kestrel::Matrix4::identity());
    m_Device.setShader(nullptr);
}

void Overlay::drawPanel(const Panel& panel) {
    m_Device.setTexture(panel.texture.get(), 0);
    m_Device.drawFaceList(panel.faces.get());
}

void Overlay::backdrop() {
    begin();
    m_Device.setBlendMode(Kestrel::BLEND_NONE);
    drawPanel(m_Backdrop);
}

void Overlay::caption(const std::string& text, float height) {
    begin();
    m_Device.setModelViewMatrix(Kestrel::Matrix4::scaling({1.0f, height, 1.0f}) *
                                Kestrel::Matrix4::translation({0.0f, 1.0f - height, 0.0f}));
    drawPanel(m_Band);
    if (!m_Font)
        return;
    // The text in the game's font, as the game places overlay text.
    const float scale = 0.73f * height;
    begin();
    m_Device.setModelViewMatrix(overlayTextMatrix(scale, {0.2f * height, 1.0f - scale, 0.0f}));
    m_Font->draw(text.c_str());
}

} // namespace preview
