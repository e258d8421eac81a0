#include "engine/animation.h"

#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/problemreport.h"

#include "support/assertion_recorder.h"
#include "support/float_compare.h"
#include "support/message_recorder.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using Kestrel::Animation;
using Kestrel::Vector3;
using TestSupport::near;

namespace {

std::unique_ptr<Animation> parse(const std::string& text) {
    return std::unique_ptr<Animation>(Animation::parse(text));
}

// A mesh whose skeleton is a root with one child per name, and an entity on it.
class Posed {
public:
    explicit Posed(const std::vector<std::string>& names) {
        auto* root = new Kestrel::Bone("Root");
        root->setTail({0, 0, 1});
        for (const std::string& name : names) {
            auto* bone = new Kestrel::Bone(name);
            bone->setTail({0, 0, 1});
            bone->setParent(root);
        }
        m_Mesh.setRootBone(root);
        m_Entity = std::make_unique<Kestrel::Entity>(&m_Mesh);
    }

    Kestrel::Entity* entity() { return m_Entity.get(); }

private:
    TestSupport::TestRenderDevice m_Device;
    Kestrel::Mesh m_Mesh{&m_Device};
    std::unique_ptr<Kestrel::Entity> m_Entity;
};

// Keyframes 0, 1, 2 with durations 0.5, 0.25, 1.0:
//
//   time  0        0.5   0.75                 1.75
//         |--------|-----|--------------------|
//         k0       k1    k2                   (k0 again when looping)
const char* const THREE_KEYFRAMES = "[keyframe]\n"
                                    "duration=0.5\n"
                                    "Arm:(1,0,0)\n"
                                    "[keyframe]\n"
                                    "duration=0.25\n"
                                    "Arm:(2,0,0)\n"
                                    "[keyframe]\n"
                                    "duration=1.0\n"
                                    "Arm:(4,0,0)\n";

using Pose = std::vector<std::pair<const char*, Vector3>>;

// Sampling passes through each keyframe and blends with its weight over the old
// pose; mirroring swaps sides and flips y and z; bones not named go to zero.
TEST(AnimationTest, ApplyPosesTheNamedBones) {
    const char* const MIRRORED = "[keyframe]\nduration=0.5\nArm.L:(0.3,0.2,0.1)\nSpine:(1,2,3)\n"
                                 "[keyframe]\nduration=0.5\nArm.L:(-0.3,0,0)\n";
    const char* const SINGLE = "[keyframe]\nduration=2\nArm:(0.5,-1,2)\n";
    const char* const WEIGHTED = "[keyframe]\nduration=1\nArm:(0,0,0)\nOther:(1,1,1)\n";
    // The last keyframe has no duration: at the very end it is current.
    const char* const OPEN = "[keyframe]\nduration=1\nArm:(1,0,0)\n[keyframe]\nArm:(3,0,0)\n";
    const struct {
        const char* text;
        float time, weight;
        bool loop, mirror;
        Pose pose;
    } cases[] = {
        {THREE_KEYFRAMES, 0.0f, 1, true, false, {{"Arm", {1, 0, 0}}, {"Root", {0, 0, 0}}}},
        {THREE_KEYFRAMES, 0.5f, 1, true, false, {{"Arm", {2, 0, 0}}, {"Spine", {0, 0, 0}}}},
        {THREE_KEYFRAMES, 0.75f, 1, true, false, {{"Arm", {4, 0, 0}}}},
        {THREE_KEYFRAMES, 1.75f, 1, true, false, {{"Arm", {1, 0, 0}}}},
        // The cubic from k0 (1) to k1 (2) shaped by k2 (4) on both sides.
        {THREE_KEYFRAMES, 0.125f, 1, true, false, {{"Arm", {0.734375f, 0, 0}}}},
        {SINGLE, 0.0f, 1, false, false, {{"Arm", {0.5f, -1, 2}}}},
        {SINGLE, 0.7f, 1, false, false, {{"Arm", {0.5f, -1, 2}}}},
        {SINGLE, 2.0f, 1, false, false, {{"Arm", {0.5f, -1, 2}}}},
        {WEIGHTED, 0.3f, 0.25f, true, false, {{"Arm", {0.75f, 0.75f, 0.75f}}}},
        {WEIGHTED, 0.6f, 0.0f, true, false, {{"Arm", {1, 1, 1}}}},
        {MIRRORED,
         0,
         1,
         true,
         true,
         {{"Arm.R", {0.3f, -0.2f, -0.1f}}, {"Arm.L", {0, 0, 0}}, {"Spine", {1, -2, -3}}}},
        {MIRRORED, 0, 1, true, false, {{"Arm.L", {0.3f, 0.2f, 0.1f}}, {"Arm.R", {0, 0, 0}}}},
        {OPEN, 1.0f, 1, false, false, {{"Arm", {3, 0, 0}}}},
    };
    Posed posed({"Arm", "Arm.L", "Arm.R", "Spine"});
    Kestrel::Entity& entity = *posed.entity();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " at " + std::to_string(c.time));
        TestSupport::AssertionRecorder recorder;
        for (unsigned i = 0; i < entity.getBoneCount(); ++i)
            entity.getBone(i)->setRotation({1, 1, 1});
        parse(c.text)->apply(&entity, c.time, c.weight, c.loop, c.mirror);
        for (const auto& [bone, rotation] : c.pose)
            EXPECT_TRUE(near(entity.getBone(bone)->getRotation(), rotation)) << bone;
        EXPECT_TRUE(recorder.reports().empty());
    }
}

