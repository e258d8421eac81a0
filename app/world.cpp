#include "app/world.h"

#include "app/application.h"
#include "app/ground.h"
#include "app/random.h"
#include "app/sound.h"
#include "engine/animation.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "engine/text.h"
#include "game/animation_uses.h"
#include "game/fireant.h"
#include "game/playerant.h"
#include "game/soldierant.h"
#include "game/zombieant.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

using Kestrel::Vector2;
using Kestrel::Vector3;

namespace {

// What the actors load as they appear, checked once so that a missing file is
// named at start-up rather than failing quietly in the middle of play.
const char* const ACTOR_MESHES[] = {"ant.kst", "fireant.kst", "zombieant.kst", "rock.kst"};
// The actors' animations: the table's entries before the title screen's pointing.
const int ACTOR_ANIMATION_COUNT = ANT_POINT_UP;
const Vector3 LEVEL_SCALE(20.0f, 16.0f, 20.0f);
const Vector3 LEVEL_POSITION(8.0f, 0.5f, 8.0f);
const Vector3 UP(0.0f, 1.0f, 0.0f);
const char* const PARTICLE_TEXTURE = "particle.png";

const float RAND_SPAWN_CHANCE = 0.0003051851f; // 10 / 32767: about one ant per 10 s
// A draw times this lies across the field; exact, as 16 is a power of two.
const float RAND_FIELD_WIDTH = Ground::SIZE * RAND_FRACTION;
// Enemies enter at the far edge of the field.
const float SPAWN_Z = Ground::SIZE;
const float KIND_CHANCE = 0.33f;
const float PLAYER_START_X = 7.2f;

const int TOTAL_ANTS = 10;
// Where overlay text must end at the latest to stay on screen.
const float OVERLAY_RIGHT_MARGIN = 0.98f;

// Also reads the animations into the kept set, so that no file is read mid-play.
void reportMissingActorData(Kestrel::RenderDevice* device) {
    Kestrel::ResourceManager* resources = Kestrel::ResourceManager::getInstance();
    for (const char* file : ACTOR_MESHES) {
        if (!resources->loadMesh(file, device))
            printf("Error: mesh '%s' could not be loaded; what wears it is not drawn.\n", file);
    }
    for (int name = 0; name < ACTOR_ANIMATION_COUNT; ++name) {
        const char* file = ANIMATION_USES[name].file;
        if (!keptAnimation(file))
            printf("Error: animation '%s' could not be loaded; the ants do without it.\n", file);
    }
    // Every ant kind wears the skeleton of the player's mesh; an animation that
    // moves a bone it lacks is named now rather than when it first plays.
    if (Kestrel::Mesh* skeleton = resources->loadMesh(ACTOR_MESHES[0], device)) {
        const Kestrel::Entity probe(skeleton);
        for (int name = 0; name < ACTOR_ANIMATION_COUNT; ++name) {
            if (Kestrel::Animation* animation = keptAnimation(AnimationName(name)))
                animation->reportBonesMissingFrom(probe);
        }
    }
}

} // namespace

const LevelPiece LEVEL_PIECES[LEVEL_PIECE_COUNT] = {{"rocks.kst"},     {"tree.kst"},
                                                    {"tombstone.kst"}, {"terrainborder.kst"},
                                                    {"skybox.kst"},    {"grass.kst"}};

Kestrel::Entity* addLevelPiece(Kestrel::SceneNode& parent, const LevelPiece& piece,
                               Kestrel::RenderDevice* device) {
    Kestrel::Mesh* mesh = Kestrel::ResourceManager::getInstance()->loadMesh(piece.file, device);
    if (!mesh) {
        printf("Error: mesh '%s' could not be loaded; the level is drawn without it.\n",
               piece.file);
        return nullptr;
    }
    Kestrel::Entity* entity = new Kestrel::Entity(mesh);
    entity->setScale(LEVEL_SCALE);
    entity->setPosition(LEVEL_POSITION);
    entity->setParent(&parent);
    return entity;
}

void beginScreenOverlay(Kestrel::RenderDevice& device) {
    device.setDepthTest(false);
    device.setBlendMode(Kestrel::BLEND_ALPHA);
    device.setProjectionMatrix(Kestrel::Matrix4::screenOverlay());
}

Kestrel::Matrix4 overlayTextMatrix(float scale, const Vector3& position) {
    return Kestrel::Matrix4::scaling(Vector3(scale, scale, scale)) *
           Kestrel::Matrix4::translation(position);
}

