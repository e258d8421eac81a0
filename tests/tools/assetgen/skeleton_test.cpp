#include "tools/assetgen/skeleton.h"

#include "engine/vector.h"
#include "tools/assetgen/ant_anatomy.h"

#include "support/float_compare.h"

#include <gtest/gtest.h>

using assetgen::Keyframe;
using assetgen::Mat3;
using assetgen::Pose;
using assetgen::Skeleton;
using assetgen::Vec3;
using Kestrel::Matrix4;
using Kestrel::Vector3;
using TestSupport::near;

namespace {

Vector3 engine(const Vec3& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

// The game's pose matrix for a bone: axes from the tail, then the turns about
// z, x and y; with its operator, a * b applies a first, so y comes first here.
Matrix4 gamePose(const Vec3& tail, const Vec3& angles) {
    Vector3 t = engine(tail);
    if (t.x == 0.0f && t.z == 0.0f)
        t.z = 0.00001f;
    const Vector3 z = t.normalized();
    const Vector3 x = Kestrel::cross(z, {0, 1, 0}).normalized();
    const Vector3 y = Kestrel::cross(x, z).normalized();
    return Matrix4::rotationAxis(y, static_cast<float>(angles.y)) *
           Matrix4::rotationAxis(x, static_cast<float>(angles.x)) *
           Matrix4::rotationAxis(z, static_cast<float>(angles.z));
}

const Mat3 SAMPLE_TURNS[] = {assetgen::pitch(30), assetgen::yaw(-50), assetgen::roll(75),
                             assetgen::roll(-140) * assetgen::pitch(-4),
                             assetgen::yaw(20) * assetgen::pitch(35) * assetgen::roll(-15)};

TEST(SkeletonTest, PoseAnglesMakeTheGameTurnTheBoneAsAuthored) {
    const Skeleton s = assetgen::antSkeleton();
    for (const char* name :
         {"Root", "Thorax", "Head", "FrontFemur.R", "HindTibia.L", "Mandible.R"}) {
        const int index = s.find(name);
        const Vec3 tail = s.bone(index).tail - s.bone(index).head;
        for (const Mat3& turn : SAMPLE_TURNS) {
            const Matrix4 m = gamePose(tail, s.anglesFor(index, turn));
            for (const Vec3& v : {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0.3, -0.5, 0.8)})
                EXPECT_TRUE(near(m.transformDirection(engine(v)), engine(turn * v), 1e-4f)) << name;
        }
    }
}

TEST(SkeletonTest, PosedHeadsFollowTheGamesBoneChain) {
    const Skeleton s = assetgen::antSkeleton();
    assetgen::PoseBuilder p(s);
    p.turn("Thorax", assetgen::pitch(20)).turn("FrontCoxa.R", assetgen::yaw(30));
    p.turn("FrontFemur.R", assetgen::roll(40)).turn("FrontTibia.R", assetgen::roll(-25));
    const assetgen::PosedSkeleton posed = s.posed(p.pose());

    // World matrix of the chain: T(p0) R0 T(p1) R1 ..., each bone relative to its parent.
    Matrix4 chain;
    const char* path[] = {"Root",         "Thorax",       "FrontHip.R",    "FrontCoxa.R",
                          "FrontFemur.R", "FrontTibia.R", "FrontTarsus.R", "RockHand"};
    for (const char* name : path) {
        const int i = s.find(name);
        const assetgen::Bone& b = s.bone(i);
        const Vec3 offset = b.parent < 0 ? b.head : b.head - s.bone(b.parent).head;
        const auto found = p.pose().find(name);
        const Vec3 angles = found == p.pose().end() ? Vec3() : s.anglesFor(i, found->second);
        chain = gamePose(b.tail - b.head, angles) * Matrix4::translation(engine(offset)) * chain;
        EXPECT_TRUE(near(chain.transformPoint({0, 0, 0}), engine(posed.heads[i]), 1e-4f)) << name;
    }
}

TEST(SkeletonTest, MirroredTurnsGiveTheGamesMirroredAngles) {
    const Skeleton s = assetgen::antSkeleton();
    for (const std::string right : {"FrontCoxa", "MiddleFemur", "HindTarsus", "Antenna"}) {
        const int r = s.find(right + ".R"), l = s.find(right + ".L");
        for (const Mat3& turn : SAMPLE_TURNS) {
            const Vec3 a = s.anglesFor(r, turn), b = s.anglesFor(l, assetgen::mirrored(turn));
            EXPECT_NEAR(b.x, a.x, 1e-9) << right;
            EXPECT_NEAR(b.y, -a.y, 1e-9) << right;
            EXPECT_NEAR(b.z, -a.z, 1e-9) << right;
        }
    }
}

TEST(SkeletonTest, RotationForInvertsAnglesFor) {
    const Skeleton s = assetgen::antSkeleton();
    const int index = s.find("Gaster");
    const Mat3 back = s.rotationFor(index, s.anglesFor(index, SAMPLE_TURNS[4]));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(back.m[i][j], SAMPLE_TURNS[4].m[i][j], 1e-12);
}

TEST(SkeletonTest, UnknownBoneIsRejected) {
    Skeleton s;
    s.addRoot("Root", Vec3(), Vec3(0, 1, 0));
    EXPECT_THROW(s.addBone("Arm", "Body", Vec3(1, 1, 0)), std::logic_error);
    EXPECT_THROW(s.addRoot("Again", Vec3(), Vec3(0, 1, 0)), std::logic_error);
}

// A straight bone along +x has axes x = (0, 0, 1), y = (0, 1, 0), z = (1, 0, 0),
// so a right-handed turn about +y is the pose angle y = -angle.
Skeleton twoBones() {
    Skeleton s;
    s.addRoot("Body", Vec3(0, 0, 0), Vec3(0, 0, -1));
    s.addBone("Arm.R", "Body", Vec3(1, 0, -1));
    return s;
}

TEST(AnimationWriterTest, WritesKeyframesInTheGamesFormat) {
    const Skeleton s = twoBones();
    Pose turned;
    turned["Arm.R"] = assetgen::yaw(28.64788975654116); // 0.5 rad
    const std::string text = animationText(s, {{0.25, Pose()}, {0.5, turned}});
    EXPECT_EQ(text, "[keyframe]\n"
                    "translation=(0.000000,0.000000,0.000000)\n"
                    "duration=0.250000\n"
                    "[keyframe]\n"
                    "translation=(0.000000,0.000000,0.000000)\n"
                    "duration=0.500000\n"
                    "Arm.R:(0.000000,-0.500000,0.000000)\n");
}

TEST(AnimationWriterTest, BonesComeInByteOrderAndZeroTurnsAreLeftOut) {
    Skeleton s = twoBones();
    s.addBone("Arm.L", "Body", Vec3(-1, 0, -1));
    Pose pose;
    pose["Body"] = assetgen::pitch(10);
    pose["Arm.R"] = assetgen::roll(10);
    pose["Arm.L"] = assetgen::Mat3();
    const std::string text = animationText(s, {{1.0, pose}});
    const std::size_t right = text.find("Arm.R:"), body = text.find("Body:");
    EXPECT_NE(right, std::string::npos);
    EXPECT_NE(body, std::string::npos);
    EXPECT_LT(right, body);
    EXPECT_EQ(text.find("Arm.L"), std::string::npos);
    EXPECT_EQ(text.find("-0.000000"), std::string::npos);
}

TEST(AnimationWriterTest, RejectsKeyframesTheGameCannotPlay) {
    const Skeleton s = twoBones();
    {
        SCOPED_TRACE("zero duration");
        EXPECT_THROW(animationText(s, {{0.0, Pose()}}), std::logic_error);
    }
    {
        SCOPED_TRACE("negative duration");
        EXPECT_THROW(animationText(s, {{-0.1, Pose()}}), std::logic_error);
    }
    {
        SCOPED_TRACE("unknown bone");
        Pose pose;
        pose["Tail"] = assetgen::pitch(5);
        EXPECT_THROW(animationText(s, {{0.1, pose}}), std::logic_error);
    }
}

} // namespace
