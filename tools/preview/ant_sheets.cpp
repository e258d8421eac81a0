#include "engine/entity.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/scenenode.h"
#include "tools/preview/ant_studio.h"
#include "tools/preview/sheets.h"
#include "tools/preview/stage.h"

#include <cstdio>
#include <string>
#include <vector>

namespace preview {

namespace {

const int MOMENTS = 6;

// A mesh shown on its own from two sides.
struct PropViews {
    const char* file;
    float height;
    Kestrel::Vector3 target;
    Kestrel::Vector3 eyes[2];
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
    ContactSheet sheet(int(views.size()), 3, reduction);
    for (int row = 0; row < 3; ++row) {
        Kestrel::Scene scene(&context.stage.device());
        addAnt(scene, ANT_MESHES[row], framing);
        scene.update(0.0f);
        for (int column = 0; column < int(views.size()); ++column) {
            std::string caption = ANT_MESHES[row];
            if (framing == Framing::Game)
                caption += std::string("  ") + views[column].name;
            sheet.place(column, row,
                        context.stage.shoot(scene, antShot(views[column], caption, framing)));
        }
    }
    sheet.save(context.path(file));
}

// The time of each of `count` moments spread over the animation; a loop's last
// moment would repeat its first, so loops stop short of it.
float momentTime(const AnimationUse& use, int moment, int count) {
    return playedLength(use.file, use.loop) * moment / (use.loop ? count : count - 1);
}

} // namespace

void writeAntSheet(const SheetContext& context) {
    writeAnts(context, {FRONT_RIGHT, RIGHT_SIDE, TOP, REAR_LEFT, FRONT}, Framing::Game, 2,
              "ants.png");
}

void writePropSheet(const SheetContext& context) {
    ContactSheet sheet(2, 2, 2);
    for (int row = 0; row < 2; ++row) {
        const PropViews& prop = PROPS[row];
        Kestrel::Scene scene(&context.stage.device());
        if (Kestrel::Entity* entity = scene.getRoot()->createEntity(prop.file))
            entity->setPosition(0.0f, prop.height, 0.0f);
        scene.update(0.0f);
        Shot shot;
        shot.target = prop.target;
        for (int column = 0; column < 2; ++column) {
            shot.eye = prop.eyes[column];
            shot.caption = std::string(prop.file) + "  " + prop.captions[column];
            sheet.place(column, row, context.stage.shoot(scene, shot));
        }
    }
    sheet.save(context.path("props.png"));
}

void writeAnimationSheets(const SheetContext& context) {
    ContactSheet overview(MOMENTS, int(ANIMATION_USES.size()), 4);
    for (int row = 0; row < int(ANIMATION_USES.size()); ++row) {
        const AnimationUse& use = ANIMATION_USES[row];
        ContactSheet detail(MOMENTS, 2, 2);
        for (int column = 0; column < MOMENTS; ++column) {
            Kestrel::Scene scene(&context.stage.device());
            const AntMoment moment = playMoment(scene, context.stage.device(), use,
                                                momentTime(use, column, MOMENTS), Framing::Game);
            std::printf("  %s\n", moment.caption.c_str());
            const assetgen::Image side =
                context.stage.shoot(scene, antShot(RIGHT_SIDE, moment.caption, Framing::Game));
            detail.place(column, 0, side);
            overview.place(column, row, side);
            detail.place(
                column, 1,
                context.stage.shoot(scene, antShot(FRONT_RIGHT, moment.caption, Framing::Game)));
        }
        const std::string name(use.file);
        detail.save(context.path("anim-" + name.substr(0, name.find('.')) + ".png"));
    }
    overview.save(context.path("animations.png"));
}

void writeAntPictures(const SheetContext& context) {
    writeAnts(context, {FRONT_RIGHT, RIGHT_SIDE, TOP}, Framing::Close, 4, "docs-ants.png");

    const char* const files[] = {"antwalk.ksta", "antthrow.ksta", "antdie.ksta", "antfire.ksta"};
    const int moments = 5;
    ContactSheet animations(moments, 4, 4);
    for (int row = 0; row < 4; ++row) {
        const AnimationUse& use = animationUse(files[row]);
        for (int column = 0; column < moments; ++column) {
            Kestrel::Scene scene(&context.stage.device());
            const AntMoment moment = playMoment(scene, context.stage.device(), use,
                                                momentTime(use, column, moments), Framing::Close);
            const std::string caption = moment.caption.substr(0, moment.caption.find("  "));
            animations.place(
                column, row,
                context.stage.shoot(scene, antShot(RIGHT_SIDE, caption, Framing::Close)));
        }
    }
    animations.save(context.path("docs-animations.png"));
}

} // namespace preview
