#include "engine/renderdevice/opengl/opengl_buffers.h"

#include "support/gl_context.h"

#include <GL/glew.h>

#include <vector>

using Kestrel::OpenGLFaceList;
using Kestrel::OpenGLVertexList;
using Kestrel::USAGE_DYNAMIC;
using Kestrel::USAGE_STATIC;
using Kestrel::Vertex;

namespace {

class OpenGLBuffersGlTest : public TestSupport::GlTest {};

GLint boundBuffer(GLenum binding) {
    GLint name = -1;
    glGetIntegerv(binding, &name);
    return name;
}

std::vector<Vertex> readVertexBuffer(GLuint buffer, size_t count) {
    std::vector<Vertex> vertices(count);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer);
    glGetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 0, count * sizeof(Vertex), vertices.data());
    return vertices;
}

GLint bufferSize(GLenum target, GLuint buffer) {
    GLint size = -1;
    glBindBufferARB(target, buffer);
    glGetBufferParameterivARB(target, GL_BUFFER_SIZE_ARB, &size);
    return size;
}

void addVertices(OpenGLVertexList& list, int count, float x) {
    for (int i = 0; i < count; ++i)
        list.addVertex({x, float(i), 0}, {0, 0, 1}, {0.5f, float(i)});
}

TEST_F(OpenGLBuffersGlTest, StaticVertexListKeepsItsFirstUpload) {
    OpenGLVertexList list(USAGE_STATIC);
    addVertices(list, 3, 1.0f);
    list.bind();
    ASSERT_NE(list.getBufferHandle(), 0u);
    EXPECT_EQ(boundBuffer(GL_ARRAY_BUFFER_BINDING_ARB), GLint(list.getBufferHandle()));

    list.setPosition(0, {9, 9, 9});
    list.addVertex({7, 7, 7}, {0, 1, 0}, {0, 0});
    list.bind();
    EXPECT_EQ(bufferSize(GL_ARRAY_BUFFER_ARB, list.getBufferHandle()), GLint(3 * sizeof(Vertex)));
    const std::vector<Vertex> seen = readVertexBuffer(list.getBufferHandle(), 3);
    EXPECT_EQ(seen[0].position, Kestrel::Vector3(1, 0, 0));
    EXPECT_EQ(seen[2].texCoord, Kestrel::Vector2(0.5f, 2));
}

TEST_F(OpenGLBuffersGlTest, DynamicVertexListMatchesTheArrayAtEveryBind) {
    OpenGLVertexList list(USAGE_DYNAMIC);
    addVertices(list, 2, 1.0f);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        list.setPosition(0, {float(round), -1, -2});
        list.addVertex({5, 5, float(round)}, {1, 0, 0}, {0.25f, 0.75f});
        list.bind();
        const std::vector<Vertex> seen =
            readVertexBuffer(list.getBufferHandle(), list.getVertexCount());
        EXPECT_EQ(bufferSize(GL_ARRAY_BUFFER_ARB, list.getBufferHandle()),
                  GLint(list.getVertexCount() * sizeof(Vertex)));
        for (unsigned i = 0; i < list.getVertexCount(); ++i) {
            EXPECT_EQ(seen[i].position, list.getPosition(i)) << i;
            EXPECT_EQ(seen[i].normal, list.getNormal(i)) << i;
            EXPECT_EQ(seen[i].texCoord, list.getTexCoord(i)) << i;
        }
    }
}

TEST_F(OpenGLBuffersGlTest, EmptyVertexListMakesNoBufferUntilItHasData) {
    GLuint other = 0;
    glGenBuffersARB(1, &other);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, other);

    OpenGLVertexList list(USAGE_STATIC);
    list.bind();
    EXPECT_EQ(list.getBufferHandle(), 0u);
    EXPECT_EQ(boundBuffer(GL_ARRAY_BUFFER_BINDING_ARB), GLint(other));

    addVertices(list, 1, 4.0f);
    list.bind();
    ASSERT_NE(list.getBufferHandle(), 0u);
    EXPECT_EQ(readVertexBuffer(list.getBufferHandle(), 1)[0].position.x, 4.0f);
    glDeleteBuffersARB(1, &other);
}

TEST_F(OpenGLBuffersGlTest, FaceListsBindTheirIndicesAndEmptyOnesUnbind) {
    OpenGLVertexList vertices(USAGE_STATIC);
    addVertices(vertices, 4, 0.0f);
    OpenGLFaceList staticFaces(&vertices, USAGE_STATIC);
    staticFaces.addQuad(0, 1, 2, 3);
    staticFaces.bind();
    ASSERT_NE(staticFaces.getBufferHandle(), 0u);
    EXPECT_EQ(boundBuffer(GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB),
              GLint(staticFaces.getBufferHandle()));
    staticFaces.addFace(3, 2, 1);
    staticFaces.bind();
    EXPECT_EQ(bufferSize(GL_ELEMENT_ARRAY_BUFFER_ARB, staticFaces.getBufferHandle()), 2 * 6);

    OpenGLFaceList dynamicFaces(&vertices, USAGE_DYNAMIC);
    dynamicFaces.addFace(0, 1, 2);
    dynamicFaces.bind();
    dynamicFaces.addFace(3, 2, 1);
    dynamicFaces.bind();
    uint16_t indices[6] = {};
    glGetBufferSubDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0, sizeof(indices), indices);
    EXPECT_EQ(indices[3], 3);
    EXPECT_EQ(indices[5], 1);

    // An empty list must not leave another list's indices bound.
    OpenGLFaceList empty(&vertices, USAGE_STATIC);
    empty.bind();
    EXPECT_EQ(empty.getBufferHandle(), 0u);
    EXPECT_EQ(boundBuffer(GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB), 0);
}

} // namespace
