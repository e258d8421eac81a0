#include "tools/preview/stage.h"

#include "app/ground.h"
#include "engine/camera.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/scenenode.h"
#include "tools/preview/gl_window.h"
#include "tools/preview/overlay.h"

#include <stdexcept>

namespace preview {

namespace {

// Squares of 0.1 units: an ant at the game's scale is about eight squares long.
const float FLOOR_HALF_SIZE = 12.8f;
const int CHECKER_SQUARES = 256;
const int CHECKER_PIXELS = 4;

assetgen::Image checker() {
    const int size = CHECKER_SQUARES * CHECKER_PIXELS;
    return assetgen::paint(size, size, false, [](double u, double v) {
        const bool light = (int(u * CHECKER_SQUARES) + int(v * CHECKER_SQUARES)) % 2 == 0;
        const double grey = (light ? 178.0 : 150.0) / 255.0;
        return assetgen::Color(grey, grey, grey - 8.0 / 255.0);
    });
}

} // namespace

Stage::Stage(Kestrel::RenderDevice& device, Overlay& overlay, ::Ground& field)
    : m_Device(device), m_Overlay(overlay), m_Field(field),
      m_FloorVertices(device.createVertexList(Kestrel::USAGE_STATIC)),
      m_FloorFaces(device.createFaceList(m_FloorVertices.get(), Kestrel::USAGE_STATIC)),
      m_FloorTexture(device.createTexture()) {
    const float h = FLOOR_HALF_SIZE;
    const Kestrel::Vector3 up(0, 1, 0);
    m_FloorVertices->addVertex({-h, 0, -h}, up, {0, 0});
    m_FloorVertices->addVertex({h, 0, -h}, up, {1, 0});
    m_FloorVertices->addVertex({-h, 0, h}, up, {0, 1});
    m_FloorVertices->addVertex({h, 0, h}, up, {1, 1});
    m_FloorFaces->addQuad(2, 3, 0, 1);
    const assetgen::Image floor = checker();
    m_FloorTexture->create(Kestrel::FORMAT_RGB, floor.width(), floor.height(),
                           floor.pixels().data());
}

Stage::~Stage() = default;

assetgen::Image Stage::shoot(Kestrel::Scene& scene, const Shot& shot) {
    m_Device.clear(true, true);
    m_Device.setViewport({0, 0}, {FRAME_WIDTH, FRAME_HEIGHT});
    setLighting(false);
    if (shot.backdrop)
        m_Overlay.backdrop();
    Kestrel::Camera* camera = scene.getCamera();
    camera->setAspect(shot.aspect);
    camera->lookAt(shot.eye, shot.target, {0, 1, 0});
    setLighting(true);
    if (shot.footing == Footing::Floor)
        m_Device.addToRenderQueue(m_FloorFaces.get(), nullptr, m_FloorTexture.get(), nullptr,
                                  nullptr, Kestrel::BLEND_NONE);
    else if (shot.footing == Footing::Field)
        m_Field.render();
    scene.render();
    setLighting(false);
    scene.renderParticles();
    if (!shot.caption.empty())
        m_Overlay.caption(shot.caption, shot.captionHeight);
    return grabFrame();
}

assetgen::Image Stage::shootGame(const std::function<void()>& render, const std::string& caption) {
    m_Device.setViewport({0, 0}, {FRAME_WIDTH, FRAME_HEIGHT});
    render();
    if (!caption.empty())
        m_Overlay.caption(caption, Shot().captionHeight);
    return grabFrame();
}

ContactSheet::ContactSheet(int columns, int rows, int reduction)
    : m_Reduction(reduction), m_CellWidth(FRAME_WIDTH / reduction),
      m_CellHeight(FRAME_HEIGHT / reduction),
      m_Image(columns * m_CellWidth, rows * m_CellHeight, false) {}

void ContactSheet::place(int column, int row, const assetgen::Image& frame) {
    const assetgen::Image cell = frame.reduced(m_Reduction);
    for (int y = 0; y < m_CellHeight; ++y)
        for (int x = 0; x < m_CellWidth; ++x)
            m_Image.set(column * m_CellWidth + x, row * m_CellHeight + y, cell.get(x, y));
}

void ContactSheet::save(const std::string& path) const {
    if (!assetgen::writePng(m_Image, path))
        throw std::runtime_error("cannot write '" + path + "'");
}

} // namespace preview
