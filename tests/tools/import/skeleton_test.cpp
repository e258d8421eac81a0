#include "tools/import/skeleton.h"

#include "engine/bone.h"

#include "support/float_compare.h"

#include <gtest/gtest.h>

#include <cmath>

using Kestrel::Vector3;
using KestrelImport::Matrix3d;
using KestrelImport::Vector3d;
using TestSupport::near;

namespace {

Matrix3d axesOf(const Kestrel::Bone& bone) {
    const Vector3 axes[3] = {bone.getXAxis(), bone.getYAxis(), bone.getZAxis()};
    Matrix3d m;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = (&axes[c].x)[r];
    return m;
}

Vector3 times(const Matrix3d& m, const Vector3& v) {
    const Vector3d r = m * Vector3d(v.x, v.y, v.z);
    return Vector3(float(r.x), float(r.y), float(r.z));
}

// Tails in several directions (one straight up, which the engine tilts) and
// angles large and small, one pair at the x angle where z and y turn alike.
TEST(ImportSkeletonTest, AnglesGiveTheEnginesTurnAndComeBackFromIt) {
    const float PI = 3.14159265f;
    const Vector3 tails[] = {{0, 1, 0}, {1, 0, 0}, {0.3f, -0.5f, 0.8f}, {0, 0, -2}};
    const Vector3 angleRows[] = {{0, 0, 0},
                                 {0.3f, -0.2f, 0.5f},
                                 {1.4f, 2.5f, -3.0f},
                                 {PI / 2, 0.4f, 0.1f},
                                 {-0.7f, 0.05f, 1.2f}};
    for (const Vector3& tail : tails) {
        for (const Vector3& angles : angleRows) {
            SCOPED_TRACE(testing::Message()
                         << "tail " << tail.x << "," << tail.y << "," << tail.z << " angles "
                         << angles.x << "," << angles.y << "," << angles.z);
            Kestrel::Bone bone("b");
            bone.setTail(tail);
            bone.setRotation(angles);
            bone.update(0.0f);
            const Matrix3d axes = axesOf(bone);
            const Matrix3d turn =
                KestrelImport::rotationFor(axes, Vector3d(angles.x, angles.y, angles.z));
            const Vector3d previous(angles.x + 0.01, angles.y - 0.01, angles.z + 2 * M_PI);
            const Vector3d back = KestrelImport::anglesFor(axes, turn, previous);
            const Matrix3d again = KestrelImport::rotationFor(axes, back);
            for (const Vector3& v : {Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1)}) {
                EXPECT_TRUE(near(bone.skinDirection(v), times(turn, v), 1e-5f));
                EXPECT_TRUE(near(times(again, v), times(turn, v), 1e-5f));
            }
            // Away from that x angle, the one triple nearest the previous one.
            if (std::fabs(angles.x) < 1.5f) {
                EXPECT_TRUE(near(Vector3(float(back.x), float(back.y), float(back.z)),
                                 Vector3(angles.x, angles.y, float(angles.z + 2 * M_PI)), 1e-4f));
            }
        }
    }
}

} // namespace
