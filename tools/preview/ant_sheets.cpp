#include "engine/animation.h"
#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "game/animation_uses.h"
#include "game/rock.h"
#include "tools/assetgen/ants.h"
#include "tools/preview/sheets.h"
#include "tools/preview/stage.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// Single ants are photographed at the origin facing -z (mesh axes,
// docs/architecture.md). Entities are posed through their animation stack: a
// pose applied by one update reaches the bone matrices at the next, so every
// pose ends with an update of no time that settles the matrices.
namespace preview {

namespace {

using assetgen::Image;
using Kestrel::Vector3;

// Views look at the middle of the ant's body from about 1.5 units.
const Vector3 ANT_CENTRE(0.0f, 0.13f, -0.05f);

struct View {
    const char* name;
    Vector3 offset; // eye relative to the ant's middle, for an ant of the game's size
};

const View FRONT_RIGHT{"front right", {0.75f, 0.6f, -1.15f}};
const View RIGHT_SIDE{"right side", {1.5f, 0.15f, 0.0f}};
const View TOP{"top", {0.0f, 1.5f, 0.3f}};
const View REAR_LEFT{"rear left", {-0.95f, 0.65f, 1.05f}};
const View FRONT{"front", {0.0f, 0.3f, -1.55f}};

// The ant at the game's size, or at twice that size and seen from relatively
// closer (the near plane keeps a camera a unit away from what it sees).
enum class Framing { Game, Close };

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

const AnimationUse& animationUse(const std::string& file) {
    for (const AnimationUse& use : ANIMATION_USES)
        if (file == use.file)
            return use;
    throw std::logic_error("no animation " + file);
}

// Null (with the engine's report) when the mesh cannot be loaded.
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

// The pose the game shows `time` into the animation when it switches to it
// from the one it usually follows (looping), frame by frame.
bool playAfter(Kestrel::Entity& entity, const AnimationUse& use, float time) {
    Kestrel::Animation* before = load(use.after);
    Kestrel::Animation* a = load(use.file);
    if (!before || !a)
        return false;
    entity.playAnimation(before, 0.0f, true, false);
    entity.update(0.0f);
    entity.playAnimation(a, use.blendTime, use.loop, false);
    for (float played = 0.0f; played < time; played += FRAME)
        entity.update(std::min(FRAME, time - played));
    entity.update(0.0f);
    return true;
}

// The lowest world height of the entity's skinned mesh in its current pose:
// about 0 for an ant standing on the floor.
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

const int MOMENTS = 6;

// A mesh shown on its own from two sides.
struct PropViews {
    const char* file;
    float height;
    Vector3 target;
    Vector3 eyes[2];
    const char* captions[2];
};
const PropViews PROPS[] = {
    {"rock.kst",
     0.5f,
     {0.0f, 0.4f, 0.0f},
     {{2.0f, 1.6f, -2.2f}, {-2.6f, 0.6f, 1.4f}},
     {"at ten times its size", "low from behind"}},
    {"title.kst",
     1.0f,
     {0.0f, 1.0f, 0.0f},
     {{1.8f, 2.6f, -3.0f}, {-2.4f, 1.4f, 2.8f}},
     {"from above, front right", "from behind"}},
};

// The three ant meshes in rows, seen from the views in columns; the game's
// framing names the view in the caption.
void writeAnts(const SheetContext& context, const std::vector<View>& views, Framing framing,
               int reduction, const std::string& file) {
    writeContactSheet(
        context.path(file), int(views.size()), 3, reduction, [&](int column, int row) {
            Kestrel::Scene scene(&context.stage.device());
            addAnt(scene, assetgen::ANT_KINDS[row].mesh, framing);
            scene.update(0.0f);
            std::string caption = assetgen::ANT_KINDS[row].mesh;
            if (framing == Framing::Game)
                caption += std::string("  ") + views[column].name;
            return context.stage.shoot(scene, antShot(views[column], caption, framing));
        });
}

// The time of each of `count` moments spread over the animation; a loop's last
// moment would repeat its first, so loops stop short of it.
float momentTime(const AnimationUse& use, int moment, int count) {
    return playedLength(use.file) * moment / (use.loop ? count : count - 1);
}

// Moment `moment` of `count` of the animation as the game plays it, on the ant
// kind that plays it and with the rock in its hand when it throws, from each
// view. At the game's framing the caption prints the pose's lowest point (world
// units), so that a pose that sinks into the floor or floats shows up.
std::vector<Image> photographMoment(const SheetContext& context, const AnimationUse& use,
                                    int moment, int count, Framing framing,
                                    const std::vector<View>& views) {
    Kestrel::Scene scene(&context.stage.device());
    const float time = momentTime(use, moment, count);
    const std::string file = use.file;
    char text[128];
    std::snprintf(text, sizeof text, "%s %.2f s", file.substr(0, file.find('.')).c_str(), time);
    std::string caption = text;
    if (Kestrel::Entity* ant = addAnt(scene, use.mesh, framing)) {
        if (use.holdsRock)
            giveRock(scene, *ant);
        scene.update(0.0f);
        playAfter(*ant, use, time);
        if (framing == Framing::Game) {
            std::snprintf(text, sizeof text, "  low %+.3f",
                          lowestPoint(*ant, context.stage.device()));
            caption += text;
            std::printf("  %s\n", caption.c_str());
        }
    }
    std::vector<Image> shots;
    for (const View& view : views)
        shots.push_back(context.stage.shoot(scene, antShot(view, caption, framing)));
    return shots;
}

} // namespace

bool poseAt(Kestrel::Entity& entity, const std::string& animation, float time) {
    Kestrel::Animation* a = load(animation);
    if (!a)
        return false;
    entity.playAnimation(a, 0.0f, animationUse(animation).loop, false);
    entity.Kestrel::Entity::update(0.0f);
    entity.Kestrel::Entity::update(time);
    entity.Kestrel::Entity::update(0.0f);
    return true;
}

float playedLength(const std::string& animation) {
    Kestrel::Animation* a = load(animation);
    return a ? a->getAnimationLength(animationUse(animation).loop) : 0.0f;
}

void writeAntSheet(const SheetContext& context) {
    writeAnts(context, {FRONT_RIGHT, RIGHT_SIDE, TOP, REAR_LEFT, FRONT}, Framing::Game, 2,
              "ants.png");
}

void writePropSheet(const SheetContext& context) {
    writeContactSheet(context.path("props.png"), 2, 2, 2, [&](int column, int row) {
        const PropViews& prop = PROPS[row];
        Kestrel::Scene scene(&context.stage.device());
        if (Kestrel::Entity* entity = scene.getRoot()->createEntity(prop.file))
            entity->setPosition(0.0f, prop.height, 0.0f);
        scene.update(0.0f);
        Shot shot;
        shot.target = prop.target;
        shot.eye = prop.eyes[column];
        shot.caption = std::string(prop.file) + "  " + prop.captions[column];
        return context.stage.shoot(scene, shot);
    });
}

void writeAnimationSheets(const SheetContext& context) {
    // The side views make up the overview too, a row per animation.
    std::vector<std::vector<Image>> sides;
    for (const AnimationUse& use : ANIMATION_USES) {
        std::vector<std::vector<Image>> shots;
        sides.emplace_back();
        for (int moment = 0; moment < MOMENTS; ++moment) {
            shots.push_back(photographMoment(context, use, moment, MOMENTS, Framing::Game,
                                             {RIGHT_SIDE, FRONT_RIGHT}));
            sides.back().push_back(shots.back()[0]);
        }
        const std::string name(use.file);
        writeContactSheet(context.path("anim-" + name.substr(0, name.find('.')) + ".png"), MOMENTS,
                          2, 2, [&](int column, int row) { return shots[column][row]; });
    }
    writeContactSheet(context.path("animations.png"), MOMENTS, int(sides.size()), 4,
                      [&](int column, int row) { return sides[row][column]; });
}

void writeAntPictures(const SheetContext& context) {
    writeAnts(context, {FRONT_RIGHT, RIGHT_SIDE, TOP}, Framing::Close, 4, "docs-ants.png");

    const char* const files[] = {"antwalk.ksta", "antthrow.ksta", "antdie.ksta", "antfire.ksta"};
    const int moments = 5;
    writeContactSheet(context.path("docs-animations.png"), moments, 4, 4, [&](int column, int row) {
        return photographMoment(context, animationUse(files[row]), column, moments, Framing::Close,
                                {RIGHT_SIDE})[0];
    });
}

} // namespace preview
