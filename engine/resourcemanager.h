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

    Mesh* loadMesh(const std::string& file, RenderDevice* device);
    Shader* loadShader(const std::string& vertexProgramFile, const std::string& fragmentProgramFile,
                       RenderDevice* device);
    Texture* loadTexture(const std::string& file, RenderDevice* device);
    Animation* loadAnimation(const std::string& file);
    Text* loadText(const std::string& file, RenderDevice* device);

    // Deletes every cached resource; the cache stays usable for later loads.
    void clear();
    const std::vector<std::string>& getSearchPaths() const { return m_SearchPaths; }

private:
    // resolvePath, naming a file that no search path holds on standard output
    // (once per name: failed loads are tried again on every request).
    std::string resolveOrReport(const std::string& name, const char* kind);

    std::vector<std::string> m_SearchPaths;
    std::set<std::string> m_ReportedMissing;
    std::map<std::string, Resource*> m_Resources;
    // Animations replaced under their name by a later loadAnimation stay owned here.
    std::vector<Resource*> m_Replaced;
};

} // namespace Kestrel