TEST(AnimationTest, MirrorBoneNameSwapsOnlyASideSuffix) {
    const std::pair<const char*, const char*> cases[] = {
        {"Leg.L", "Leg.R"},       {"Leg.R", "Leg.L"},     {"arm.l", "arm.r"},
        {"a.b.r", "a.b.l"},       {".L", ".L"},           {"Head", "Head"},
        {"Leg.Left", "Leg.Left"}, {"Leg.L.x", "Leg.L.x"}, {"", ""}};
    for (const auto& [name, mirrored] : cases)
        EXPECT_EQ(Kestrel::mirrorBoneName(name), mirrored) << name;
}

// A keyframe moving the bones b0, b1, ..., then more keyframes.
std::string manyBones(unsigned bones, unsigned keyframes) {
    std::string text = "[keyframe]\nduration=1\n";
    for (unsigned i = 0; i < bones; ++i)
        text += "b" + std::to_string(i) + ":(1,0,0)\n";
    for (unsigned i = 1; i < keyframes; ++i)
        text += "[keyframe]\nduration=1\n";
    return text;
}

// What parse reads without making sense of it is told with its line number;
// the animation is built all the same.
TEST(AnimationTest, ParseReportsLinesItCannotMakeSenseOf) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Head:(1,0,0)\n[keyframe]\n", "line 1: 'Head:(1,0,0)' comes before the first [keyframe]"},
        {"[keyfrme]\n", "line 1: unknown section header '[keyfrme]'"},
        {"[keyframe]\nduration=half\n", "line 2: 'half' is not a number"},
        {"[keyframe]\nduration=0\n", "line 2: a keyframe lasts no time ('0')"},
        {"[keyframe]\nduration=1e39\n", "line 2: '1e39' is not a number"},
        {"[keyframe]\nduration=1\nb:(1e39,0,0)\n", "line 3: '1e39' is not a number"},
        {"[keyframe]\ntranslation=0,0,0\n", "line 2: '0,0,0' is a vector without parentheses"},
        {"[keyframe]\nHead:(one,0,0)\n", "line 2: 'one' is not a number"},
        {"[keyframe]\nHead:(1,0)\n", "line 2: '(1,0)' has 2 numbers, not 3"},
        {"[keyframe]\nHead\n", "line 2: 'Head' is no bone line"},
        {"# nothing but a comment\n", "test.ksta' holds no keyframes"},
        {"[keyframe]\nb:(0.5,0,0)\n", "line 1: keyframe without a duration"},
        {manyBones(4097, 1), "line 4099: bone 'b4096' is one too many"},
        {manyBones(1025, 1024), "line 3072: keyframe is one too many"},
        {"# walk\r\n[keyframe]\r\nduration=0.5\r\n\r\nLeg.L:(0.3,0,0)\r\n", ""},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        TestSupport::AssertionRecorder quiet;
        TestSupport::MessageRecorder messages;
        {
            Kestrel::ProblemReport problems("Animation", "test.ksta");
            std::unique_ptr<Animation>(Animation::parse(text, &problems));
        }
        const std::string output = messages.text();
        if (expected.empty()) {
            EXPECT_EQ(output, "");
        }
        EXPECT_NE(output.find(expected), std::string::npos) << output;
    }
}

// A bone renamed in the animation or in the mesh is told once per mesh, when
// an entity of that mesh first plays the animation.
TEST(AnimationTest, BonesTheSkeletonLacksAreNamedOncePerMesh) {
    auto animation = parse("[keyframe]\nduration=1\nArm:(1,0,0)\nArn:(1,0,0)\nLeg:(1,0,0)\n");
    animation->setFileName("wave.ksta");
    Posed armed({"Arm", "Leg"});
    Posed complete({"Arm", "Arn", "Leg"});
    TestSupport::MessageRecorder messages;
    armed.entity()->playAnimation(animation.get(), 0.0f, true, false);
    armed.entity()->playAnimation(animation.get(), 0.0f, true, true);
    complete.entity()->playAnimation(animation.get(), 0.0f, true, false);
    EXPECT_EQ(messages.text(),
              "Error: Animation file 'wave.ksta' moves the bone 'Arn', which the mesh '' "
              "does not have (1 such bones).\n");
}

