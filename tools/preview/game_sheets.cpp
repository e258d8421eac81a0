#include "app/ground.h"
#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/particlemanager.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "tools/preview/contact_sheet.h"
#include "tools/preview/overlay.h"
#include "tools/preview/posing.h"
#include "tools/preview/sheets.h"
#include "tools/preview/stage.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace preview {

namespace {

using Kestrel::Vector2;
using Kestrel::Vector3;

const float ANT_SCALE = 0.5f;
const Vector3 LEVEL_SCALE(20.0f, 16.0f, 20.0f);
const Vector3 LEVEL_POSITION(8.0f, 0.5f, 8.0f);
const Vector3 FIELD_CENTRE(8.0f, 0.0f, 8.0f);
const char* const SCENERY[] = {"rocks.kst",         "tree.kst",   "tombstone.kst",
                               "terrainborder.kst", "skybox.kst", "grass.kst"};
const float PI = 3.14159265f;

// A particle that stays where it is put, drawn from one cell of "particle.png".
class StillParticle : public Kestrel::Particle {
public:
    StillParticle(const Vector3& position, float size, bool smoke) : m_Smoke(smoke) {
        m_Position = position;
        m_Size = size;
    }
    bool update(float) override { return true; }
    const Vector2& getTexCoordMin() const override { return m_Smoke ? SMOKE_MIN : FLAME_MIN; }
    const Vector2& getTexCoordMax() const override { return m_Smoke ? SMOKE_MAX : FLAME_MAX; }

private:
    static const Vector2 FLAME_MIN, FLAME_MAX, SMOKE_MIN, SMOKE_MAX;
    bool m_Smoke;
};

const Vector2 StillParticle::FLAME_MIN{0.0f, 0.0f};
const Vector2 StillParticle::FLAME_MAX{0.25f, 0.25f};
const Vector2 StillParticle::SMOKE_MIN{0.75f, 0.0f};
const Vector2 StillParticle::SMOKE_MAX{1.0f, 0.25f};

Kestrel::Entity* addScenery(Kestrel::Scene& scene, const char* file) {
    Kestrel::Entity* entity = scene.getRoot()->createEntity(file);
    if (!entity)
        return nullptr;
    entity->setScale(LEVEL_SCALE);
    entity->setPosition(LEVEL_POSITION);
    if (std::string(file) == "grass.kst")
        entity->getMesh()->m_Transparent = true;
    return entity;
}

// The heading (degrees) that makes an ant at `from` face `to`.
float headingTowards(const Vector3& from, const Vector3& to) {
    const Vector3 d = to - from;
    return std::atan2(d.x, d.z) * 180.0f / PI + 180.0f;
}

struct Actor {
    const char* mesh;
    float x, z;
    const char* animation;
    float time;
    bool loop;
};

Kestrel::Entity* addAnt(Kestrel::Scene& scene, const Actor& actor, const Vector3& player) {
    Kestrel::Entity* ant = scene.getRoot()->createEntity(actor.mesh);
    if (!ant)
        return nullptr;
    ant->setScale(ANT_SCALE, ANT_SCALE, ANT_SCALE);
    const Vector3 at(actor.x, ::Ground::getHeight(actor.x, actor.z), actor.z);
    ant->setPosition(at);
    ant->setRotationY(at == player ? -180.0f : headingTowards(at, player));
    return ant;
}

// A breath in flight: flames ahead of the head at their ages, smoke above them,
// placed the way the fire ant aims its flames.
void addBreath(Kestrel::Scene& scene, const Kestrel::Entity& fireAnt) {
    const Kestrel::Bone* head = fireAnt.getBone("Head");
    if (!head)
        return;
    const Vector3 a = head->transformPoint({0, 0, 0}), b = head->transformPoint({0, 0, 0.2f});
    const Vector3 direction = Vector3(a.x - b.x, 0.0f, a.z - b.z).normalized();
    Kestrel::ParticleManager* particles = scene.getParticleManager();
    for (float age = 0.1f; age < 1.0f; age += 0.2f) {
        const Vector3 p = b + direction * (5.0f * age);
        particles->addParticle(new StillParticle(p, std::fmin(age, 1.0f), false));
        particles->addParticle(new StillParticle(p + Vector3(0.1f, 0.3f, 0.0f), 0.6f, true));
    }
}

// The level as the world builds it, with the player at `player` and a few
// enemies about it, each posed in the middle of what it does.
void buildLevel(Kestrel::Scene& scene, Kestrel::RenderDevice& device, const Vector3& player) {
    for (const char* file : SCENERY)
        addScenery(scene, file);
    scene.getParticleManager()->setTexture(
        Kestrel::ResourceManager::getInstance()->loadTexture("particle.png", &device));
    const Actor actors[] = {
        {"ant.kst", player.x, player.z, "antidle.ksta", 0.3f, true},
        {"ant.kst", 4.0f, 15.5f, "antwalk.ksta", 0.1f, true},
        {"zombieant.kst", 12.5f, 14.0f, "antwalk.ksta", 0.25f, true},
        {"fireant.kst", player.x + 3.0f, player.z + 5.0f, "antfire.ksta", 0.7f, false},
        {"ant.kst", player.x - 2.5f, player.z + 4.0f, "antthrow.ksta", 0.3f, false},
        {"ant.kst", player.x - 4.0f, player.z + 1.5f, "antdie.ksta", 1.3f, false},
    };
    std::vector<Kestrel::Entity*> ants;
    for (const Actor& actor : actors)
        ants.push_back(addAnt(scene, actor, player));
    settle(scene);
    for (std::size_t i = 0; i < ants.size(); ++i)
        if (ants[i])
            poseAt(*ants[i], actors[i].animation, actors[i].time, actors[i].loop);
    if (ants[3])
        addBreath(scene, *ants[3]);
}

Shot followShot(const Vector3& player, const std::string& caption) {
    Shot shot;
    shot.eye = {player.x, player.y + 8.0f, player.z - 10.0f};
    shot.target = player;
    shot.footing = Footing::Field;
    shot.backdrop = false;
    shot.caption = caption;
    return shot;
}

Shot levelShot(const Vector3& eye, const Vector3& target, const std::string& caption) {
    Shot shot;
    shot.eye = eye;
    shot.target = target;
    shot.footing = Footing::Field;
    shot.backdrop = false;
    shot.caption = caption;
    return shot;
}

const Vector3 TITLE_EYE(0.0f, 1.0f, -7.0f);
const Vector3 TITLE_ANT(1.0f, -1.5f, 0.0f);

// The title screen's scene with the ant at the end of its pointing animation.
void buildTitleScreen(Kestrel::Scene& scene, bool pointingUp, float sway) {
    Kestrel::Entity* ant = scene.getRoot()->createEntity("ant.kst");
    Kestrel::Entity* title = scene.getRoot()->createEntity("title.kst");
    if (ant) {
        ant->setRotationY(85.0f);
        ant->setPosition(TITLE_ANT);
    }
    if (title) {
        title->setScale(2.0f, 2.0f, 2.0f);
        title->setPositionY(1.0f);
        title->setRotationY(sway);
    }
    settle(scene);
    const char* animation = pointingUp ? "antpointup.ksta" : "antpointdown.ksta";
    if (ant)
        poseAt(*ant, animation, playedLength(animation, false), false);
}

void drawMenu(Overlay& overlay) {
    overlay.text("One Player", {0.6f, 0.4f}, 0.08f);
    overlay.text("Exit", {0.6f, 0.3f}, 0.08f);
}

} // namespace

