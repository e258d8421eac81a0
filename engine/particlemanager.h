// Camera-facing textured squares drawn as one alpha-blended batch per frame,
// sorted far to near. The manager owns its particles and its two dynamic lists;
// particles live in world space.
#pragma once

#include "engine/resource.h"
#include "engine/vector.h"

#include <list>

namespace Kestrel {

class FaceList;
class RenderDevice;
class Shader;
class Texture;
class VertexList;

class Particle {
public:
    virtual ~Particle() = default;
    // Moves the particle; false when it is dead.
    virtual bool update(float dt) = 0;
    // Corners of the particle's cell in the texture (class-wide constants).
    virtual const Vector2& getTexCoordMin() const = 0;
    virtual const Vector2& getTexCoordMax() const = 0;

    Vector3 m_Position;
    float m_Size = 0.0f;
};

class ParticleManager {
public:
    // One batch addresses at most this many particles with 16-bit indices.
    static constexpr unsigned MAX_DRAWN_PARTICLES = 16384;

    explicit ParticleManager(RenderDevice* device);
    virtual ~ParticleManager();
    ParticleManager(const ParticleManager&) = delete;
    ParticleManager& operator=(const ParticleManager&) = delete;

    void setTexture(Texture* texture);
    void setShader(Shader* shader) { m_Shader = shader; }
    // Takes ownership; null is ignored.
    void addParticle(Particle* particle);
    void update(float dt);
    // Queues the batch; with more than MAX_DRAWN_PARTICLES alive, the nearest are drawn.
    void render(const Vector3& cameraPosition, Vector3 cameraDirection);

    const std::list<Particle*>& getParticles() const { return m_Particles; }
    VertexList* getVertexList() const { return m_VertexList; }
    FaceList* getFaceList() const { return m_FaceList; }

private:
    std::list<Particle*> m_Particles;
    VertexList* m_VertexList;
    FaceList* m_FaceList;
    RenderDevice* m_RenderDevice;
    ResourcePointer<Texture> m_Texture;
    Shader* m_Shader = nullptr;
};

} // namespace Kestrel
