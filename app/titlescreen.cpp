#include "app/titlescreen.h"

#include "app/application.h"
#include "app/title_layout.h"
#include "app/world.h"
#include "engine/animation.h"
#include "engine/entity.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/resourcemanager.h"
#include "engine/scenenode.h"
#include "engine/text.h"
#include "game/animation_uses.h"
#include "game/insect.h"

#include <GL/glew.h>

#include <cmath>
#include <cstdio>
#include <new>

using Kestrel::Vector3;

namespace {

const double TWO_PI = 6.2831854820251465;

const Vector3 CAMERA_TARGET(0.0f, 0.0f, 0.0f);
const Vector3 UP(0.0f, 1.0f, 0.0f);

const char* const ONE_PLAYER = "One Player";
const char* const EXIT = "Exit";
const char* const CREDIT = "A Kestrel engine game";
const Vector3 CREDIT_POSITION(0.35f, 0.05f, 0.0f);
const float CREDIT_SCALE = 0.04f;

} // namespace

TitleScreen::TitleScreen(Kestrel::RenderDevice* device) : m_RenderDevice(device) {
    m_Font = Kestrel::ResourcePointer<Kestrel::Text>(
        Kestrel::ResourceManager::getInstance()->loadText(GAME_FONT_FILE, device));
    if (!m_Font.get())
        printf("Error: font '%s' could not be loaded; the menu is not drawn.\n", GAME_FONT_FILE);
    m_Scene = new Kestrel::Scene(device);
    m_Ant = createOptionalEntity("ant.kst");
    if (m_Ant) {
        m_Ant->setRotationY(TITLE_ANT_HEADING);
        m_Ant->setPosition(TITLE_ANT_POSITION);
    }
    m_Title = createOptionalEntity("title.kst");
    if (m_Title) {
        m_Title->setScale(TITLE_SCALE, TITLE_SCALE, TITLE_SCALE);
        m_Title->setPositionY(TITLE_HEIGHT);
    }
}

// A mesh that cannot be loaded leaves its entity out; the screen shows the rest.
Kestrel::Entity* TitleScreen::createOptionalEntity(const char* file) {
    Kestrel::Entity* entity = m_Scene->getRoot()->createEntity(file);
    if (!entity)
        printf("Error: mesh '%s' could not be loaded; the title screen is drawn without it.\n",
               file);
    return entity;
}

TitleScreen::~TitleScreen() {
    delete m_Scene;
}

void TitleScreen::update(float dt) {
    if (!m_Active)
        return;
    Kestrel::Animation* wanted = keptAnimation(m_Selection ? ANT_POINT_UP : ANT_POINT_DOWN);
    if (m_Ant && m_Ant->getCurrentAnimation() != wanted)
        m_Ant->playAnimation(wanted, SWITCH_BLEND_TIME, false, false);
    m_Time = static_cast<float>(std::fmod(static_cast<double>(m_Time + dt), TWO_PI));
    if (m_Title)
        m_Title->setRotationY(SWAY_DEGREES * std::sin(m_Time));
    m_Scene->update(dt);
}

void TitleScreen::render() {
    if (!m_Active)
        return;
    glEnable(GL_LIGHTING);
    m_RenderDevice->clear(true, true);
    m_Scene->getCamera()->lookAt(TITLE_CAMERA_EYE, CAMERA_TARGET, UP);
    m_Scene->render();
    glDisable(GL_LIGHTING);

    beginScreenOverlay(*m_RenderDevice);
    const Kestrel::Text* font = m_Font.get();
    if (!font)
        return;
    // The two items share their left edge, moved left together if the font is
    // too wide for the right part of the screen.
    float menuX = overlayTextX(*font, ONE_PLAYER, MENU_X, MENU_SCALE);
    menuX = overlayTextX(*font, EXIT, menuX, MENU_SCALE);
    drawText(ONE_PLAYER, Vector3(menuX, ONE_PLAYER_Y, 0.0f), MENU_SCALE);
    drawText(EXIT, Vector3(menuX, EXIT_Y, 0.0f), MENU_SCALE);
    Vector3 credit = CREDIT_POSITION;
    credit.x = overlayTextX(*font, CREDIT, credit.x, CREDIT_SCALE);
    drawText(CREDIT, credit, CREDIT_SCALE);
}

void TitleScreen::drawText(const char* text, const Vector3& position, float scale) {
    m_RenderDevice->setModelViewMatrix(overlayTextMatrix(scale, position));
    m_Font.get()->draw(text);
}

void createTitleScreen() {
    g_TitleScreen = new (std::nothrow) TitleScreen(g_RenderDevice);
}