void writeTitleSheet(const SheetContext& context) {
    struct Frame {
        bool up;
        float sway;
        bool closeUp;
        const char* caption;
    };
    const Frame frames[] = {{true, 0.0f, false, "title screen: One Player"},
                            {false, 0.0f, false, "title screen: Exit"},
                            {true, 20.0f, false, "title swayed +20 degrees"},
                            {false, -20.0f, false, "title swayed -20 degrees"},
                            {true, 0.0f, true, "the ant pointing up, closer"},
                            {false, 0.0f, true, "the ant pointing down, closer"}};
    ContactSheet sheet(2, 3, 1);
    for (int i = 0; i < 6; ++i) {
        Kestrel::Scene scene(&context.stage.device());
        buildTitleScreen(scene, frames[i].up, frames[i].sway);
        Shot shot;
        shot.eye = TITLE_EYE;
        shot.target = {0.0f, 0.0f, 0.0f};
        shot.aspect = 1.0f;
        shot.footing = Footing::None;
        shot.backdrop = frames[i].closeUp;
        shot.caption = frames[i].caption;
        if (frames[i].closeUp) {
            // Along the title camera's line of sight to the ant, 2.5 units off.
            shot.target = TITLE_ANT + Vector3(0.0f, 0.3f, 0.0f);
            shot.eye = shot.target + (TITLE_EYE - shot.target).normalized() * 2.5f;
        }
        const auto menu = frames[i].closeUp ? std::function<void(Overlay&)>() : drawMenu;
        sheet.place(i % 2, i / 2, context.stage.shoot(scene, shot, menu));
    }
    sheet.save(context.path("title.png"));
}

