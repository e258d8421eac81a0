// The one resource cache: turns bare file names into paths along the search
// directories, loads each kind of resource once per name and owns everything it
// caches until it is emptied (the entry point does so while the OpenGL context
// still exists). Paths use '/'; a name starting with '/' is absolute.
#pragma once

#include "engine/resource.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace Kestrel {

class Animation;
class Mesh;
class RenderDevice;
class Shader;
class Text;
class Texture;

class ResourceManager {
public:
    static ResourceManager* getInstance();

    ResourceManager() = default;
    virtual ~ResourceManager();
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    void addSearchPath(const std::string& path);
    std::string resolvePath(const std::string& name) const;
    static bool fileExists(const std::string& path);
    Resource* findResource(const std::string& name) const;
    void addResource(const std::string& name, Resource* resource);

    // The loads below keep what they return (the caller never deletes it); a
    // name cached as another type than requested gives null.

    // Null when unresolved or unparsable; a failed parse is tried again next time.
    Mesh* loadMesh(const std::string& file, RenderDevice* device);
    // Cached under both names joined; a program that does not compile is kept.
    Shader* loadShader(const std::string& vertexProgramFile, const std::string& fragmentProgramFile,
                       RenderDevice* device);
    // Null when unresolved; an unreadable image still gives a (kept) texture.
    Texture* loadTexture(const std::string& file, RenderDevice* device);
    // Reads the file anew on every call; null when it cannot be opened.
    Animation* loadAnimation(const std::string& file);
    // Null when unresolved; a font that fails to load still gives a (kept) text.
    Text* loadText(const std::string& file, RenderDevice* device);

    // Deletes every cached resource; the cache stays usable for later loads.
    void clear();
    const std::vector<std::string>& getSearchPaths() const { return m_SearchPaths; }

private:
    // resolvePath, naming a file that no search path holds in a message
    // (once per name: failed loads are tried again on every request).
    std::string resolveOrReport(const std::string& name, const char* kind);
    // The resource of the wanted type cached under file, or else the one make
    // (path) builds from the resolved file, cached under file (null counts as absent).
    template <typename T, typename Make>
    T* loadCached(const std::string& file, Resource::Type type, const char* kind, Make make);

    std::vector<std::string> m_SearchPaths;
    std::set<std::string> m_ReportedMissing;
    std::map<std::string, Resource*> m_Resources;
    // Animations replaced under their name by a later loadAnimation stay owned here.
    std::vector<Resource*> m_Replaced;
};

} // namespace Kestrel
