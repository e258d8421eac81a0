// Tolerance comparisons for the single-precision math types.
#pragma once

#include "engine/vector.h"

#include <gtest/gtest.h>

#include <cmath>

namespace TestSupport {

constexpr float TOLERANCE = 1e-5f;

inline ::testing::AssertionResult near(float actual, float expected, float tolerance = TOLERANCE) {
    if (std::fabs(actual - expected) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << actual << " is not within " << tolerance << " of " << expected;
}

inline ::testing::AssertionResult near(const Kestrel::Vector3& actual,
                                       const Kestrel::Vector3& expected,
                                       float tolerance = TOLERANCE) {
    if (std::fabs(actual.x - expected.x) <= tolerance &&
        std::fabs(actual.y - expected.y) <= tolerance &&
        std::fabs(actual.z - expected.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not within "
           << tolerance << " of (" << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

} // namespace TestSupport
