#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/scenenode.h"
#include "tools/preview/contact_sheet.h"
#include "tools/preview/posing.h"
#include "tools/preview/sheets.h"
#include "tools/preview/stage.h"

#include <cstdio>
#include <vector>

namespace preview {

namespace {

using Kestrel::Vector3;

const float ANT_SCALE = 0.5f;  // as the game shows every ant kind
const float ROCK_SCALE = 0.1f; // a rock in the hand, relative to the hand bone
const int MOMENTS = 6;

// An ant of the game's size stands at the origin facing -z; views look at the
// middle of its body from about 1.5 units (the near plane is at 1).
const Vector3 ANT_CENTRE(0.0f, 0.13f, -0.05f);

struct View {
    const char* name;
    Vector3 offset; // eye relative to the centre
};

const View FRONT_RIGHT{"front right", {0.75f, 0.6f, -1.15f}};
const View RIGHT_SIDE{"right side", {1.5f, 0.15f, 0.0f}};
const View TOP{"top", {0.0f, 1.5f, 0.3f}};
const View REAR_LEFT{"rear left", {-0.95f, 0.65f, 1.05f}};
const View FRONT{"front", {0.0f, 0.3f, -1.55f}};

// How the game plays each animation: on which ant, after what and how fast it
// blends in.
struct AnimationRole {
    const char* file;
    const char* mesh;
    bool loop;
    const char* after;
    float blendTime;
    bool holdsRock;
};

const AnimationRole ANIMATIONS[] = {
    {"antwalk.ksta", "ant.kst", true, "antidle.ksta", 0.0f, false},
    {"antidle.ksta", "ant.kst", true, "antwalk.ksta", 0.0f, false},
    {"antthrow.ksta", "ant.kst", false, "antidle.ksta", 0.1f, true},
    {"antdie.ksta", "ant.kst", false, "antwalk.ksta", 0.2f, false},
    {"antfire.ksta", "fireant.kst", false, "antwalk.ksta", 0.2f, false},
    {"zombieanteat.ksta", "zombieant.kst", false, "antwalk.ksta", 0.2f, false},
    {"antpointup.ksta", "ant.kst", false, "antpointdown.ksta", 0.2f, false},
    {"antpointdown.ksta", "ant.kst", false, "antpointup.ksta", 0.2f, false}};

const char* const ANT_MESHES[] = {"ant.kst", "fireant.kst", "zombieant.kst"};

Shot antShot(const View& view, const std::string& caption) {
    Shot shot;
    shot.eye = ANT_CENTRE + view.offset;
    shot.target = ANT_CENTRE;
    shot.caption = caption;
    return shot;
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

// Also printed, so that a pose that sinks into the floor or floats shows up
// in the program's output.
std::string momentCaption(const std::string& file, float time, float lowest) {
    const std::string name = file.substr(0, file.find('.'));
    char text[128];
    std::snprintf(text, sizeof text, "%s %.2f s  low %+.3f", name.c_str(), time, lowest);
    std::printf("  %s\n", text);
    return text;
}

} // namespace

void writeAntSheet(const SheetContext& context) {
    const View views[] = {FRONT_RIGHT, RIGHT_SIDE, TOP, REAR_LEFT, FRONT};
    ContactSheet sheet(5, 3, 2);
    for (int row = 0; row < 3; ++row) {
        Kestrel::Scene scene(&context.stage.device());
        Kestrel::Entity* ant = scene.getRoot()->createEntity(ANT_MESHES[row]);
        if (ant)
            ant->setScale(ANT_SCALE, ANT_SCALE, ANT_SCALE);
        settle(scene);
        for (int column = 0; column < 5; ++column) {
            const std::string caption = std::string(ANT_MESHES[row]) + "  " + views[column].name;
            sheet.place(column, row, context.stage.shoot(scene, antShot(views[column], caption)));
        }
    }
    sheet.save(context.path("ants.png"));
}

void writePropSheet(const SheetContext& context) {
    ContactSheet sheet(2, 2, 2);
    {
        Kestrel::Scene scene(&context.stage.device());
        if (Kestrel::Entity* rock = scene.getRoot()->createEntity("rock.kst"))
            rock->setPosition(0.0f, 0.5f, 0.0f);
        settle(scene);
        Shot shot;
        shot.target = {0.0f, 0.4f, 0.0f};
        shot.eye = {2.0f, 1.6f, -2.2f};
        shot.caption = "rock.kst  at ten times its size";
        sheet.place(0, 0, context.stage.shoot(scene, shot));
        shot.eye = {-2.6f, 0.6f, 1.4f};
        shot.caption = "rock.kst  low from behind";
        sheet.place(1, 0, context.stage.shoot(scene, shot));
    }
    {
        Kestrel::Scene scene(&context.stage.device());
        if (Kestrel::Entity* title = scene.getRoot()->createEntity("title.kst"))
            title->setPosition(0.0f, 1.0f, 0.0f);
        settle(scene);
        Shot shot;
        shot.target = {0.0f, 1.0f, 0.0f};
        shot.eye = {1.8f, 2.6f, -3.0f};
        shot.caption = "title.kst  from above, front right";
        sheet.place(0, 1, context.stage.shoot(scene, shot));
        shot.eye = {-2.4f, 1.4f, 2.8f};
        shot.caption = "title.kst  from behind";
        sheet.place(1, 1, context.stage.shoot(scene, shot));
    }
    sheet.save(context.path("props.png"));
}

void writeAnimationSheets(const SheetContext& context) {
    const int count = int(sizeof ANIMATIONS / sizeof ANIMATIONS[0]);
    ContactSheet overview(MOMENTS, count, 4);
    for (int row = 0; row < count; ++row) {
        const AnimationRole& role = ANIMATIONS[row];
        const float length = playedLength(role.file, role.loop);
        // A loop's last moment would repeat its first, so loops stop short of it.
        const float step = length / (role.loop ? MOMENTS : MOMENTS - 1);
        ContactSheet detail(MOMENTS, 2, 2);
        for (int column = 0; column < MOMENTS; ++column) {
            Kestrel::Scene scene(&context.stage.device());
            Kestrel::Entity* ant = scene.getRoot()->createEntity(role.mesh);
            if (!ant)
                continue;
            ant->setScale(ANT_SCALE, ANT_SCALE, ANT_SCALE);
            if (role.holdsRock)
                giveRock(scene, *ant);
            settle(scene);
            const float time = step * column;
            playAfter(*ant, role.after, role.file, role.blendTime, time, role.loop);
            const std::string caption =
                momentCaption(role.file, time, lowestPoint(*ant, context.stage.device()));
            const assetgen::Image side = context.stage.shoot(scene, antShot(RIGHT_SIDE, caption));
            detail.place(column, 0, side);
            overview.place(column, row, side);
            detail.place(column, 1, context.stage.shoot(scene, antShot(FRONT_RIGHT, caption)));
        }
        const std::string name(role.file);
        detail.save(context.path("anim-" + name.substr(0, name.find('.')) + ".png"));
    }
    overview.save(context.path("animations.png"));
}

} // namespace preview