float overlayTextX(const Kestrel::Text& font, const char* text, float x, float scale) {
    return std::min(x, OVERLAY_RIGHT_MARGIN - scale * font.measure(text));
}

namespace {

// Stands still in the corner of the particle texture.
class PreparingParticle : public Kestrel::Particle {
public:
    bool update(float) override { return true; }
    const Vector2& getTexCoordMin() const override { return m_Corner; }
    const Vector2& getTexCoordMax() const override { return m_Corner; }

private:
    Vector2 m_Corner;
};

} // namespace

World::World(Kestrel::RenderDevice* device) : m_RenderDevice(device) {
    reportMissingActorData(device);
    m_Scene = new Kestrel::Scene(device);
    m_Ground = new Ground(device);
    m_EnemyNode = new Kestrel::SceneNode(device);
    m_EnemyNode->setParent(m_Scene->getRoot());
    m_PlayerNode = new Kestrel::SceneNode(device);
    m_PlayerNode->setParent(m_Scene->getRoot());
    spawnPlayer();
    for (const LevelPiece& piece : LEVEL_PIECES)
        addLevelPiece(*m_Scene->getRoot(), piece, device);

    Kestrel::ResourceManager* resources = Kestrel::ResourceManager::getInstance();
    m_Scene->getParticleManager()->setTexture(resources->loadTexture(PARTICLE_TEXTURE, device));
    m_CameraPosition = Vector3(8.0f, 10.0f, 0.0f);
    m_CameraTarget = Vector3(8.0f, 0.0f, 8.0f);
    m_Scene->getCamera()->lookAt(m_CameraPosition, m_CameraTarget, UP);
    m_Font = Kestrel::ResourcePointer<Kestrel::Text>(resources->loadText(GAME_FONT_FILE, device));
    if (!m_Font.get())
        printf("Error: font '%s' could not be loaded; the head-up display is not drawn.\n",
               GAME_FONT_FILE);
}

bool World::prepareNextPiece() {
    std::vector<Kestrel::Transformable*> level;
    Kestrel::SceneNode* root = m_Scene->getRoot();
    for (unsigned i = 0; i < root->getChildCount(); ++i) {
        Kestrel::Transformable* child = root->getChild(i);
        if (child != m_PlayerNode && child != m_EnemyNode)
            level.push_back(child);
    }
    const size_t actors = sizeof(ACTOR_MESHES) / sizeof(ACTOR_MESHES[0]);
    const size_t piece = m_PreparedPieces;
    if (piece > level.size() + actors)
        return false;
    ++m_PreparedPieces;
    // Lit like the scene pass of a frame of play.
    glEnable(GL_LIGHTING);
    if (piece < level.size())
        prepareNode(*level[piece]);
    else if (piece < level.size() + actors)
        prepareActorMesh(ACTOR_MESHES[piece - level.size()]);
    else
        prepareGroundAndParticle();
    glDisable(GL_LIGHTING);
    return true;
}

// Placed and posed as in play; the level's nodes are still, so an update
// changes nothing else.
void World::prepareNode(Kestrel::Transformable& node) {
    node.update(0.0f);
    node.draw();
    m_RenderDevice->render(m_Scene->getCamera());
}

// A mesh that failed to load was named when the world was built.
void World::prepareActorMesh(const char* file) {
    Kestrel::Resource* found = Kestrel::ResourceManager::getInstance()->findResource(file);
    if (auto* mesh = dynamic_cast<Kestrel::Mesh*>(found)) {
        Kestrel::Entity shown(mesh);
        prepareNode(shown);
    }
}

// The particle goes through a batch of its own, so that the scene's particles
// (already flying if play began early) are not touched.
void World::prepareGroundAndParticle() {
    m_Ground->render();
    m_RenderDevice->render(m_Scene->getCamera());
    glDisable(GL_LIGHTING);
    Kestrel::ParticleManager batch(m_RenderDevice);
    batch.setTexture(
        Kestrel::ResourceManager::getInstance()->loadTexture(PARTICLE_TEXTURE, m_RenderDevice));
    auto* particle = new PreparingParticle();
    particle->m_Position = m_CameraTarget;
    particle->m_Size = 1.0f;
    batch.addParticle(particle);
    Kestrel::Camera* camera = m_Scene->getCamera();
    batch.render(camera->getPosition(), camera->getDirection());
    m_RenderDevice->render(camera);
}

