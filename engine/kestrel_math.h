// Scalar helpers of the engine: pi and angle conversions, the four-point cubic
// used by the animation sampler and a NaN-preserving clamp. Header-only,
// allocation-free.
#pragma once

#include "engine/assert.h"

namespace Kestrel {

// The single-precision pi, widened: angles convert exactly as the engine's
// transforms and camera expect.
const double PI = 3.1415927410125732;

inline float toDegrees(double radians) {
    return static_cast<float>(radians * 180.0 / PI);
}

inline float toRadians(float degrees) {
    return static_cast<float>(degrees * PI / 180.0);
}

// The cubic runs from y1 (t = 0) to y2 (t = 1), shaped by the point before (y0)
// and the point after (y3).
inline float interpolateCubic(float y1, float y2, float y0, float y3, float t) {
    KESTREL_ASSERT(t >= 0.0f && t <= 1.0f);
    const float a = y3 - y2 - y0 + y1;
    const float b = y0 - y1 - a;
    const float c = y2 - y0;
    return a * t * t * t + b * t * t + c * t + y1;
}

// Written so that a NaN x falls through both comparisons and comes back unchanged.
inline float clamp(float x, float low, float high) {
    if (low > x)
        return low;
    if (!(x > high))
        return x;
    return high;
}

} // namespace Kestrel
