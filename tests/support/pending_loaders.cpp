// Link stand-ins for the mesh loader, the mesh's virtual operations (their type
// information is needed by the sanitizer build) and the animation parser, which
// land with their own branches. Delete this file when they do (the real definitions
// then clash with these at link time).
#include "engine/animation.h"
#include "engine/mesh.h"
#include "engine/meshloader.h"

namespace Kestrel {

Mesh* MeshLoader::load(const std::string&) {
    return nullptr;
}

Mesh::~Mesh() = default;

bool Mesh::morph(const VertexList&, VertexList&) {
    return false;
}

Animation* Animation::parse(const std::string&) {
    return new Animation();
}

} // namespace Kestrel
