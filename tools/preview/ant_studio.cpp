#include "tools/preview/ant_studio.h"

#include "engine/animation.h"
#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "game/rock.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <stdexcept>

namespace preview {

namespace {

using Kestrel::Vector3;

// Views look at the middle of the ant's body from about 1.5 units.
const Vector3 ANT_CENTRE(0.0f, 0.13f, -0.05f);

float scaleOf(Framing framing) {
    return framing == Framing::Game ? ANT_SCALE : 2.0f * ANT_SCALE;
}

// A soldier holds its rock in the "RockHand" bone during the throw.
void giveRock(Kestrel::Scene& scene, Kestrel::Entity& ant) {
    Kestrel::Bone* hand = ant.getBone("RockHand");
    Kestrel::Entity* rock = scene.getRoot()->createEntity("rock.kst");
    if (!hand || !rock)
        return;
    rock->setScale(ROCK_SCALE, ROCK_SCALE, ROCK_SCALE);
    rock->setParent(hand);
}

Kestrel::Animation* load(const std::string& animation) {
    Kestrel::Animation* a = Kestrel::ResourceManager::getInstance()->loadAnimation(animation);
    if (!a)
        std::fprintf(stderr, "preview: animation '%s' could not be loaded\n", animation.c_str());
    return a;
}

} // namespace

const AnimationUse& animationUse(const std::string& file) {
    for (const AnimationUse& use : ANIMATION_USES)
        if (file == use.file)
            return use;
    throw std::logic_error("no animation " + file);
}

Kestrel::Entity* addAnt(Kestrel::Scene& scene, const std::string& mesh, Framing framing) {
    Kestrel::Entity* ant = scene.getRoot()->createEntity(mesh);
    if (ant) {
        const float s = scaleOf(framing);
        ant->setScale(s, s, s);
    }
    return ant;
}

// A close view shows an ant twice the size from 1.4 times as far.
Shot antShot(const View& view, const std::string& caption, Framing framing) {
    const float size = scaleOf(framing) / ANT_SCALE;
    const float distance = framing == Framing::Game ? 1.0f : 1.4f;
    Shot shot;
    shot.target = ANT_CENTRE * size;
    shot.eye = shot.target + view.offset * distance;
    shot.caption = caption;
    // Close views go into small pictures, so their captions are larger.
    if (framing == Framing::Close)
        shot.captionHeight = 0.15f;
    return shot;
}

AntMoment playMoment(Kestrel::Scene& scene, Kestrel::RenderDevice& device, const AnimationUse& use,
                     float time, Framing framing) {
    AntMoment moment;
    moment.ant = addAnt(scene, use.mesh, framing);
    if (!moment.ant)
        return moment;
    if (use.holdsRock)
        giveRock(scene, *moment.ant);
    scene.update(0.0f);
    playAfter(*moment.ant, use.after, use.file, use.blendTime, time, use.loop);
    const float lowest = lowestPoint(*moment.ant, device) * ANT_SCALE / scaleOf(framing);
    const std::string file = use.file;
    char text[128];
    std::snprintf(text, sizeof text, "%s %.2f s  low %+.3f", file.substr(0, file.find('.')).c_str(),
                  time, lowest);
    moment.caption = text;
    return moment;
}

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

} // namespace preview
