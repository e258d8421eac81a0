#include "engine/renderdevice/opengl/opengl_buffers.h"

#include <GL/glew.h>

#include <cstddef>

namespace Kestrel {
namespace {

const GLsizei VERTEX_STRIDE = sizeof(Vertex);

// Usage of a freshly created buffer; only a static hint promises no rewrites.
GLenum creationUsage(int usage) {
    return usage == USAGE_STATIC ? GL_STATIC_DRAW_ARB : GL_STREAM_DRAW_ARB;
}

const GLvoid* bufferOffset(size_t bytes) {
    return reinterpret_cast<const GLvoid*>(bytes);
}

} // namespace

OpenGLVertexList::~OpenGLVertexList() {
    if (m_BufferHandle != 0)
        glDeleteBuffersARB(1, &m_BufferHandle);
}

// A list that changed its size since the upload is uploaded again, whatever
// its usage: drawing it from the old buffer would read past that buffer's end.
void OpenGLVertexList::bind() {
    const GLsizeiptrARB bytes = GLsizeiptrARB(getVertexCount()) * VERTEX_STRIDE;
    if (bytes > 0 && (m_BufferHandle == 0 || bytes != m_UploadedBytes)) {
        if (m_BufferHandle == 0)
            glGenBuffersARB(1, &m_BufferHandle);
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, m_BufferHandle);
        glBufferDataARB(GL_ARRAY_BUFFER_ARB, bytes, data(), creationUsage(m_Usage));
        m_UploadedBytes = bytes;
    }
    if (m_BufferHandle == 0 || bytes == 0)
        return;
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, m_BufferHandle);
    glVertexPointer(3, GL_FLOAT, VERTEX_STRIDE, bufferOffset(offsetof(Vertex, position)));
    glNormalPointer(GL_FLOAT, VERTEX_STRIDE, bufferOffset(offsetof(Vertex, normal)));
    glTexCoordPointer(2, GL_FLOAT, VERTEX_STRIDE, bufferOffset(offsetof(Vertex, texCoord)));
    if (m_Usage == USAGE_DYNAMIC)
        glBufferDataARB(GL_ARRAY_BUFFER_ARB, bytes, data(), GL_DYNAMIC_DRAW_ARB);
}

OpenGLFaceList::~OpenGLFaceList() {
    if (m_BufferHandle != 0)
        glDeleteBuffersARB(1, &m_BufferHandle);
}

void OpenGLFaceList::bind() {
    const GLsizeiptrARB bytes = GLsizeiptrARB(getFaceCount()) * sizeof(Face);
    if (bytes > 0 && (m_BufferHandle == 0 || bytes != m_UploadedBytes)) {
        if (m_BufferHandle == 0)
            glGenBuffersARB(1, &m_BufferHandle);
        glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, m_BufferHandle);
        glBufferDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, bytes, data(), creationUsage(m_Usage));
        m_UploadedBytes = bytes;
    }
    // Also with no buffer: an empty list must not draw from a previous list's indices.
    glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, m_BufferHandle);
    if (m_BufferHandle != 0 && bytes > 0 && m_Usage == USAGE_DYNAMIC)
        glBufferDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, bytes, data(), GL_DYNAMIC_DRAW_ARB);
}

} // namespace Kestrel
