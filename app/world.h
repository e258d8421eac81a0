// The game state in which the game is played: builds the level once (scene,
// ground, scenery, the first player ant, camera, font), then each frame moves the
// camera after the player, updates the scene, spawns enemies at the far edge and
// draws the ground, the scene, the particles and the head-up display. Owns its
// scene and ground; actors reach it through g_World. World space: docs/architecture.md.
#pragma once

#include "engine/vector.h"

#include <cstdint>

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
    explicit World(Kestrel::RenderDevice* device);
    virtual ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Both do nothing until the title screen starts the game.
    void update(float dt);
    void render();
    // Counts one ant used and puts the next player ant on the field.
    void spawnPlayer();

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
};

// Builds the world with g_RenderDevice into g_World.
void createWorld();
