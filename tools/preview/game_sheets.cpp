#include "app/application.h"
#include "app/title_layout.h"
#include "app/titlescreen.h"
#include "app/world.h"
#include "engine/camera.h"
#include "engine/particlemanager.h"
#include "engine/scenenode.h"
#include "game/fireant.h"
#include "game/playerant.h"
#include "game/zombieant.h"
#include "tools/preview/sheets.h"
#include "tools/preview/stage.h"

#include <cmath>
#include <string>
#include <vector>

namespace preview {

namespace {

using Kestrel::Vector3;

const Vector3 FIELD_CENTRE(8.0f, 0.0f, 8.0f);

// An enemy of the level, `offset` from the player (or at `offset` itself when
// not relative), posed in the middle of what it does.
struct Enemy {
    enum Kind { SOLDIER, THROWER, CASUALTY, ZOMBIE, FIRE } kind;
    Vector3 offset;
    bool relative;
    const char* animation;
    float time;
};

const Enemy ENEMIES[] = {{Enemy::SOLDIER, {4.0f, 0, 15.5f}, false, "antwalk.ksta", 0.1f},
                         {Enemy::ZOMBIE, {12.5f, 0, 14.0f}, false, "antwalk.ksta", 0.25f},
                         {Enemy::FIRE, {3.0f, 0, 5.0f}, true, "antfire.ksta", 0.7f},
                         {Enemy::THROWER, {-2.5f, 0, 4.0f}, true, "antthrow.ksta", 0.3f},
                         {Enemy::CASUALTY, {-4.0f, 0, 1.5f}, true, "antdie.ksta", 1.3f}};

Insect* makeEnemy(Enemy::Kind kind, Kestrel::RenderDevice* device) {
    if (kind == Enemy::ZOMBIE)
        return new ZombieAnt(device);
    if (kind == Enemy::FIRE)
        return new FireAnt(device);
    return new SoldierAnt(device);
}

// A breath a second under way, its flames and smoke emitted and flown by the
// game's own fire ant and particles frame by frame; the ant holds its pose.
void breathe(World& world, FireAnt& fireAnt) {
    for (float played = 0.0f; played < 1.0f; played += FRAME) {
        fireAnt.breatheFire(FRAME);
        world.m_Scene->getParticleManager()->update(FRAME);
    }
}

// The world as the game builds it, started, with its player ant at `player`
// and enemies about it; g_World points to it while it lives.
class Level {
public:
    Level(Kestrel::RenderDevice& device, const Vector3& player) : m_World(&device) {
        g_World = &m_World;
        m_World.m_Playing = true;
        m_World.m_Player->setPosition(player);
        for (const Enemy& enemy : ENEMIES)
            addEnemy(enemy, device, player);
        m_World.m_Scene->update(0.0f);
        for (std::size_t i = 0; i < m_Enemies.size(); ++i)
            pose(*m_Enemies[i], ENEMIES[i], player);
        poseAt(*m_World.m_Player, "antidle.ksta", 0.3f);
        if (m_Fire)
            breathe(m_World, *m_Fire);
        m_World.m_Scene->getCamera()->setAspect(CAMERA_ASPECT);
    }
    ~Level() { g_World = nullptr; }

    World& world() { return m_World; }

    // The world's camera where following the player has settled.
    void follow() {
        const Vector3 p = m_World.m_Player->getPosition();
        m_World.m_CameraTarget = p;
        m_World.m_CameraPosition = p + FOLLOW_EYE_OFFSET;
        lookFrom(m_World.m_CameraPosition, m_World.m_CameraTarget);
    }
    void lookFrom(const Vector3& eye, const Vector3& target) {
        m_World.m_Scene->getCamera()->lookAt(eye, target, {0.0f, 1.0f, 0.0f});
    }

private:
    void addEnemy(const Enemy& enemy, Kestrel::RenderDevice& device, const Vector3& player) {
        Insect* ant = makeEnemy(enemy.kind, &device);
        const Vector3 at = enemy.relative ? player + enemy.offset : enemy.offset;
        ant->setPositionX(at.x);
        ant->setPositionZ(at.z);
        ant->setParent(m_World.m_EnemyNode);
        m_Enemies.push_back(ant);
        if (enemy.kind == Enemy::FIRE)
            m_Fire = static_cast<FireAnt*>(ant);
    }
    void pose(Insect& ant, const Enemy& enemy, const Vector3& player) {
        ant.faceDirection(player - ant.getPosition());
        if (enemy.kind == Enemy::THROWER)
            static_cast<SoldierAnt&>(ant).throwRock();
        else if (enemy.kind == Enemy::CASUALTY)
            ant.die();
        poseAt(ant, enemy.animation, enemy.time);
    }

