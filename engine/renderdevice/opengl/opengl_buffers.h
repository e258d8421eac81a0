// Vertex and face lists mirrored into ARB buffer objects, created and uploaded
// lazily on the first bind that has data; dynamic lists upload at every bind,
// others again only when their size changed. Each list owns its buffer name.
#pragma once

#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/vertexlist.h"

#include <cstddef>

namespace Kestrel {

class OpenGLVertexList : public VertexList {
public:
    explicit OpenGLVertexList(int usage) : VertexList(usage) {}
    ~OpenGLVertexList() override;
    void bind();
    unsigned getBufferHandle() const { return m_BufferHandle; }

private:
    unsigned m_BufferHandle = 0;
    std::ptrdiff_t m_UploadedBytes = 0;
};

class OpenGLFaceList : public FaceList {
public:
    OpenGLFaceList(VertexList* vertexList, int usage) : FaceList(vertexList, usage) {}
    ~OpenGLFaceList() override;
    void bind();
    unsigned getBufferHandle() const { return m_BufferHandle; }

private:
    unsigned m_BufferHandle = 0;
    std::ptrdiff_t m_UploadedBytes = 0;
};

} // namespace Kestrel
