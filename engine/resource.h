// Base of everything the resource cache owns; the cache deletes its resources
// through this interface.
#pragma once

namespace Kestrel {

class Resource {
public:
    enum Type { MESH = 0, TEXTURE = 1, SHADER = 2, ANIMATION = 3, TEXT = 4 };

    virtual ~Resource() = default;
    virtual Type getResourceType() const = 0;
};

} // namespace Kestrel
