// The game state in which the game is played: builds the level once (scene,
// ground, scenery, the first player ant, camera, font), then each frame moves the
// camera after the player, updates the scene, spawns enemies at the far edge and
// draws the ground, the scene, the particles and the head-up display. Owns its
// scene and ground; actors reach it through g_World. World space (y up, field
// 0..16 in x and z): docs/architecture.md; the HUD is placed in the unit square.
#pragma once

#include "engine/vector.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Kestrel {
class RenderDevice;
class Scene;
class SceneNode;
class Text;
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
    Kestrel::Text* m_Font = nullptr;

private:
    void addScenery(const char* file);
    void followPlayer(float dt);
    void spawnEnemies(float dt);
    void drawHud();
    void formatHud(char (&text)[HUD_TEXT_SIZE]) const;
};

// Builds the world with g_RenderDevice into g_World.
void createWorld();

// Screen overlay: maps the unit square (y up) onto the viewport and flattens z.
Kestrel::Matrix4 screenOverlayMatrix();
// The x at which overlay text of the given scale starts: x itself, or further
// left when the text would otherwise run off the right edge.
float overlayTextX(const Kestrel::Text& font, const char* text, float x, float scale);
// Model-view of overlay text: uniform scale first, then the translation.
Kestrel::Matrix4 overlayTextMatrix(float scale, const Kestrel::Vector3& position);
