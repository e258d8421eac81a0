// The game state in which the game is played: builds the level once (scene,
// ground, scenery, the first player ant, camera, font), then each frame moves the
// camera after the player, updates the scene, spawns enemies at the far edge and
// draws the ground, the scene, the particles and the head-up display. Owns its
// scene and ground; actors reach it through g_World. World space (y up, field
// 0..16 in x and z): docs/architecture.md; the HUD is placed in the unit square.
#pragma once

#include "engine/resource.h"
#include "engine/vector.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Kestrel {
class Entity;
class RenderDevice;
class Scene;
class SceneNode;
class Text;
class Transformable;
} // namespace Kestrel

class Ground;
class PlayerAnt;

class World {
public:
    static const size_t HUD_TEXT_SIZE = 100;

    explicit World(Kestrel::RenderDevice* device);
    virtual ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Both do nothing until the title screen starts the game.
    void update(float dt);
    void render();
    // Draws, unseen, the next piece of what play shows (each level mesh, an
    // entity of each actor mesh, the ground, a particle), so that a driver that
    // builds its drawing code on first use does so a piece per frame while the
    // title screen shows rather than when play starts or the first flame
    // appears. False once every piece is drawn. Leaves the world as it was and
    // draws no random number; whatever renders next clears the picture.
    bool prepareNextPiece();
    // Counts one ant used and puts the next player ant on the field.
    void spawnPlayer();
    // What the head-up display shows: ants left of ten and kills.
    std::string getHudText() const;

    Kestrel::RenderDevice* m_RenderDevice;
    Kestrel::Scene* m_Scene = nullptr;
    Kestrel::Vector3 m_CameraTarget;
    Kestrel::Vector3 m_CameraPosition;
    Ground* m_Ground = nullptr;
    PlayerAnt* m_Player = nullptr;
    Kestrel::SceneNode* m_PlayerNode = nullptr;
    Kestrel::SceneNode* m_EnemyNode = nullptr;
    float m_TimeScale = 1.0f;
    bool m_Playing = false;
    int32_t m_AntsLeft = 10;
    int32_t m_Kills = 0;
    Kestrel::ResourcePointer<Kestrel::Text> m_Font;

private:
    size_t m_PreparedPieces = 0;

    void followPlayer(float dt);
    void spawnEnemies(float dt);
    void drawHud();
    void prepareNode(Kestrel::Transformable& node);
    void prepareActorMesh(const char* file);
    void prepareGroundAndParticle();
    void formatHud(char (&text)[HUD_TEXT_SIZE]) const;
};

// Builds the world with g_RenderDevice into g_World.
void createWorld();

// The font of the head-up display and the title menu, in the data directory.
const char* const GAME_FONT_FILE = "Gypsy Curse.ttf";
// Where the following camera's eye settles, relative to the player ant.
const Kestrel::Vector3 FOLLOW_EYE_OFFSET(0.0f, 8.0f, -10.0f);
// The head-up display's glyph scale and lower left corner in the unit square.
const float HUD_SCALE = 0.07f;
const Kestrel::Vector3 HUD_POSITION(0.8f, 0.2f, 0.0f);
// Shown in the lower left corner while the sound is muted.
const char* const MUTED_MARK = "Muted";
const float MUTED_MARK_SCALE = 0.045f;
const Kestrel::Vector3 MUTED_MARK_POSITION(0.03f, 0.04f, 0.0f);

// A mesh the level places over the whole field, drawn after the ants in the
// order of LEVEL_PIECES. All are opaque: the grass, last, is cut out of its
// cards by its shader and drawn with the depth test.
struct LevelPiece {
    const char* file;
};
const int LEVEL_PIECE_COUNT = 6;
extern const LevelPiece LEVEL_PIECES[LEVEL_PIECE_COUNT];
// An entity of the piece, scaled and placed over the field, attached to
// parent; null (with a message) when its mesh cannot be loaded.
Kestrel::Entity* addLevelPiece(Kestrel::SceneNode& parent, const LevelPiece& piece,
                               Kestrel::RenderDevice* device);

// The state of screen-overlay drawing: no depth test, alpha blending and the
// screen overlay projection; the model-view is left to the caller.
void beginScreenOverlay(Kestrel::RenderDevice& device);
// The x at which overlay text of the given scale starts: x itself, or further
// left when the text would otherwise run off the right edge.
float overlayTextX(const Kestrel::Text& font, const char* text, float x, float scale);
// Model-view of overlay text: uniform scale first, then the translation.
Kestrel::Matrix4 overlayTextMatrix(float scale, const Kestrel::Vector3& position);
