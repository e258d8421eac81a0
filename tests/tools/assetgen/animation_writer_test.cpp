#include "tools/assetgen/skeleton.h"

#include <gtest/gtest.h>

using assetgen::Keyframe;
using assetgen::Pose;
using assetgen::Skeleton;
using assetgen::Vec3;

namespace {

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
