#include "engine/vector.h"

#include "support/float_compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using Kestrel::Matrix4;
using Kestrel::Vector3;
using TestSupport::near;

namespace {

const float PI = 3.14159265f;

// Products apply the left operand first; rotations turn by the negated angle;
// the last row never divides, and directions ignore the translation.
TEST(MatrixTest, TransformsPointsAndDirections) {
    Matrix4 moved = Matrix4::translation({5, 6, 7}) * Matrix4::rotationZ(PI / 2);
    moved.m[12] = 9.0f;
    const struct {
        Matrix4 matrix;
        Vector3 point, expected;
    } cases[] = {
        {Matrix4::translation({1, 2, 3}) * Matrix4::scaling({2, 2, 2}), {1, 1, 1}, {4, 6, 8}},
        {Matrix4::scaling({2, 2, 2}) * Matrix4::translation({1, 2, 3}), {1, 1, 1}, {3, 4, 5}},
        {Matrix4::rotationZ(PI / 2), {1, 0, 0}, {0, -1, 0}},
        {Matrix4::rotationZ(-PI / 2), {1, 0, 0}, {0, 1, 0}},
        {Matrix4::rotationX(PI / 2), {0, 1, 0}, {0, 0, -1}},
        {Matrix4::rotationY(PI / 2), {0, 0, 1}, {-1, 0, 0}},
        // About an axis: like the fixed ones, a third of a turn about the diagonal
        // moves x to z, half a turn mirrors through the axis, which stays put.
        {Matrix4::rotationAxis({1, 0, 0}, PI / 2), {0, 1, 0}, {0, 0, -1}},
        {Matrix4::rotationAxis({0, 0, 1}, PI / 2), {1, 0, 0}, {0, -1, 0}},
        {Matrix4::rotationAxis(Vector3(1, 1, 1) * 0.57735027f, 2 * PI / 3), {1, 0, 0}, {0, 0, 1}},
        {Matrix4::rotationAxis(Vector3(1, 1, 1) * 0.57735027f, 2 * PI / 3), {0, 1, 0}, {1, 0, 0}},
        {Matrix4::rotationAxis({0.6f, 0.8f, 0}, PI), {1, 0, 0}, {-0.28f, 0.96f, 0}},
        {Matrix4::rotationAxis({0.6f, 0, 0.8f}, 1.1f), {3, 0, 4}, {3, 0, 4}},
        {moved, {0, 0, 0}, {6, -5, 7}},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(near(c.matrix.transformPoint(c.point), c.expected)) << &c - cases;
    EXPECT_TRUE(near(moved.transformDirection({1, 0, 0}), {0, -1, 0}));
}

TEST(InterpolateCubicTest, RunsThroughBothEndsAndIsNotAStraightLine) {
    const float expected[] = {1.0f, 1.34375f, 1.5f, 1.65625f, 2.0f};
    for (int i = 0; i <= 4; ++i)
        EXPECT_TRUE(near(Kestrel::interpolateCubic(1, 2, 0, 3, 0.25f * i), expected[i])) << i;
}

TEST(ClampTest, BoundsAndNaN) {
    EXPECT_EQ(Kestrel::clamp(5, 0, 1), 1);
    EXPECT_EQ(Kestrel::clamp(-1, 0, 1), 0);
    EXPECT_EQ(Kestrel::clamp(0.5f, 0, 1), 0.5f);
    EXPECT_TRUE(std::isnan(Kestrel::clamp(std::numeric_limits<float>::quiet_NaN(), 0, 1)));
}

} // namespace
