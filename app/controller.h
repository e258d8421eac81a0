// The player ant's input latch: the event pump ORs key bits (BUTTON_*) into the
// pending masks as events arrive, and the ant latches them once per update so
// that it sees one consistent set of pressed, released and held bits. A plain
// value held by the player ant; it owns nothing.
#pragma once

#include <cstdint>

enum : uint32_t {
    BUTTON_UP = 0x01,
    BUTTON_DOWN = 0x02,
    BUTTON_LEFT = 0x04,
    BUTTON_RIGHT = 0x08,
    BUTTON_C = 0x10,
    BUTTON_X = 0x20,
};

class Controller {
public:
    virtual ~Controller() = default;

    // Pressed and released take the pending bits (which are cleared), then held
    // = (held | pressed) & ~released.
    void latch();

    bool isHeld(uint32_t bits) const { return (m_Held & bits) != 0; }
    bool wasPressed(uint32_t bits) const { return (m_Pressed & bits) != 0; }
    bool wasReleased(uint32_t bits) const { return (m_Released & bits) != 0; }

    uint32_t m_Pressed = 0;
    uint32_t m_Released = 0;
    uint32_t m_Held = 0;
    uint32_t m_PendingPressed = 0;
    uint32_t m_PendingReleased = 0;
};