World::~World() {
    delete m_Scene;
    delete m_Ground;
}

void World::spawnPlayer() {
    --m_AntsLeft;
    m_Player = new PlayerAnt(m_RenderDevice);
    m_Player->setParent(m_PlayerNode);
    const float u = static_cast<float>(gameRand()) * RAND_FRACTION;
    m_Player->setPosition(PLAYER_START_X + u, 0.0f, 0.0f);
    if (m_Playing)
        playSound(SOUND_NEXT_PLAYER, m_Player->getPosition());
}

void World::update(float dt) {
    if (!m_Playing)
        return;
    followPlayer(dt);
    m_Scene->update(m_TimeScale * dt);
    spawnEnemies(dt);
}

// The target catches up within about a third of a second, the eye within two.
// Neither factor is clamped: a step above 1/3 s overshoots and swings back.
void World::followPlayer(float dt) {
    const float a = 3.0f * dt;
    m_CameraTarget = m_CameraTarget * (1.0f - a) + m_Player->getPosition() * a;
    const Vector3 p = m_Player->getPosition();
    const float b = 0.5f * dt;
    const Vector3 wanted = p + FOLLOW_EYE_OFFSET;
    m_CameraPosition = m_CameraPosition * (1.0f - b) + wanted * b;
    m_Scene->getCamera()->lookAt(m_CameraPosition, m_CameraTarget, UP);
}

void World::spawnEnemies(float dt) {
    if (m_EnemyNode->getChildCount() >= 2) {
        if (!(dt > static_cast<float>(gameRand()) * RAND_SPAWN_CHANCE))
            return;
    }
    const float x = static_cast<float>(gameRand()) * RAND_FIELD_WIDTH;
    Insect* enemy;
    if (KIND_CHANCE > static_cast<float>(gameRand()) * RAND_FRACTION)
        enemy = new SoldierAnt(m_RenderDevice);
    else if (KIND_CHANCE > static_cast<float>(gameRand()) * RAND_FRACTION)
        enemy = new FireAnt(m_RenderDevice);
    else
        enemy = new ZombieAnt(m_RenderDevice);
    enemy->setPositionX(x);
    enemy->setPositionZ(SPAWN_Z);
    enemy->setParent(m_EnemyNode);
}

void World::render() {
    if (!m_Playing)
        return;
    glEnable(GL_LIGHTING);
    m_RenderDevice->clear(true, true);
    Kestrel::IntPoint lowerLeft;
    Kestrel::IntPoint upperRight;
    upperRight.x = WINDOW_WIDTH;
    upperRight.y = WINDOW_HEIGHT;
    m_RenderDevice->setViewport(lowerLeft, upperRight);
    m_Ground->render();
    m_Scene->render();
    glDisable(GL_LIGHTING);
    m_Scene->renderParticles();
    glDisable(GL_LIGHTING);
    drawHud();
}

void World::drawHud() {
    beginScreenOverlay(*m_RenderDevice);
    Kestrel::Text* font = m_Font.get();
    if (!font) {
        m_RenderDevice->setModelViewMatrix(overlayTextMatrix(HUD_SCALE, HUD_POSITION));
        return;
    }
    char text[HUD_TEXT_SIZE];
    formatHud(text);
    // The lower right corner at (0.8, 0.2), moved left if a wide font would
    // push the counts off the screen.
    Vector3 position = HUD_POSITION;
    position.x = overlayTextX(*font, text, position.x, HUD_SCALE);
    m_RenderDevice->setModelViewMatrix(overlayTextMatrix(HUD_SCALE, position));
    font->draw(text);
    if (g_Sound && g_Sound->isMuted()) {
        m_RenderDevice->setModelViewMatrix(
            overlayTextMatrix(MUTED_MARK_SCALE, MUTED_MARK_POSITION));
        font->draw(MUTED_MARK);
    }
}

void World::formatHud(char (&text)[HUD_TEXT_SIZE]) const {
    snprintf(text, sizeof(text), "Ants: %d/%d\nKills: %d", m_AntsLeft, TOTAL_ANTS, m_Kills);
}

std::string World::getHudText() const {
    char text[HUD_TEXT_SIZE];
    formatHud(text);
    return text;
}

void createWorld() {
    g_World = new (std::nothrow) World(g_RenderDevice);
}
