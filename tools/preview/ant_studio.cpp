#include "tools/preview/ant_studio.h"

#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/scenenode.h"
#include "tools/preview/posing.h"

#include <cstdio>
#include <stdexcept>

namespace preview {

namespace {

using Kestrel::Vector3;

const float ANT_SCALE = 0.5f;  // as the game shows every ant kind
const float ROCK_SCALE = 0.1f; // a rock in the hand, relative to the hand bone
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

const std::vector<AnimationRole> ANIMATION_ROLES = {
    {"antwalk.ksta", "ant.kst", true, "antidle.ksta", 0.0f, false},
    {"antidle.ksta", "ant.kst", true, "antwalk.ksta", 0.0f, false},
    {"antthrow.ksta", "ant.kst", false, "antidle.ksta", 0.1f, true},
    {"antdie.ksta", "ant.kst", false, "antwalk.ksta", 0.2f, false},
    {"antfire.ksta", "fireant.kst", false, "antwalk.ksta", 0.2f, false},
    {"zombieanteat.ksta", "zombieant.kst", false, "antwalk.ksta", 0.2f, false},
    {"antpointup.ksta", "ant.kst", false, "antpointdown.ksta", 0.2f, false},
    {"antpointdown.ksta", "ant.kst", false, "antpointup.ksta", 0.2f, false}};

const char* const ANT_MESHES[3] = {"ant.kst", "fireant.kst", "zombieant.kst"};

const AnimationRole& animationRole(const std::string& file) {
    for (const AnimationRole& role : ANIMATION_ROLES)
        if (file == role.file)
            return role;
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

AntMoment playMoment(Kestrel::Scene& scene, Kestrel::RenderDevice& device,
                     const AnimationRole& role, float time, Framing framing) {
    AntMoment moment;
    moment.ant = addAnt(scene, role.mesh, framing);
    if (!moment.ant)
        return moment;
    if (role.holdsRock)
        giveRock(scene, *moment.ant);
    settle(scene);
    playAfter(*moment.ant, role.after, role.file, role.blendTime, time, role.loop);
    const float lowest = lowestPoint(*moment.ant, device) * ANT_SCALE / scaleOf(framing);
    const std::string file = role.file;
    char text[128];
    std::snprintf(text, sizeof text, "%s %.2f s  low %+.3f", file.substr(0, file.find('.')).c_str(),
                  time, lowest);
    moment.caption = text;
    return moment;
}

} // namespace preview
