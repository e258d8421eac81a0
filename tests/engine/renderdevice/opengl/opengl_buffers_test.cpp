#include "engine/renderdevice/opengl/opengl_buffers.h"

#include "support/gl_context.h"

#include <GL/glew.h>

#include <vector>

using namespace Kestrel;
using namespace TestSupport;

namespace {

class OpenGLBuffersGlTest : public GlTest {};

// The buffer's contents as T, as many as it holds.
template <class T>
std::vector<T> contents(GLenum target, GLuint buffer) {
    GLint size = 0;
    glBindBufferARB(target, buffer);
    glGetBufferParameterivARB(target, GL_BUFFER_SIZE_ARB, &size);
    std::vector<T> items(size / sizeof(T));
    glGetBufferSubDataARB(target, 0, items.size() * sizeof(T), items.data());
    return items;
}

// An empty list makes no buffer (an empty face list unbinds the indices); the
// first bind with data uploads; later binds upload again when dynamic, or when
// the list grew (a buffer never holds less than is drawn from it).
TEST_F(OpenGLBuffersGlTest, ListsUploadOnceOrAtEveryBindByUsage) {
    GLuint other = 0;
    glGenBuffersARB(1, &other);
    for (int usage : {USAGE_STATIC, USAGE_DYNAMIC}) {
        SCOPED_TRACE(usage);
        const bool dynamic = usage == USAGE_DYNAMIC;
        OpenGLVertexList vertices(usage);
        OpenGLFaceList faces(&vertices, usage);
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, other);
        glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, other);
        vertices.bind();
        faces.bind();
        EXPECT_EQ(vertices.getBufferHandle(), 0u);
        EXPECT_EQ(faces.getBufferHandle(), 0u);
        EXPECT_EQ(glInteger(GL_ARRAY_BUFFER_BINDING_ARB), GLint(other));
        EXPECT_EQ(glInteger(GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB), 0);

        for (int i = 0; i < 4; ++i)
            vertices.addVertex({1, float(i), 0}, {0, 0, 1}, {0.5f, float(i)});
        faces.addQuad(0, 1, 2, 3);
        vertices.bind();
        faces.bind();
        ASSERT_NE(vertices.getBufferHandle(), 0u);
        ASSERT_NE(faces.getBufferHandle(), 0u);
        EXPECT_EQ(glInteger(GL_ARRAY_BUFFER_BINDING_ARB), GLint(vertices.getBufferHandle()));
        EXPECT_EQ(glInteger(GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB), GLint(faces.getBufferHandle()));

        vertices.setPosition(0, {9, 9, 9});
        vertices.bind();
        EXPECT_EQ(contents<Vertex>(GL_ARRAY_BUFFER_ARB, vertices.getBufferHandle())[0].position,
                  dynamic ? Vector3(9, 9, 9) : Vector3(1, 0, 0));
        vertices.addVertex({7, 7, 7}, {0, 1, 0}, {0.25f, 0.75f});
        faces.addFace(4, 2, 1);
        vertices.bind();
        faces.bind();
        const auto seen = contents<Vertex>(GL_ARRAY_BUFFER_ARB, vertices.getBufferHandle());
        ASSERT_EQ(seen.size(), 5u);
        for (unsigned i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i].position, vertices.getPosition(i));
            EXPECT_EQ(seen[i].normal, vertices.getNormal(i));
            EXPECT_EQ(seen[i].texCoord, vertices.getTexCoord(i));
        }
        const auto indices =
            contents<uint16_t>(GL_ELEMENT_ARRAY_BUFFER_ARB, faces.getBufferHandle());
        ASSERT_EQ(indices.size(), 9u);
        for (unsigned i = 0; i < indices.size(); ++i)
            EXPECT_EQ(indices[i], faces.getIndex(uint16_t(i / 3), int8_t(i % 3)));
    }
    glDeleteBuffersARB(1, &other);
}

} // namespace
