// The head-up display's matrices: the overlay projection maps the unit square
// (y up) onto the viewport, and the HUD text sits scaled by 0.07 at (0.8, 0.2).
#pragma once

#include "engine/vector.h"

namespace TestSupport {

inline Kestrel::Matrix4 overlayProjection() {
    Kestrel::Matrix4 m;
    const float rows[16] = {2, 0, 0, -1, 0, 2, 0, -1, 0, 0, 0, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        m[i] = rows[i];
    return m;
}

inline Kestrel::Matrix4 hudModelView() {
    return Kestrel::Matrix4::scaling({0.07f, 0.07f, 0.07f}) *
           Kestrel::Matrix4::translation({0.8f, 0.2f, 0.0f});
}

} // namespace TestSupport