TEST(AnimationTest, TextRoundTrip) {
    auto animation = parse("[keyframe]\n"
                           "translation=(0.5,0,-1)\n"
                           "duration=0.5\n"
                           "Leg.L:(0.3,0,0)\n"
                           "Still:(0,0,0)\n"
                           "[keyframe]\n"
                           "duration=0.75\n"
                           "Arm:(0,-0.25,1)\n"
                           "Leg.L:(-0.3,0,0)\n");
    const std::string text = animation->toText();
    EXPECT_EQ(text, "[keyframe]\n"
                    "translation=(0.500000,0.000000,-1.000000)\n"
                    "duration=0.500000\n"
                    "Leg.L:(0.300000,0.000000,0.000000)\n"
                    "[keyframe]\n"
                    "translation=(0.000000,0.000000,0.000000)\n"
                    "duration=0.750000\n"
                    "Arm:(0.000000,-0.250000,1.000000)\n"
                    "Leg.L:(-0.300000,0.000000,0.000000)\n");

    auto again = parse(text);
    EXPECT_EQ(again->toText(), text);
    EXPECT_EQ(again->getBoneIndices().count("Still"), 0u) << "zero everywhere: dropped";
    EXPECT_EQ(again->getBoneIndices().at("Leg.L"), 0u);
    EXPECT_EQ(again->getBoneIndices().at("Arm"), 1u);
    EXPECT_FLOAT_EQ(again->getAnimationLength(true), 1.25f);
    EXPECT_EQ(parse("")->toText(), "");
    // Blank lines, a CRLF one too, name no bone.
    EXPECT_TRUE(parse("[keyframe]\r\n\r\n  \n")->getBoneIndices().empty());
    // A number beyond float range reads as 0, like an unreadable one, not as infinity.
    EXPECT_EQ(parse("[keyframe]\nduration=1e39\n")->getAnimationLength(true), 0.0f);
}

TEST(AnimationTest, EditingKeepsKeyframesConsistent) {
    auto animation = parse("[keyframe]\nduration=1\nA:(1,0,0)\n[keyframe]\nduration=2\n");
    EXPECT_EQ(animation->insertKeyframe(0), 1u);
    ASSERT_EQ(animation->getKeyframeCount(), 3u);
    EXPECT_FLOAT_EQ(animation->getDuration(1), 0.0f);
    EXPECT_EQ(animation->getBoneRotation(1, "A"), Vector3(0, 0, 0));
    EXPECT_FLOAT_EQ(animation->getStartTime(2), 1.0f);

    EXPECT_EQ(animation->insertKeyframe(2), 3u);
    EXPECT_EQ(animation->addKeyframe(), 4u);
    animation->setBoneRotation(4, "B", {0, 1, 0});
    EXPECT_EQ(animation->getBoneRotation(0, "B"), Vector3(0, 0, 0));

    animation->swapKeyframes(0, 2);
    EXPECT_FLOAT_EQ(animation->getDuration(0), 2.0f);
    EXPECT_FLOAT_EQ(animation->getStartTime(2), 2.0f);
    EXPECT_EQ(animation->getBoneRotation(2, "A"), Vector3(1, 0, 0));
}

// A keyframe index or time out of range is reported and changes nothing.
TEST(AnimationTest, BadKeyframeIndicesAreReportedAndIgnored) {
    const char* const INDEX = "keyframeIndex < m_Keyframes.size()";
    TestSupport::AssertionRecorder recorder;
    auto early = parse("duration=3\nArm:(1,0,0)\ntranslation=(1,1,1)\n[keyframe]\n");
    EXPECT_EQ(recorder.reports(), std::vector<std::string>(3, INDEX));
    EXPECT_EQ(early->toText(), "[keyframe]\ntranslation=(0.000000,0.000000,0.000000)\n"
                               "duration=0.000000\n");

    const std::pair<std::function<void(Animation&)>, const char*> cases[] = {
        {[](Animation& a) { a.setDuration(3, 5.0f); }, INDEX},
        {[](Animation& a) {
             a.setBoneRotation(7, "Leg", {1, 1, 1});
         },
         INDEX},
        {[](Animation& a) { EXPECT_EQ(a.getBoneRotation(3, "Arm"), Vector3(0, 0, 0)); }, INDEX},
        {[](Animation& a) { EXPECT_EQ(a.getTranslation(3), Vector3(0, 0, 0)); }, INDEX},
        {[](Animation& a) { EXPECT_EQ(a.getDuration(3), 0.0f); }, INDEX},
        // Times inside find their keyframe (ends 0.5, 0.75, 1.75) untold.
        {[](Animation& a) {
             EXPECT_EQ(a.getKeyframeAtTime(0.5f), 1u);
             EXPECT_EQ(a.getKeyframeAtTime(1.7f), 2u);
             EXPECT_EQ(a.getKeyframeAtTime(5.0f), 2u);
         },
         "false && \"Requesting time beyond end of animation\""},
        {[](Animation& a) { a.insertKeyframe(3); }, "insertAfter < m_Keyframes.size()"},
        {[](Animation& a) { a.swapKeyframes(0, 3); },
         "keyframeIndex1 < m_Keyframes.size() && keyframeIndex2 < m_Keyframes.size()"},
    };
    auto animation = parse(THREE_KEYFRAMES);
    const std::string before = animation->toText();
    for (const auto& [call, report] : cases) {
        SCOPED_TRACE(report);
        recorder.clear();
        call(*animation);
        EXPECT_EQ(recorder.reports(), std::vector<std::string>{report});
        EXPECT_EQ(animation->toText(), before);
    }
}

} // namespace
