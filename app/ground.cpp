#include "app/ground.h"

#include "app/terrain_heights.h"

#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"

#include <algorithm>

using Kestrel::Vector2;
using Kestrel::Vector3;

namespace {

const float OUTSIDE_HEIGHT = 0.5f;
// The mesh reaches two grid points beyond the table on every side.
const int MESH_MIN = -2;
const int MESH_MAX = Ground::SIZE + 2;
const int MESH_SIDE = MESH_MAX - MESH_MIN + 1;

float gridHeight(int x, int z) {
    if (x < 0 || z < 0 || x >= Ground::SIZE || z >= Ground::SIZE)
        return OUTSIDE_HEIGHT;
    return 0.5f * TERRAIN_HEIGHTS[z][x];
}

// Integer and fractional parts of a coordinate already known to lie in [0, 16).
void split(float value, int& whole, float& fraction) {
    whole = static_cast<int>(value);
    fraction = value - static_cast<float>(whole);
}

// Written so that NaN counts as outside.
bool insideField(float x, float z) {
    return x >= 0.0f && z >= 0.0f && x < Ground::SIZE && z < Ground::SIZE;
}

} // namespace

Ground::Ground(Kestrel::RenderDevice* device) : m_RenderDevice(device) {
    m_VertexList = m_RenderDevice->createVertexList(Kestrel::USAGE_STATIC);
    m_FaceList = m_RenderDevice->createFaceList(m_VertexList, Kestrel::USAGE_STATIC);
    m_Texture = Kestrel::ResourcePointer<Kestrel::Texture>(
        Kestrel::ResourceManager::getInstance()->loadTexture("centerterrain.png", device));
    buildMesh();
}

Ground::~Ground() {
    delete m_FaceList;
    delete m_VertexList;
}

Vector3 Ground::gridPoint(int x, int z) {
    return Vector3(static_cast<float>(x), gridHeight(x, z), static_cast<float>(z));
}

void Ground::buildMesh() {
    m_VertexList->reserve(MESH_SIDE * MESH_SIDE);
    for (int z = MESH_MIN; z <= MESH_MAX; ++z) {
        for (int x = MESH_MIN; x <= MESH_MAX; ++x) {
            const Vector3 p = gridPoint(x, z);
            const Vector3 dA = p - gridPoint(x - 1, z);
            const Vector3 dB = p - gridPoint(x + 1, z);
            const Vector3 dC = p - gridPoint(x, z - 1);
            const Vector3 dD = p - gridPoint(x, z + 1);
            const Vector3 n =
                (cross(dA, dD) + cross(dD, dB) + cross(dB, dC) + cross(dC, dA)).normalized();
            const Vector2 uv((x - MESH_MIN) * 0.05f, (z - MESH_MIN) * 0.05f);
            m_VertexList->addVertex(p, n, uv);
            if (x >= 0 && x < SIZE && z >= 0 && z < SIZE)
                m_Normals[x][z] = n;
        }
    }
    for (int row = 0; row < MESH_SIDE - 1; ++row) {
        for (int column = 0; column < MESH_SIDE - 1; ++column) {
            const int v = row * MESH_SIDE + column;
            m_FaceList->addQuad(static_cast<uint16_t>(v + MESH_SIDE + 1),
                                static_cast<uint16_t>(v + MESH_SIDE), static_cast<uint16_t>(v + 1),
                                static_cast<uint16_t>(v));
        }
    }
}

void Ground::render() {
    m_RenderDevice->addToRenderQueue(m_FaceList, nullptr, m_Texture.get(), nullptr, nullptr,
                                     Kestrel::BLEND_NONE);
    m_RenderDevice->setTexture(nullptr, 0);
    m_RenderDevice->setBlendMode(Kestrel::BLEND_NONE);
    m_RenderDevice->setModelViewMatrix(Kestrel::Matrix4::identity());
}

float Ground::getHeight(float x, float z) {
    if (!insideField(x, z))
        return OUTSIDE_HEIGHT;
    int ix, iz;
    float fx, fz;
    split(x, ix, fx);
    split(z, iz, fz);
    return (1.0f - fz) * ((1.0f - fx) * gridHeight(ix, iz) + fx * gridHeight(ix + 1, iz)) +
           fz * ((1.0f - fx) * gridHeight(ix, iz + 1) + fx * gridHeight(ix + 1, iz + 1));
}

Vector3 Ground::getNormal(float x, float z) const {
    if (!insideField(x, z))
        return Vector3(0.0f, 1.0f, 0.0f);
    int ix, iz;
    float fx, fz;
    split(x, ix, fx);
    split(z, iz, fz);
    // Only 0..15 are stored: beyond 15 the nearest stored normal stands in.
    const int ix1 = std::min(ix + 1, SIZE - 1);
    const int iz1 = std::min(iz + 1, SIZE - 1);
    return m_Normals[ix][iz] * ((1.0f - fx) * (1.0f - fz)) +
           m_Normals[ix1][iz] * (fx * (1.0f - fz)) + m_Normals[ix][iz1] * ((1.0f - fx) * fz) +
           m_Normals[ix1][iz1] * (fx * fz);
}
