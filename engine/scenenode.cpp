#include "engine/scenenode.h"

#include "engine/assert.h"
#include "engine/entity.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/resourcemanager.h"

namespace Kestrel {

Entity* SceneNode::createEntity(const std::string& file) {
    Mesh* mesh = ResourceManager::getInstance()->loadMesh(file, m_RenderDevice);
    if (!mesh) {
        KESTREL_ASSERT_TEXT(mesh != nullptr, "mesh != null");
        return nullptr;
    }
    Entity* entity = new Entity(mesh);
    entity->setParent(this);
    return entity;
}

Scene::Scene(RenderDevice* device)
    : m_RenderDevice(device), m_Root(device), m_ParticleManager(device) {}

// The members go in reverse order: the particles first, then the tree.
Scene::~Scene() = default;

void Scene::update(float dt) {
    m_Camera.update(dt);
    m_Root.update(dt);
    m_ParticleManager.update(dt);
}

void Scene::render() {
    m_Root.draw();
    m_RenderDevice->render(&m_Camera);
}

void Scene::renderParticles() {
    const Vector3 direction = m_Camera.getDirection();
    m_ParticleManager.render(m_Camera.getPosition(), direction);
    m_RenderDevice->render(&m_Camera);
}

} // namespace Kestrel
