#include "tools/assetgen/mesh_builder.h"

#include <gtest/gtest.h>

using assetgen::Corner;
using assetgen::MeshBuilder;
using assetgen::Vec3;

namespace {

TEST(MeshBuilderTest, WritesEverySectionInTheGamesFormat) {
    MeshBuilder mesh;
    mesh.addMaterial({"skin", "skin.png", "lit.vert", "skin.frag"});
    const int a = mesh.addVertex({0, 0, 0}), b = mesh.addVertex({1, 0, 0});
    const int c = mesh.addVertex({1, 1, 0.5}), d = mesh.addVertex({0, 1, -0.25});
    mesh.addQuad({a, {0, 0}}, {b, {1, 0}}, {c, {1, 1}}, {d, {0, 1}});
    mesh.addRootBone("Root", {0, -0.5, 0}, {0, 1, 0});
    mesh.addBone("Tip", "Root", {0, 2, 0});
    mesh.addWeight(c, "Tip", 0.75);
    mesh.addWeight(c, "Root", 0.25);
    EXPECT_EQ(mesh.toText(), "[materials]\n"
                             "name=skin:diffuse=(1,1,1):specular=(1,1,1):texture=skin.png:"
                             "vertexshader=lit.vert:fragmentshader=skin.frag\n"
                             "[vertices]\n"
                             "pos=(0,0,0)\n"
                             "pos=(1,0,0)\n"
                             "pos=(1,1,0.5)\n"
                             "pos=(0,1,-0.25)\n"
                             "[faces]\n"
                             "v=0,1,2,3:texcoord=(0,0),(1,0),(1,1),(0,1):material=skin\n"
                             "[bones]\n"
                             "name=Root:parent=(0,-0.5,0):tail=(0,1,0):weight=1\n"
                             "name=Tip:parent=Root:tail=(0,2,0):weight=1\n"
                             "[vertex weights]\n"
                             "b=Tip:v=2:weight=0.75\n"
                             "b=Root:v=2:weight=0.25\n");
    EXPECT_EQ(mesh.triangleCount(), 2);
}

TEST(MeshBuilderTest, MeshWithoutBonesHasNoSkeletonSections) {
    MeshBuilder mesh;
    mesh.addMaterial({"stone", "stone.png", "", ""});
    const int a = mesh.addVertex({0, 0, 0}), b = mesh.addVertex({1, 0, 0});
    const int c = mesh.addVertex({0, 1, 0});
    mesh.addTriangle({a, {}}, {b, {}}, {c, {}});
    const std::string text = mesh.toText();
    EXPECT_EQ(text.find("[bones]"), std::string::npos);
    EXPECT_EQ(text.find("[vertex weights]"), std::string::npos);
}

TEST(MeshBuilderTest, AFifthInfluenceIsAnError) {
    MeshBuilder mesh;
    const int v = mesh.addVertex({0, 0, 0});
    for (const char* bone : {"A", "B", "C", "D"})
        mesh.addWeight(v, bone, 0.25);
    EXPECT_THROW(mesh.addWeight(v, "E", 0.1), std::logic_error);
    // A zero weight is no influence at all.
    MeshBuilder other;
    const int w = other.addVertex({0, 0, 0});
    for (int i = 0; i < 6; ++i)
        other.addWeight(w, "A", 0.0);
    EXPECT_EQ(other.toText().find("b=A"), std::string::npos);
}

TEST(FormatNumberTest, ShortestFixedTextWithoutNegativeZero) {
    EXPECT_EQ(assetgen::formatNumber(0.25), "0.25");
    EXPECT_EQ(assetgen::formatNumber(-1.0), "-1");
    EXPECT_EQ(assetgen::formatNumber(-0.000001), "0");
    EXPECT_EQ(assetgen::formatNumber(1.234567), "1.23457");
    EXPECT_EQ(assetgen::formatNumber(120.0), "120");
}

} // namespace
