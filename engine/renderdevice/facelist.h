// Triangles as triples of 16-bit indices into one vertex list, which the face
// list points to but does not own. The device's subclass mirrors the faces into
// an element buffer on bind.
#pragma once

#include "engine/assert.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Kestrel {

class VertexList;

struct Face {
    uint16_t index[3];
};
static_assert(sizeof(Face) == 6, "faces are uploaded as three 16-bit indices");

class FaceList {
public:
    // The count is 16 bits wide.
    static constexpr std::size_t MAX_FACES = 65535;

    FaceList(VertexList* vertexList, int usage) : m_VertexList(vertexList), m_Usage(usage) {}
    virtual ~FaceList() = default;
    FaceList(const FaceList&) = delete;
    FaceList& operator=(const FaceList&) = delete;

    VertexList* getVertexList() const { return m_VertexList; }
    uint16_t getFaceCount() const { return static_cast<uint16_t>(m_Faces.size()); }
    uint16_t getIndex(uint16_t face, int8_t corner) const { return m_Faces[face].index[corner]; }

    // A face past MAX_FACES is a caller error and is not added.
    void addFace(uint16_t a, uint16_t b, uint16_t c) {
        if (!(m_Faces.size() < MAX_FACES)) {
            KESTREL_ASSERT(m_Faces.size() < MAX_FACES);
            return;
        }
        m_Faces.push_back({{a, b, c}});
    }
    // a, b on one edge facing c, d on the opposite edge: both triangles share a winding.
    void addQuad(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
        addFace(a, c, b);
        addFace(b, c, d);
    }
    void clear() { m_Faces.clear(); }

    const Face* data() const { return m_Faces.data(); }
    int getUsage() const { return m_Usage; }

protected:
    VertexList* m_VertexList;
    std::vector<Face> m_Faces;
    int m_Usage;
};

} // namespace Kestrel
