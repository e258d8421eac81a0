// Link stand-ins for the mesh loader, the mesh's virtual operations (their type
// information is needed by the sanitizer build), the animation parser and
// text, which land with their own branches. Delete this file when they do (the real definitions
// then clash with these at link time).
#include "engine/animation.h"
#include "engine/mesh.h"
#include "engine/meshloader.h"
#include "engine/text.h"

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

Text::Text(RenderDevice* device)
    : m_RenderDevice(device), m_FaceList(nullptr), m_VertexList(nullptr) {}

Text::~Text() = default;

bool Text::load(const std::string&, unsigned) {
    return false;
}

} // namespace Kestrel
