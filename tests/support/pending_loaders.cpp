// Link stand-ins for text, which lands with its own branch. Delete this file
// when it does (the real definitions then clash with these at link time).
#include "engine/text.h"

namespace Kestrel {

Text::Text(RenderDevice* device)
    : m_RenderDevice(device), m_FaceList(nullptr), m_VertexList(nullptr) {}

Text::~Text() = default;

bool Text::load(const std::string&, unsigned) {
    return false;
}

} // namespace Kestrel