    World m_World;
    std::vector<Insect*> m_Enemies;
    FireAnt* m_Fire = nullptr;
};

// The title screen with the ant at the end of pointing at the selection and
// the title swayed by `sway` degrees.
void showTitle(TitleScreen& title, bool pointingUp, float sway) {
    title.m_Selection = pointingUp;
    const char* animation = pointingUp ? "antpointup.ksta" : "antpointdown.ksta";
    const float settled = SWITCH_BLEND_TIME + playedLength(animation);
    for (float played = 0.0f; played < settled; played += FRAME)
        title.update(FRAME);
    title.m_Time = std::asin(sway / SWAY_DEGREES);
    if (title.m_Time < 0.0f)
        title.m_Time += 2.0f * std::acos(-1.0f);
    title.update(0.0f);
}

// Along the title camera's line of sight to the ant, 2.5 units off.
Shot titleCloseUp(const std::string& caption) {
    Shot shot;
    shot.target = TITLE_ANT_POSITION + Vector3(0.0f, 0.3f, 0.0f);
    shot.eye = shot.target + (TITLE_CAMERA_EYE - shot.target).normalized() * 2.5f;
    shot.aspect = 1.0f;
    shot.footing = Footing::None;
    shot.caption = caption;
    return shot;
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
    writeContactSheet(context.path("title.png"), 2, 3, 1, [&](int column, int row) {
        const Frame& frame = frames[row * 2 + column];
        TitleScreen title(&context.stage.device());
        showTitle(title, frame.up, frame.sway);
        return frame.closeUp ? context.stage.shoot(*title.m_Scene, titleCloseUp(frame.caption))
                             : context.stage.shootGame([&] { title.render(); }, frame.caption);
    });
}

void writeScenerySheet(const SheetContext& context) {
    const Vector3 eyes[] = {{8.0f, 26.0f, -12.0f}, {30.0f, 22.0f, 30.0f}, {8.0f, 1.5f, 4.0f}};
    const char* const captions[] = {"  from the south, high", "  from the north-east",
                                    "  from the field"};
    writeContactSheet(
        context.path("scenery.png"), 3, LEVEL_PIECE_COUNT, 2, [&](int column, int row) {
            Kestrel::Scene scene(&context.stage.device());
            addLevelPiece(*scene.getRoot(), LEVEL_PIECES[row], &context.stage.device());
            scene.update(0.0f);
            Shot shot;
            shot.footing = Footing::Field;
            shot.backdrop = false;
            shot.eye = eyes[column];
            shot.target = column == 2 ? Vector3(8.0f, 2.5f, 20.0f) : FIELD_CENTRE;
            shot.caption = LEVEL_PIECES[row].file + std::string(captions[column]);
            return context.stage.shoot(scene, shot);
        });
}

void writeGamePictures(const SheetContext& context) {
    writeContactSheet(context.path("docs-game.png"), 2, 1, 2, [&](int column, int) {
        if (column == 0) {
            TitleScreen title(&context.stage.device());
            showTitle(title, true, 8.0f);
            return context.stage.shootGame([&] { title.render(); }, "");
        }
        Level level(context.stage.device(), {8.0f, 0.0f, 8.0f});
        level.follow();
        return context.stage.shootGame([&] { level.world().render(); }, "");
    });
}

void writeFieldSheet(const SheetContext& context) {
    enum Camera { START, FOLLOW, FIXED };
    struct View {
        Vector3 player;
        Camera camera;
        Vector3 eye, target;
        const char* caption;
    };
    const View views[] = {
        {{7.7f, 0, 0}, START, {}, {}, "world camera at the start"},
        {{8, 0, 8}, FOLLOW, {}, {}, "following the player at (8, 8)"},
        {{2, 0, 13}, FOLLOW, {}, {}, "following the player at (2, 13)"},
        {{14, 0, 3}, FOLLOW, {}, {}, "following the player at (14, 3)"},
        {{8, 0, 15.5f}, FOLLOW, {}, {}, "following the player at (8, 15.5)"},
        {{0.5f, 0, 0.5f}, FOLLOW, {}, {}, "following the player at (0.5, 0.5)"},
        {{7.7f, 0, 0}, FIXED, {8, 26, -12}, FIELD_CENTRE, "the level from high in the south"},
        {{7.7f, 0, 0}, FIXED, {30, 22, 30}, FIELD_CENTRE, "the level from the north-east"},
        {{8, 0, 2}, FIXED, {8, 1.2f, 1}, {8, 1.0f, 12}, "an ant's eye view"}};
    writeContactSheet(context.path("field.png"), 3, 3, 2, [&](int column, int row) {
        const View& view = views[row * 3 + column];
        Level level(context.stage.device(), view.player);
        if (view.camera == FOLLOW)
            level.follow();
        else if (view.camera == FIXED)
            level.lookFrom(view.eye, view.target);
        return context.stage.shootGame([&] { level.world().render(); }, view.caption);
    });
}

} // namespace preview
