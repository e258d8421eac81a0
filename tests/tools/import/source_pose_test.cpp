#include "tools/import/source_pose.h"

#include "support/temp_dir.h"

#include <assimp/Importer.hpp>
#include <gtest/gtest.h>

#include <cmath>

using KestrelImport::Matrix4d;
using KestrelImport::Vector3d;

namespace {

// The hips rise by 2 in the last frame; the leg turns 60 degrees about z in the second.
const char* const SWING = R"(HIERARCHY
ROOT Hips
{
  OFFSET 0 0 0
  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation
  JOINT Leg
  {
    OFFSET 1 0 0
    CHANNELS 3 Zrotation Xrotation Yrotation
    End Site
    {
      OFFSET 0 -1 0
    }
  }
}
MOTION
Frames: 3
Frame Time: 0.5
0 0 0 0 0 0 0 0 0
0 0 0 0 0 0 60 0 0
0 2 0 0 0 0 60 0 0
)";

TEST(ImportSourcePoseTest, KeysAreInterpolatedAndHeldAtTheEnds) {
    TestSupport::TempDir directory;
    directory.write("swing.bvh", SWING);
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(directory.file("swing.bvh"), 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    ASSERT_EQ(scene->mNumAnimations, 1u);
    const aiAnimation& animation = *scene->mAnimations[0];
    aiAnimation unstated, stated;
    unstated.mTicksPerSecond = 0.0;
    stated.mTicksPerSecond = 30.0;
    EXPECT_EQ(KestrelImport::ticksPerSecond(unstated), 25.0);
    EXPECT_EQ(KestrelImport::ticksPerSecond(stated), 30.0);
    const aiNode* hips = scene->mRootNode->FindNode("Hips");
    const aiNode* leg = scene->mRootNode->FindNode("Leg");
    ASSERT_TRUE(hips && leg);

    struct Row {
        double m_Ticks, m_HipsHeight, m_LegDegrees;
    };
    KestrelImport::SourcePose pose(*scene, 1.0);
    for (const Row& row :
         {Row{0, 0, 0}, Row{0.5, 0, 30}, Row{1.5, 1, 60}, Row{9, 2, 60}, Row{-1, 0, 0}}) {
        SCOPED_TRACE(row.m_Ticks);
        pose.evaluate(&animation, row.m_Ticks);
        EXPECT_NEAR(KestrelImport::origin(pose.global(hips)).y, row.m_HipsHeight, 1e-5);
        const Matrix4d& frame = pose.global(leg);
        EXPECT_NEAR(std::atan2(frame.b1, frame.a1) * 180 / M_PI, row.m_LegDegrees, 1e-3);
    }
    pose.evaluate(&animation, 2.0, {{hips, Vector3d(0, 0.25, 0)}});
    EXPECT_NEAR(KestrelImport::origin(pose.global(hips)).y, 0.25, 1e-9);
    EXPECT_NEAR(KestrelImport::origin(pose.restGlobal(leg)).x, 1.0, 1e-9);
}

} // namespace
