#include "tools/preview/terrain.h"

#include "app/terrain_heights.h"

#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"

#include <cmath>
#include <cstdint>

namespace preview {

namespace {

const int SIZE = TERRAIN_SIZE;

float gridHeight(int x, int z) {
    if (x < 0 || z < 0 || x >= SIZE || z >= SIZE)
        return 0.5f;
    return 0.5f * TERRAIN_HEIGHTS[z][x];
}

Kestrel::Vector3 gridPoint(int x, int z) {
    return {float(x), gridHeight(x, z), float(z)};
}

Kestrel::Vector3 gridNormal(int x, int z) {
    const Kestrel::Vector3 p = gridPoint(x, z);
    const Kestrel::Vector3 a = p - gridPoint(x - 1, z), b = p - gridPoint(x + 1, z);
    const Kestrel::Vector3 c = p - gridPoint(x, z - 1), d = p - gridPoint(x, z + 1);
    return (Kestrel::cross(a, d) + Kestrel::cross(d, b) + Kestrel::cross(b, c) +
            Kestrel::cross(c, a))
        .normalized();
}

} // namespace

Terrain::Terrain(Kestrel::RenderDevice& device)
    : m_Device(device), m_Vertices(device.createVertexList(Kestrel::USAGE_STATIC)),
      m_Faces(device.createFaceList(m_Vertices.get(), Kestrel::USAGE_STATIC)),
      m_Texture(
          Kestrel::ResourceManager::getInstance()->loadTexture("centerterrain.png", &device)) {
    for (int z = -2; z <= 18; ++z)
        for (int x = -2; x <= 18; ++x)
            m_Vertices->addVertex(gridPoint(x, z), gridNormal(x, z),
                                  {(x + 2) * 0.05f, (z + 2) * 0.05f});
    for (int r = 0; r < 20; ++r) {
        for (int k = 0; k < 20; ++k) {
            const int v = r * 21 + k;
            m_Faces->addQuad(std::uint16_t(v + 22), std::uint16_t(v + 21), std::uint16_t(v + 1),
                             std::uint16_t(v));
        }
    }
}

Terrain::~Terrain() = default;

float Terrain::height(float x, float z) {
    if (x < 0 || z < 0 || x >= SIZE || z >= SIZE)
        return 0.5f;
    const int ix = int(x), iz = int(z);
    const float fx = x - ix, fz = z - iz;
    return (1 - fz) * ((1 - fx) * gridHeight(ix, iz) + fx * gridHeight(ix + 1, iz)) +
           fz * ((1 - fx) * gridHeight(ix, iz + 1) + fx * gridHeight(ix + 1, iz + 1));
}

void Terrain::queue() {
    m_Device.addToRenderQueue(m_Faces.get(), nullptr, m_Texture, nullptr, nullptr,
                              Kestrel::BLEND_NONE);
}

} // namespace preview
