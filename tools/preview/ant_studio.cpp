#include "tools/preview/ant_studio.h"

#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/scenenode.h"
#include "game/rock.h"
#include "tools/preview/posing.h"

#include <cstdio>
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

} // namespace

const View FRONT_RIGHT{"front right", {0.75f, 0.6f, -1.15f}};
const View RIGHT_SIDE{"right side", {1.5f, 0.15f, 0.0f}};
const View TOP{"top", {0.0f, 1.5f, 0.3f}};
const View REAR_LEFT{"rear left", {-0.95f, 0.65f, 1.05f}};
const View FRONT{"front", {0.0f, 0.3f, -1.55f}};

const char* const ANT_MESHES[3] = {"ant.kst", "fireant.kst", "zombieant.kst"};

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
    settle(scene);
    playAfter(*moment.ant, use.after, use.file, use.blendTime, time, use.loop);
    const float lowest = lowestPoint(*moment.ant, device) * ANT_SCALE / scaleOf(framing);
    const std::string file = use.file;
    char text[128];
    std::snprintf(text, sizeof text, "%s %.2f s  low %+.3f", file.substr(0, file.find('.')).c_str(),
                  time, lowest);
    moment.caption = text;
    return moment;
}

} // namespace preview
