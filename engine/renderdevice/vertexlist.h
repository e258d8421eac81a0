// Vertices of one piece of geometry in processor memory, interleaved exactly as
// the graphics buffer holds them (32 bytes each). The list owns its array; the
// device's subclass mirrors it into a buffer object on bind.
#pragma once

#include "engine/vector.h"

#include <vector>

namespace Kestrel {

// Usage hints of vertex and face lists.
enum ListUsage { USAGE_STATIC = 0, USAGE_DYNAMIC = 1 };

struct Vertex {
    Vector3 position;
    Vector3 normal;
    Vector2 texCoord;
};
static_assert(sizeof(Vertex) == 32, "vertices are uploaded as 32-byte records");

class VertexList {
public:
    explicit VertexList(int usage) : m_Usage(usage) {}
    virtual ~VertexList() = default;
    VertexList(const VertexList&) = delete;
    VertexList& operator=(const VertexList&) = delete;

    // Returns the new vertex's index.
    unsigned addVertex(const Vector3& position, const Vector3& normal, const Vector2& texCoord) {
        m_Vertices.push_back({position, normal, texCoord});
        return static_cast<unsigned>(m_Vertices.size() - 1);
    }
    unsigned getVertexCount() const { return static_cast<unsigned>(m_Vertices.size()); }

    void setPosition(unsigned index, const Vector3& p) { m_Vertices[index].position = p; }
    void setNormal(unsigned index, const Vector3& n) { m_Vertices[index].normal = n; }
    void setTexCoord(unsigned index, const Vector2& t) { m_Vertices[index].texCoord = t; }
    Vector3& getPosition(unsigned index) { return m_Vertices[index].position; }
    Vector3& getNormal(unsigned index) { return m_Vertices[index].normal; }
    Vector2& getTexCoord(unsigned index) { return m_Vertices[index].texCoord; }
    const Vector3& getPosition(unsigned index) const { return m_Vertices[index].position; }
    const Vector3& getNormal(unsigned index) const { return m_Vertices[index].normal; }
    const Vector2& getTexCoord(unsigned index) const { return m_Vertices[index].texCoord; }

    // Keeps the capacity, so lists refilled every frame do not allocate.
    void clear() { m_Vertices.clear(); }
    // Keeps the first count vertices as they are; added ones are zero.
    void resize(unsigned count) { m_Vertices.resize(count); }
    // Makes room for count vertices without adding any.
    void reserve(unsigned count) { m_Vertices.reserve(count); }

    const Vertex* data() const { return m_Vertices.data(); }
    Vertex* data() { return m_Vertices.data(); }
    int getUsage() const { return m_Usage; }

protected:
    std::vector<Vertex> m_Vertices;
    int m_Usage;
};

} // namespace Kestrel
