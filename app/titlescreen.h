// The game state shown at start-up: its own scene with the swaying title mesh and
// an ant pointing at "One Player" or "Exit", with the menu drawn as text in screen
// space (unit square, y up). The event pump writes m_Selection and m_Active.
// Owns its scene; the font and animations belong to the resource cache.
#pragma once

#include "engine/resource.h"
#include "engine/vector.h"

namespace Kestrel {
class Entity;
class RenderDevice;
class Scene;
class Text;
} // namespace Kestrel

class TitleScreen {
public:
    explicit TitleScreen(Kestrel::RenderDevice* device);
    virtual ~TitleScreen();
    TitleScreen(const TitleScreen&) = delete;
    TitleScreen& operator=(const TitleScreen&) = delete;

    // Both do nothing once the game has started (m_Active false).
    virtual void update(float dt);
    virtual void render();

    Kestrel::RenderDevice* m_RenderDevice;
    Kestrel::Scene* m_Scene = nullptr;
    Kestrel::Entity* m_Ant = nullptr;
    Kestrel::Entity* m_Title = nullptr;
    float m_Time = 0.0f; // seconds, kept in 0..2 pi
    Kestrel::ResourcePointer<Kestrel::Text> m_Font;
    bool m_Selection = true; // true: "One Player", false: "Exit"
    bool m_Active = true;

private:
    Kestrel::Entity* createOptionalEntity(const char* file);
    void drawText(const char* text, const Kestrel::Vector3& position, float scale);
};

// Builds the title screen with g_RenderDevice into g_TitleScreen.
void createTitleScreen();
