#include "tools/preview/posing.h"

#include "engine/animation.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

namespace preview {

namespace {

Kestrel::Animation* load(const std::string& animation) {
    Kestrel::Animation* a = Kestrel::ResourceManager::getInstance()->loadAnimation(animation);
    if (!a)
        std::fprintf(stderr, "preview: animation '%s' could not be loaded\n", animation.c_str());
    return a;
}

} // namespace

bool poseAt(Kestrel::Entity& entity, const std::string& animation, float time, bool loop) {
    Kestrel::Animation* a = load(animation);
    if (!a)
        return false;
    entity.playAnimation(a, 0.0f, loop, false);
    entity.Kestrel::Entity::update(0.0f);
    entity.Kestrel::Entity::update(time);
    entity.Kestrel::Entity::update(0.0f);
    return true;
}

bool playAfter(Kestrel::Entity& entity, const std::string& previous, const std::string& animation,
               float blendTime, float time, bool loop) {
    const float FRAME = 0.016f;
    Kestrel::Animation* before = load(previous);
    Kestrel::Animation* a = load(animation);
    if (!before || !a)
        return false;
    entity.playAnimation(before, 0.0f, true, false);
    entity.update(0.0f);
    entity.playAnimation(a, blendTime, loop, false);
    for (float played = 0.0f; played < time; played += FRAME)
        entity.update(std::min(FRAME, time - played));
    entity.update(0.0f);
    return true;
}

float playedLength(const std::string& animation, bool loop) {
    Kestrel::Animation* a = load(animation);
    return a ? a->getAnimationLength(loop) : 0.0f;
}

float lowestPoint(Kestrel::Entity& entity, Kestrel::RenderDevice& device) {
    Kestrel::Mesh* mesh = entity.getMesh();
    if (!mesh)
        return 0.0f;
    std::unique_ptr<Kestrel::VertexList> posed(device.createVertexList(Kestrel::USAGE_DYNAMIC));
    const Kestrel::VertexList& rest = *mesh->getVertexList();
    const Kestrel::VertexList& source = entity.morph(rest, *posed) ? *posed : rest;
    float lowest = std::numeric_limits<float>::max();
    for (unsigned i = 0; i < source.getVertexCount(); ++i)
        lowest = std::min(lowest, entity.transformPoint(source.getPosition(i)).y);
    return lowest;
}

void settle(Kestrel::Scene& scene) {
    scene.update(0.0f);
}

} // namespace preview
