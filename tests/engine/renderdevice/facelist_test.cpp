#include "engine/renderdevice/facelist.h"

#include "engine/renderdevice/vertexlist.h"

#include <gtest/gtest.h>

namespace {

//  c ---- d
//  |      |
//  a ---- b     a, b on one edge; c faces a, d faces b
TEST(FaceListTest, AddQuadSplitsIntoTwoTrianglesOfOneWinding) {
    Kestrel::VertexList vertices(0);
    Kestrel::FaceList faces(&vertices, 0);
    faces.addQuad(0, 1, 2, 3);
    ASSERT_EQ(faces.getFaceCount(), 2);
    const uint16_t expected[2][3] = {{0, 2, 1}, {1, 2, 3}};
    for (uint16_t f = 0; f < 2; ++f)
        for (int8_t corner = 0; corner < 3; ++corner)
            EXPECT_EQ(faces.getIndex(f, corner), expected[f][corner]);
}

} // namespace
