#include "tools/assetgen/ant_anatomy.h"
#include "tools/assetgen/ants.h"
#include "tools/assetgen/title.h"

#include "tools/assetgen/mesh_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

using assetgen::Mat3;
using assetgen::Skeleton;
using assetgen::Vec2;
using assetgen::Vec3;
using AssetTest::MeshText;

namespace {

TEST(AntMeshTest, EveryKindKeepsToTheTriangleBudget) {
    for (const auto& kind : assetgen::ANT_KINDS)
        EXPECT_LE(assetgen::buildAntMesh(kind.style).triangleCount(), 1000) << kind.mesh;
}

// The bone names and their pairs are checked on the loaded files.
TEST(AntMeshTest, RootAtTheFeetAndTheHandAtTheTipOfAFrontLeg) {
    const MeshText mesh = AssetTest::readMesh(assetgen::buildAntMesh(assetgen::ANT_KINDS[0].style));
    ASSERT_FALSE(mesh.bones.empty());
    EXPECT_EQ(mesh.bones[0].head, Vec3(0, 0, 0));
    const MeshText::Bone* hand = mesh.bone("RockHand");
    ASSERT_NE(hand, nullptr);
    ASSERT_EQ(hand->parent, "FrontTarsus.R");
    EXPECT_NEAR(mesh.bone(hand->parent)->tail.y, 0.0, 1e-9) << "the tip touches the ground";
}

TEST(AntMeshTest, EveryVertexFollowsBonesOfTheSkeleton) {
    for (const auto& kind : assetgen::ANT_KINDS) {
        const MeshText mesh = AssetTest::readMesh(assetgen::buildAntMesh(kind.style));
        std::vector<int> influences(mesh.positions.size(), 0);
        for (const MeshText::Weight& w : mesh.weights) {
            EXPECT_NE(mesh.bone(w.bone), nullptr) << w.bone;
            EXPECT_GT(w.weight, 0.0);
            ++influences.at(w.vertex);
        }
        for (const MeshText::Face& f : mesh.faces)
            for (int v : f.vertices)
                EXPECT_TRUE(influences[v] >= 1 && influences[v] <= 4)
                    << kind.mesh << " vertex " << v;
    }
}

TEST(AntMeshTest, StandsOnTheGroundFacingMinusZAtTheGamesSize) {
    const MeshText mesh = AssetTest::readMesh(assetgen::buildAntMesh(assetgen::ANT_KINDS[0].style));
    Vec3 low(1e9, 1e9, 1e9), high(-1e9, -1e9, -1e9);
    for (const Vec3& p : mesh.positions) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    EXPECT_NEAR(low.y, 0.0, 0.03);
    EXPECT_NEAR(high.z - mesh.bone("Mandible.R")->tail.z, 1.65, 0.1) << "body length";
    EXPECT_LT(mesh.bone("Head")->tail.z, -0.5) << "the head is at the front";
    EXPECT_NEAR(high.x, -low.x, 1e-9) << "left and right mirror each other";
}

struct KeyframeText {
    double duration = 0.0;
    std::map<std::string, Vec3> angles;
};

std::vector<KeyframeText> readAnimation(const std::string& text) {
    std::vector<KeyframeText> keys;
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line == "[keyframe]")
            keys.emplace_back();
        else if (line.rfind("duration=", 0) == 0)
            keys.back().duration = std::atof(line.c_str() + 9);
        else if (line.rfind("translation=", 0) != 0)
            keys.back().angles[line.substr(0, line.find(':'))] =
                AssetTest::vector3(line.substr(line.find(':') + 1));
    }
    return keys;
}

std::map<std::string, std::vector<KeyframeText>> animations() {
    std::map<std::string, std::vector<KeyframeText>> result;
    for (const auto& file : assetgen::antAnimations())
        result[file.name] = readAnimation(file.text);
    return result;
}

assetgen::PosedSkeleton posed(const Skeleton& s, const KeyframeText& key) {
    assetgen::Pose pose;
    for (const auto& [name, angles] : key.angles)
        pose[name] = s.rotationFor(s.find(name), angles);
    return s.posed(pose);
}

double length(const std::vector<KeyframeText>& keys, bool loop) {
    double sum = 0.0;
    for (std::size_t i = 0; i + (loop ? 0 : 1) < keys.size(); ++i)
        sum += keys[i].duration;
    return sum;
}

Vec3 tipOf(const Skeleton& s, const assetgen::PosedSkeleton& p, const std::string& bone) {
    const int i = s.find(bone);
    return s.carry(p, i, s.bone(i).tail);
}

