// Base of everything the resource cache owns; the cache deletes its resources
// through this interface.
#pragma once

#include <memory>

namespace Kestrel {

class Resource {
public:
    enum Type { MESH = 0, TEXTURE = 1, SHADER = 2, ANIMATION = 3, TEXT = 4 };

    Resource() = default;
    // A copy is another resource, with a lifetime of its own.
    Resource(const Resource&) {}
    Resource& operator=(const Resource&) { return *this; }
    virtual ~Resource() = default;
    virtual Type getResourceType() const = 0;

    // Expires when the resource is destroyed, so that whoever outlives it (an
    // entity after the cache was emptied) stops reaching it.
    std::weak_ptr<const void> getLifetime() const { return m_Lifetime; }

private:
    std::shared_ptr<const void> m_Lifetime = std::make_shared<char>();
};

// A resource held by whoever may outlive it (a scene or game state kept past
// the cache's clear): reads null once the resource is destroyed. Owns nothing.
template <class T>
class ResourcePointer {
public:
    ResourcePointer() = default;
    explicit ResourcePointer(T* resource) : m_Resource(resource) {
        if (resource)
            m_Lifetime = resource->getLifetime();
    }
    T* get() const { return m_Lifetime.expired() ? nullptr : m_Resource; }

private:
    T* m_Resource = nullptr;
    std::weak_ptr<const void> m_Lifetime;
};

} // namespace Kestrel
