// What one game state needs to show a 3D world: a camera, a root node that owns
// every object hung below it, and a particle manager. The scene updates them
// each frame and draws in two passes (the tree, then the particles).
#pragma once

#include "engine/camera.h"
#include "engine/particlemanager.h"
#include "engine/transformable.h"

#include <string>

namespace Kestrel {

class Entity;
class RenderDevice;

// A grouping node that remembers the device and makes entities.
class SceneNode : public Transformable {
public:
    explicit SceneNode(RenderDevice* device) : m_RenderDevice(device) {}
    ~SceneNode() override = default;

    // Loads the mesh through the resource cache and attaches a new entity of it;
    // null (with a report) when the mesh cannot be loaded.
    Entity* createEntity(const std::string& file);

private:
    RenderDevice* m_RenderDevice;
};

class Scene {
public:
    explicit Scene(RenderDevice* device);
    virtual ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    SceneNode* getRoot() { return &m_Root; }
    ParticleManager* getParticleManager() { return &m_ParticleManager; }
    Camera* getCamera() { return &m_Camera; }

    // Camera transition, then the tree (parents first), then the particles.
    void update(float dt);
    void render();
    void renderParticles();

private:
    Camera m_Camera;
    RenderDevice* m_RenderDevice;
    SceneNode m_Root;
    ParticleManager m_ParticleManager;
};

} // namespace Kestrel
