// The one operation through which the render device deforms a vertex list
// right before drawing it (skinned meshes). The implementer owns nothing passed in.
#pragma once

namespace Kestrel {

class VertexList;

class Morphable {
public:
    virtual ~Morphable() = default;
    // True when out now holds the deformed vertices; false when nothing was
    // written and the caller draws in.
    virtual bool morph(const VertexList& in, VertexList& out) = 0;
};

} // namespace Kestrel