TEST(AntAnimationTest, LengthsSuitTheirUse) {
    const auto all = animations();
    EXPECT_NEAR(length(all.at("antthrow.ksta"), false), 0.5, 0.05);
    EXPECT_NEAR(length(all.at("antdie.ksta"), false), 1.0, 0.1);
    EXPECT_GE(length(all.at("antfire.ksta"), false), 1.0);
    EXPECT_LE(length(all.at("antfire.ksta"), false), 2.0);
    EXPECT_NEAR(length(all.at("zombieanteat.ksta"), false), 1.0, 0.1);
    EXPECT_GT(length(all.at("antwalk.ksta"), true), 0.2);
    EXPECT_GT(length(all.at("antidle.ksta"), true), 1.0);
}

TEST(AntAnimationTest, WalkMovesTripodsInTurn) {
    const Skeleton s = assetgen::antSkeleton();
    const auto walk = animations().at("antwalk.ksta");
    ASSERT_EQ(walk.size(), 4u);
    // Keyframes 1 and 3 lift one tripod each; 0 and 2 have all six feet down.
    for (std::size_t k = 0; k < walk.size(); ++k) {
        const assetgen::PosedSkeleton p = posed(s, walk[k]);
        int lifted = 0;
        for (const char* pair : {"Front", "Middle", "Hind"})
            for (const char* side : {".R", ".L"}) {
                const double y = tipOf(s, p, std::string(pair) + "Tarsus" + side).y;
                EXPECT_GT(y, -0.06) << "keyframe " << k;
                lifted += y > 0.08 ? 1 : 0;
            }
        EXPECT_EQ(lifted, k % 2 == 1 ? 3 : 0) << "keyframe " << k;
    }
}

TEST(AntAnimationTest, PointingLegAimsAtItsMenuLineFromTheTitleCamera) {
    const Skeleton s = assetgen::antSkeleton();
    const auto all = animations();
    double slopes[2];
    int i = 0;
    for (const auto& [file, target] :
         {std::make_pair("antpointup.ksta", assetgen::title::ONE_PLAYER_TARGET),
          std::make_pair("antpointdown.ksta", assetgen::title::EXIT_TARGET)}) {
        const assetgen::PosedSkeleton p = posed(s, all.at(file).back());
        const Mat3 heading = Mat3::rotationY(assetgen::radians(85.0));
        auto screen = [&](const Vec3& mesh) {
            return assetgen::title::screenOf(heading * mesh + Vec3(1.0, -1.5, 0.0));
        };
        const Vec2 knee = screen(p.heads[s.find("FrontTibia.R")]);
        const Vec2 hand = screen(p.heads[s.find("RockHand")]);
        const Vec2 leg = hand - knee, wanted = target - knee;
        // Screen units are stretched by the window's 4:3 shape.
        const double legAngle = std::atan2(leg.y * 3.0, leg.x * 4.0);
        const double wantedAngle = std::atan2(wanted.y * 3.0, wanted.x * 4.0);
        EXPECT_NEAR(legAngle, wantedAngle, assetgen::radians(6.0)) << file;
        EXPECT_LT(hand.x, target.x) << file << ": the leg stops short of the text";
        slopes[i++] = legAngle;
    }
    EXPECT_GT(slopes[0], slopes[1] + assetgen::radians(10.0)) << "up points higher than down";
}

TEST(AntAnimationTest, ThrowReleasesTheRockAheadOfTheHead) {
    const Skeleton s = assetgen::antSkeleton();
    const auto keys = animations().at("antthrow.ksta");
    const assetgen::PosedSkeleton release = posed(s, keys.back());
    const Vec3 hand = release.heads[s.find("RockHand")];
    EXPECT_LT(hand.z, s.bone("Head").tail.z);
    EXPECT_GT(hand.y, 0.2);
    double highest = 0.0;
    for (const KeyframeText& key : keys)
        highest = std::max(highest, posed(s, key).heads[s.find("RockHand")].y);
    EXPECT_GT(highest, 0.5) << "the leg is raised before the throw";
}

TEST(AntAnimationTest, FireAntRearsItsHead) {
    const Skeleton s = assetgen::antSkeleton();
    double highest = -1.0;
    const auto all = animations();
    for (const KeyframeText& key : all.at("antfire.ksta"))
        highest = std::max(highest, posed(s, key).heads[s.find("Head")].y);
    EXPECT_GT(highest, s.bone("Head").head.y + 0.1);
}

} // namespace
