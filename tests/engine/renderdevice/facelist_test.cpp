#include "engine/renderdevice/facelist.h"

#include "engine/renderdevice/vertexlist.h"

#include <gtest/gtest.h>

using Kestrel::FaceList;
using Kestrel::Vector2;
using Kestrel::Vector3;
using Kestrel::VertexList;

namespace {

// Signed doubled area in the xy plane: the sign is the winding.
float winding(const VertexList& vertices, const FaceList& faces, uint16_t face) {
    const Vector3& a = vertices.getPosition(faces.getIndex(face, 0));
    const Vector3& b = vertices.getPosition(faces.getIndex(face, 1));
    const Vector3& c = vertices.getPosition(faces.getIndex(face, 2));
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

//  c ---- d
//  |      |
//  a ---- b     a, b on one edge; c faces a, d faces b
TEST(FaceListTest, AddQuadSplitsIntoTwoTrianglesOfOneWinding) {
    VertexList vertices(0);
    EXPECT_EQ(vertices.addVertex({0, 0, 0}, {0, 0, 1}, {0, 0}), 0u);
    EXPECT_EQ(vertices.addVertex({1, 0, 0}, {0, 0, 1}, {1, 0}), 1u);
    vertices.addVertex({0, 1, 0}, {0, 0, 1}, {0, 1});
    vertices.addVertex({1, 1, 0}, {0, 0, 1}, {1, 1});
    FaceList faces(&vertices, 0);
    faces.addQuad(0, 1, 2, 3);

    ASSERT_EQ(faces.getFaceCount(), 2);
    const uint16_t expected[2][3] = {{0, 2, 1}, {1, 2, 3}};
    for (uint16_t f = 0; f < 2; ++f)
        for (int8_t corner = 0; corner < 3; ++corner)
            EXPECT_EQ(faces.getIndex(f, corner), expected[f][corner]);
    EXPECT_NE(winding(vertices, faces, 0), 0.0f);
    EXPECT_EQ(winding(vertices, faces, 0) > 0, winding(vertices, faces, 1) > 0);
}

} // namespace