void writeScenerySheet(const SheetContext& context) {
    const int count = int(sizeof SCENERY / sizeof SCENERY[0]);
    ContactSheet sheet(3, count, 2);
    for (int row = 0; row < count; ++row) {
        Kestrel::Scene scene(&context.stage.device());
        addScenery(scene, SCENERY[row]);
        settle(scene);
        const std::string name = SCENERY[row];
        const Shot shots[] = {
            levelShot({8.0f, 26.0f, -12.0f}, FIELD_CENTRE, name + "  from the south, high"),
            levelShot({30.0f, 22.0f, 30.0f}, FIELD_CENTRE, name + "  from the north-east"),
            levelShot({8.0f, 1.5f, 4.0f}, {8.0f, 2.5f, 20.0f}, name + "  from the field")};
        for (int column = 0; column < 3; ++column)
            sheet.place(column, row, context.stage.shoot(scene, shots[column]));
    }
    sheet.save(context.path("scenery.png"));
}

void writeGamePictures(const SheetContext& context) {
    ContactSheet sheet(2, 1, 2);
    {
        Kestrel::Scene scene(&context.stage.device());
        buildTitleScreen(scene, true, 8.0f);
        Shot shot;
        shot.eye = TITLE_EYE;
        shot.target = {0.0f, 0.0f, 0.0f};
        shot.aspect = 1.0f;
        shot.footing = Footing::None;
        shot.backdrop = false;
        sheet.place(0, 0, context.stage.shoot(scene, shot, drawMenu));
    }
    Kestrel::Scene scene(&context.stage.device());
    const Vector3 player(8.0f, ::Ground::getHeight(8.0f, 8.0f), 8.0f);
    buildLevel(scene, context.stage.device(), player);
    sheet.place(1, 0, context.stage.shoot(scene, followShot(player, "")));
    sheet.save(context.path("docs-game.png"));
}

void writeFieldSheet(const SheetContext& context) {
    struct View {
        Vector3 player;
        bool follow;
        Vector3 eye, target;
        const char* caption;
    };
    const View views[] = {
        {{7.7f, 0, 0}, false, {8, 10, 0}, FIELD_CENTRE, "world camera at the start"},
        {{8, 0, 8}, true, {}, {}, "following the player at (8, 8)"},
        {{2, 0, 13}, true, {}, {}, "following the player at (2, 13)"},
        {{14, 0, 3}, true, {}, {}, "following the player at (14, 3)"},
        {{8, 0, 15.5f}, true, {}, {}, "following the player at (8, 15.5)"},
        {{0.5f, 0, 0.5f}, true, {}, {}, "following the player at (0.5, 0.5)"},
        {{7.7f, 0, 0}, false, {8, 26, -12}, FIELD_CENTRE, "the level from high in the south"},
        {{7.7f, 0, 0}, false, {30, 22, 30}, FIELD_CENTRE, "the level from the north-east"},
        {{8, 0, 2}, false, {8, 1.2f, 1}, {8, 1.0f, 12}, "an ant's eye view"}};
    ContactSheet sheet(3, 3, 2);
    for (int i = 0; i < 9; ++i) {
        Kestrel::Scene scene(&context.stage.device());
        Vector3 player = views[i].player;
        player.y = ::Ground::getHeight(player.x, player.z);
        buildLevel(scene, context.stage.device(), player);
        const Shot shot = views[i].follow
                              ? followShot(player, views[i].caption)
                              : levelShot(views[i].eye, views[i].target, views[i].caption);
        sheet.place(i % 3, i / 3, context.stage.shoot(scene, shot));
    }
    sheet.save(context.path("field.png"));
}

} // namespace preview
