#include "engine/particlemanager.h"

#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"

#include <algorithm>
#include <iterator>

namespace Kestrel {
namespace {

const Vector3 UP(0.0f, 1.0f, 0.0f);
const Vector3 NO_NORMAL(0.0f, 0.0f, 0.0f);
// Below this squared length a cross product has no usable direction.
const float MIN_AXIS_LENGTH_SQUARED = 1e-24f;

struct BillboardAxes {
    Vector3 p; // towards the top-left corner: right + up
    Vector3 q; // towards the top-right corner: up - right
};

// Half-unit right and up axes of a square facing the camera. A camera looking
// straight along the vertical (or a degenerate direction) falls back to fixed
// axes, so no vertex ever becomes NaN.
BillboardAxes billboardAxes(const Vector3& direction) {
    const Vector3 rightDirection = cross(UP, direction);
    const Vector3 right = rightDirection.lengthSquared() > MIN_AXIS_LENGTH_SQUARED
                              ? rightDirection.normalized(0.5f)
                              : Vector3(0.5f, 0.0f, 0.0f);
    const Vector3 upDirection = cross(right, direction);
    const Vector3 up = upDirection.lengthSquared() > MIN_AXIS_LENGTH_SQUARED
                           ? upDirection.normalized(-0.5f)
                           : Vector3(0.0f, 0.5f, 0.0f);
    return {right + up, up - right};
}

// Two triangles per particle on the vertices 4k ... 4k + 3.
void buildQuads(FaceList& faces, unsigned particleCount) {
    faces.clear();
    while (faces.getFaceCount() < 2 * particleCount) {
        const unsigned k = faces.getFaceCount() / 2;
        faces.addQuad(static_cast<uint16_t>(4 * k), static_cast<uint16_t>(4 * k + 1),
                      static_cast<uint16_t>(4 * k + 2), static_cast<uint16_t>(4 * k + 3));
    }
}

void addBillboard(VertexList& vertices, const Particle& particle, const BillboardAxes& axes) {
    const Vector3& p = particle.m_Position;
    const float s = particle.m_Size;
    const Vector2& t0 = particle.getTexCoordMin();
    const Vector2& t1 = particle.getTexCoordMax();
    vertices.addVertex(p + axes.p * s, NO_NORMAL, {t0.u, t0.v});
    vertices.addVertex(p + axes.q * s, NO_NORMAL, {t1.u, t0.v});
    vertices.addVertex(p - axes.q * s, NO_NORMAL, {t0.u, t1.v});
    vertices.addVertex(p - axes.p * s, NO_NORMAL, {t1.u, t1.v});
}

} // namespace

ParticleManager::ParticleManager(RenderDevice* device)
    : m_VertexList(nullptr), m_FaceList(nullptr), m_RenderDevice(device) {
    if (!device)
        return;
    m_VertexList = device->createVertexList(USAGE_DYNAMIC);
    m_FaceList = device->createFaceList(m_VertexList, USAGE_DYNAMIC);
}

ParticleManager::~ParticleManager() {
    for (Particle* particle : m_Particles)
        delete particle;
    delete m_FaceList;
    delete m_VertexList;
}

void ParticleManager::setTexture(Texture* texture) {
    m_Texture = ResourcePointer<Texture>(texture);
}

void ParticleManager::addParticle(Particle* particle) {
    if (particle)
        m_Particles.push_back(particle);
}

void ParticleManager::update(float dt) {
    // A list keeps the walk valid while particles append new ones (smoke from a
    // flame); those are reached and updated in this same pass.
    auto it = m_Particles.begin();
    while (it != m_Particles.end()) {
        Particle* particle = *it;
        if (particle->update(dt)) {
            ++it;
        } else {
            delete particle;
            it = m_Particles.erase(it);
        }
    }
}

void ParticleManager::render(const Vector3& cameraPosition, Vector3 cameraDirection) {
    if (m_Particles.empty() || !m_FaceList)
        return;

    // Stable, so particles at equal distance keep their order.
    m_Particles.sort([&cameraPosition](const Particle* a, const Particle* b) {
        return distanceSquared(a->m_Position, cameraPosition) >
               distanceSquared(b->m_Position, cameraPosition);
    });

    // 16-bit indices reach only so many particles: the farthest ones sit at the
    // front of the sorted list and are left out of this frame, but stay alive.
    const size_t total = m_Particles.size();
    const unsigned drawn =
        static_cast<unsigned>(total < MAX_DRAWN_PARTICLES ? total : MAX_DRAWN_PARTICLES);
    auto first = std::next(m_Particles.begin(), static_cast<long>(total - drawn));

    const BillboardAxes axes = billboardAxes(cameraDirection);
    m_VertexList->clear();
    buildQuads(*m_FaceList, drawn);
    for (auto it = first; it != m_Particles.end(); ++it)
        addBillboard(*m_VertexList, **it, axes);

    m_RenderDevice->addToRenderQueue(m_FaceList, nullptr, m_Texture.get(), m_Shader, nullptr,
                                     BLEND_ALPHA);
}

} // namespace Kestrel
