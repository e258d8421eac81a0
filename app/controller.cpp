#include "app/controller.h"

void Controller::latch() {
    m_Pressed = m_PendingPressed;
    m_PendingPressed = 0;
    m_Released = m_PendingReleased;
    m_PendingReleased = 0;
    m_Held = (m_Held | m_Pressed) & ~m_Released;
}
