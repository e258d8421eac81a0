#include "engine/resourcemanager.h"

#include "engine/animation.h"
#include "engine/assert.h"
#include "engine/mesh.h"
#include "engine/meshloader.h"
#include "engine/problemreport.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/shader.h"
#include "engine/renderdevice/texture.h"
#include "engine/text.h"

#include <fstream>
#include <set>

namespace Kestrel {
namespace {

// Lives for the whole process; emptied explicitly while the OpenGL context exists.
ResourceManager g_ResourceManager;

const unsigned TEXT_PIXEL_SIZE = 64;

// The engine's established report texts, indexed by Resource::Type.
const char* const TYPE_MISMATCH[] = {"loadedResource->getResourceType() == Resource::MESH",
                                     "loadedResource->getResourceType() == Resource::TEXTURE",
                                     "loadedResource->getResourceType() == Resource::SHADER",
                                     "loadedResource->getResourceType() == Resource::ANIMATION",
                                     "loadedResource->getResourceType() == Resource::TEXT"};

// True when something is cached under the name; `found` is it, or null when it
// has another type than requested (handing it out would be an invalid cast).
template <typename T>
bool findCached(const ResourceManager& cache, const std::string& name, Resource::Type type,
                T*& found) {
    Resource* loadedResource = cache.findResource(name);
    if (!loadedResource)
        return false;
    KESTREL_ASSERT_TEXT(loadedResource->getResourceType() == type, TYPE_MISMATCH[type]);
    found = loadedResource->getResourceType() == type ? static_cast<T*>(loadedResource) : nullptr;
    return true;
}

// Every line followed by a newline, also the last one; a last line that had
// none is reported (the writer ends every line, so the file was cut short).
bool readLines(const std::string& path, std::string& text, ProblemReport& problems) {
    std::ifstream file(path);
    if (!file)
        return false;
    std::string line;
    unsigned lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (file.eof())
            problems.add(lineNumber, "ends without a line end; the file may be cut short");
        text += line;
        text += '\n';
    }
    return true;
}

} // namespace

ResourceManager* ResourceManager::getInstance() {
    return &g_ResourceManager;
}

ResourceManager::~ResourceManager() {
    clear();
}

// Deletes in key order, then the replaced animations; a resource stored under
// several names (addResource) is deleted once.
void ResourceManager::clear() {
    std::vector<Resource*> owned;
    for (auto& entry : m_Resources)
        owned.push_back(entry.second);
    owned.insert(owned.end(), m_Replaced.begin(), m_Replaced.end());
    m_Resources.clear();
    m_Replaced.clear();
    std::set<Resource*> deleted;
    for (Resource* resource : owned) {
        if (deleted.insert(resource).second)
            delete resource;
    }
}

void ResourceManager::addSearchPath(const std::string& path) {
    if (path.empty())
        return;
    m_SearchPaths.push_back(path.back() == '/' ? path : path + '/');
}

bool ResourceManager::fileExists(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return file.is_open();
}

std::string ResourceManager::resolvePath(const std::string& name) const {
    if (name.empty())
        return std::string();
    if (name[0] == '/')
        return name;
    for (const std::string& searchPath : m_SearchPaths) {
        const std::string candidate = searchPath + name;
        if (fileExists(candidate))
            return candidate;
    }
    return std::string();
}

// The message names where the file was looked for, so that a search path set
// relative to another working directory shows at once.
std::string ResourceManager::resolveOrReport(const std::string& name, const char* kind) {
    std::string path = resolvePath(name);
    if (!path.empty() || name.empty() || !m_ReportedMissing.insert(name).second)
        return path;
    std::string where;
    if (m_SearchPaths.empty())
        where = ": no search path is set (ResourceManager::addSearchPath)";
    for (size_t i = 0; i < m_SearchPaths.size(); ++i)
        where += (i == 0 ? " in '" : ", '") + m_SearchPaths[i] + "'";
    reportMessage(MessageSeverity::DATA_ERROR, "Error: %s file '%s' could not be found%s.", kind,
                  name.c_str(), where.c_str());
    return path;
}

Resource* ResourceManager::findResource(const std::string& name) const {
    auto it = m_Resources.find(name);
    return it == m_Resources.end() ? nullptr : it->second;
}

void ResourceManager::addResource(const std::string& name, Resource* resource) {
    Resource*& slot = m_Resources[name];
    if (slot && slot != resource)
        m_Replaced.push_back(slot);
    slot = resource;
}

template <typename T, typename Make>
T* ResourceManager::loadCached(const std::string& file, Resource::Type type, const char* kind,
                               Make make) {
    T* cached = nullptr;
    if (findCached(*this, file, type, cached))
        return cached;
    const std::string path = resolveOrReport(file, kind);
    if (path.empty())
        return nullptr;
    T* loaded = make(path);
    m_Resources[file] = loaded;
    return loaded;
}

Mesh* ResourceManager::loadMesh(const std::string& file, RenderDevice* device) {
    if (file.empty()) {
        KESTREL_ASSERT(file.length() > 0);
        return nullptr;
    }
    return loadCached<Mesh>(file, Resource::MESH, "Mesh", [&](const std::string& path) {
        Mesh* mesh = MeshLoader(device).load(path);
        if (mesh)
            mesh->setFileName(file);
        return mesh;
    });
}

Shader* ResourceManager::loadShader(const std::string& vertexProgramFile,
                                    const std::string& fragmentProgramFile, RenderDevice* device) {
    if (vertexProgramFile.empty() && fragmentProgramFile.empty()) {
        KESTREL_ASSERT(vertexProgramFile.length() > 0 || fragmentProgramFile.length() > 0);
        return nullptr;
    }
    // Joined plainly, a vertex program "a" and a fragment program "a" would share a key.
    const std::string key = vertexProgramFile + '\n' + fragmentProgramFile;
    Shader* cached = nullptr;
    if (findCached(*this, key, Resource::SHADER, cached))
        return cached;
    const std::string vertexPath = resolveOrReport(vertexProgramFile, "Shader");
    const std::string fragmentPath = resolveOrReport(fragmentProgramFile, "Shader");
    if (vertexPath.empty() && fragmentPath.empty())
        return nullptr;
    Shader* shader = device->createShader();
    if (!shader)
        return nullptr;
    shader->load(vertexPath, fragmentPath);
    m_Resources[key] = shader;
    return shader;
}

Texture* ResourceManager::loadTexture(const std::string& file, RenderDevice* device) {
    if (file.empty())
        return nullptr;
    return loadCached<Texture>(file, Resource::TEXTURE, "Texture", [&](const std::string& path) {
        Texture* texture = device->createTexture();
        if (texture)
            texture->load(path);
        return texture;
    });
}

Animation* ResourceManager::loadAnimation(const std::string& file) {
    const std::string path = resolveOrReport(file, "Animation");
    if (path.empty())
        return nullptr;
    std::string text;
    ProblemReport problems("Animation", path);
    if (!readLines(path, text, problems)) {
        reportMessage(MessageSeverity::DATA_ERROR,
                      "Error: Animation file '%s' could not be opened.", path.c_str());
        return nullptr;
    }
    Animation* animation = Animation::parse(text, &problems);
    animation->setFileName(file);
    problems.finish();
    addResource(file, animation);
    return animation;
}

Text* ResourceManager::loadText(const std::string& file, RenderDevice* device) {
    if (file.empty())
        return nullptr;
    return loadCached<Text>(file, Resource::TEXT, "Font", [&](const std::string& path) {
        Text* text = new Text(device);
        text->load(path, TEXT_PIXEL_SIZE);
        return text;
    });
}

} // namespace Kestrel
