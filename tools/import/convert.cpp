#include "tools/import/convert.h"

#include "tools/import/animation.h"
#include "tools/import/skeleton.h"
#include "tools/import/source_pose.h"

#include "engine/file_keys.h"
#include "engine/renderdevice/imagefile.h"

#include <assimp/material.h>
#include <assimp/postprocess.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace KestrelImport {

namespace {

const double MOVE_TOLERANCE = 1e-4; // of the diagonal: keys that restate the bind position
const double SCALE_TOLERANCE = 1e-3;

// Per image format, the extension its files take.
const char* const IMAGE_EXTENSIONS[Kestrel::IMAGE_FORMAT_COUNT] = {
    "", "png", "jpg", "bmp", "ico", "cur", "gif", "tga", "pnm", "tif", "xpm", "webp", "pcx"};

// Only vertices a triangle uses become the engine's render vertices.
size_t usedVertexCount(const ImportedModel& model) {
    std::set<unsigned> used;
    for (const TriangleOutput& triangle : model.m_Triangles)
        used.insert(triangle.m_Vertices, triangle.m_Vertices + 3);
    return used.size();
}

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// Names both formats keep: no ':' or '=' (they split lines), no line ends, no
// white space at the ends, no start that reads as a header or comment.
std::string cleanName(const std::string& raw, const std::string& fallback) {
    std::string name = raw.substr(0, 200);
    for (char& c : name)
        if (c == ':' || c == '=' || c == '\n' || c == '\r' || c == '/' || c == '\\')
            c = '_';
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
        name.pop_back();
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front())))
        name.erase(0, 1);
    if (!name.empty() && (name[0] == '#' || name[0] == '['))
        name = "_" + name;
    return name.empty() ? fallback : name;
}

// Unique clean names; a number goes before a ".L"/".R" ending so that mirroring
// still pairs the sides.
class NameTable {
public:
    NameTable(std::vector<std::string>& renamed) : m_Renamed(renamed) {}
    std::string add(const std::string& raw, const std::string& fallback) {
        const std::string clean = cleanName(raw, fallback);
        std::string name = clean;
        const size_t dot = clean.size() > 2 ? clean.size() - 2 : std::string::npos;
        const bool sided = dot != std::string::npos && clean[dot] == '.' &&
                           std::string("LRlr").find(clean[dot + 1]) != std::string::npos;
        for (unsigned n = 2; m_Used.count(name); ++n)
            name = sided ? clean.substr(0, dot) + "_" + std::to_string(n) + clean.substr(dot)
                         : clean + "_" + std::to_string(n);
        m_Used.insert(name);
        if (name != raw && !raw.empty())
            m_Renamed.push_back("'" + raw + "' -> '" + name + "'");
        return name;
    }

private:
    std::set<std::string> m_Used;
    std::vector<std::string>& m_Renamed;
};

struct Instance {
    const aiNode* m_Node;
    unsigned m_Mesh;
    unsigned m_FirstVertex;
};

class Converter {
public:
    Converter(const aiScene& scene, const std::string& modelPath, const ImportOptions& options,
              ImportedModel& model)
        : m_Scene(scene), m_ModelDirectory(std::filesystem::path(modelPath).parent_path()),
          m_Options(options), m_Model(model), m_Pose(scene, options.m_Scale),
          m_Skeleton(scene, m_Pose) {}

    bool run(std::string& error) {
        addMeshes(m_Scene.mRootNode);
        m_Model.m_Diagonal = diagonal();
        m_Skeleton.build(m_Model.m_Diagonal, m_Model.m_Bones);
        addWeights();
        for (unsigned a = 0; a < m_Scene.mNumAnimations && !m_Skeleton.empty(); ++a)
            m_Model.m_Animations.push_back(
                convertAnimation(m_Scene, a, m_Skeleton, m_Pose, m_Model, m_Options.m_KeepAllKeys));
        nameEverything();
        reportLosses();
        return checkLimits(error);
    }

private:
    void addMeshes(const aiNode* node) {
        for (unsigned i = 0; i < node->mNumMeshes; ++i)
            addMesh(node, node->mMeshes[i]);
        for (unsigned i = 0; i < node->mNumChildren; ++i)
            addMeshes(node->mChildren[i]);
    }

    // Skinned meshes rest where their node puts them, rigidly carried ones
    // where their bone's bind frame does, static ones at their node.
    void addMesh(const aiNode* node, unsigned index) {
        const aiMesh& mesh = *m_Scene.mMeshes[index];
        const std::string name = mesh.mName.length ? mesh.mName.C_Str() : node->mName.C_Str();
        if (!(mesh.mPrimitiveTypes & (aiPrimitiveType_TRIANGLE | aiPrimitiveType_POLYGON))) {
            m_Model.m_Losses.push_back("points and lines of mesh '" + name + "' are not drawn");
            return;
        }
        if (mesh.mTextureCoords[1])
            m_Model.m_Losses.push_back("second texture coordinates of mesh '" + name + "' dropped");
        if (mesh.mColors[0])
            m_Model.m_Losses.push_back("vertex colours of mesh '" + name + "' dropped");
        if (mesh.mNumAnimMeshes)
            m_Model.m_Losses.push_back(std::to_string(mesh.mNumAnimMeshes) +
                                       " morph targets of mesh '" + name + "' dropped");
        Matrix4d place = m_Pose.restGlobal(node);
        if (mesh.mNumBones)
            place = m_Skeleton.restCorrection() * place;
        else if (m_Skeleton.contains(node))
            place = m_Skeleton.bind(node);
        m_Instances.push_back({node, index, unsigned(m_Model.m_Vertices.size())});
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
            const Vector3d p =
                place * Vector3d(mesh.mVertices[v].x, mesh.mVertices[v].y, mesh.mVertices[v].z);
            VertexOutput vertex;
            vertex.m_Position = Kestrel::Vector3(float(p.x), float(p.y), float(p.z));
            if (mesh.mTextureCoords[0])
                vertex.m_TexCoord =
                    Kestrel::Vector2(mesh.mTextureCoords[0][v].x, mesh.mTextureCoords[0][v].y);
            vertex.m_SourceMesh = index;
            vertex.m_SourceVertex = v;
            vertex.m_SourceNode = node;
            m_Model.m_Vertices.push_back(vertex);
        }
        const unsigned material = materialFor(mesh.mMaterialIndex);
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3)
                continue;
            const unsigned base = m_Instances.back().m_FirstVertex;
            m_Model.m_Triangles.push_back(
                {{base + face.mIndices[0], base + face.mIndices[1], base + face.mIndices[2]},
                 material});
        }
    }

    double diagonal() const {
        if (m_Model.m_Vertices.empty())
            return 1.0;
        Kestrel::Vector3 low = m_Model.m_Vertices[0].m_Position, high = low;
        for (const VertexOutput& v : m_Model.m_Vertices) {
            low = Kestrel::Vector3(std::min(low.x, v.m_Position.x), std::min(low.y, v.m_Position.y),
                                   std::min(low.z, v.m_Position.z));
            high =
                Kestrel::Vector3(std::max(high.x, v.m_Position.x), std::max(high.y, v.m_Position.y),
                                 std::max(high.z, v.m_Position.z));
        }
        const double d = (high - low).length();
        return d > 0.0 ? d : 1.0;
    }

    // The four largest influences per vertex; rigidly carried meshes follow their node.
    void addWeights() {
        for (const Instance& instance : m_Instances) {
            const aiMesh& mesh = *m_Scene.mMeshes[instance.m_Mesh];
            std::vector<std::vector<std::pair<float, unsigned>>> influences(mesh.mNumVertices);
            for (unsigned b = 0; b < mesh.mNumBones; ++b) {
                const aiBone& bone = *mesh.mBones[b];
                const aiNode* node = m_Scene.mRootNode->FindNode(bone.mName);
                if (!node && bone.mNumWeights)
                    m_Model.m_Losses.push_back("weights of bone '" +
                                               std::string(bone.mName.C_Str()) +
                                               "', which the scene does not hold, dropped");
                for (unsigned w = 0; node && w < bone.mNumWeights; ++w)
                    if (bone.mWeights[w].mWeight > 0.0f &&
                        bone.mWeights[w].mVertexId < mesh.mNumVertices)
                        influences[bone.mWeights[w].mVertexId].push_back(
                            {bone.mWeights[w].mWeight, unsigned(m_Skeleton.boneOf(node))});
            }
            if (mesh.mNumBones == 0 && m_Skeleton.contains(instance.m_Node))
                for (auto& list : influences)
                    list.push_back({1.0f, unsigned(m_Skeleton.boneOf(instance.m_Node))});
            unsigned crowded = 0;
            for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
                auto& list = influences[v];
                std::stable_sort(list.begin(), list.end(),
                                 [](const auto& a, const auto& b) { return a.first > b.first; });
                crowded += list.size() > 4;
                for (size_t i = 0; i < list.size() && i < 4; ++i)
                    m_Model.m_Weights.push_back(
                        {list[i].second, instance.m_FirstVertex + v, list[i].first});
            }
            if (crowded)
                m_Model.m_Losses.push_back(std::to_string(crowded) + " vertices of mesh '" +
                                           mesh.mName.C_Str() +
                                           "' keep their four largest influences only");
        }
    }

    unsigned materialFor(unsigned source) {
        auto found = m_MaterialIndex.find(source);
        if (found != m_MaterialIndex.end())
            return found->second;
        const aiMaterial& material = *m_Scene.mMaterials[source];
        MaterialOutput output;
        aiString name;
        material.Get(AI_MATKEY_NAME, name);
        output.m_Name = name.C_Str();
        aiColor4D colour(1, 1, 1, 1);
        if (material.Get(AI_MATKEY_BASE_COLOR, colour) != AI_SUCCESS)
            material.Get(AI_MATKEY_COLOR_DIFFUSE, colour);
        output.m_Diffuse = Kestrel::Vector4(colour.r, colour.g, colour.b, 1.0f);
        output.m_Texture = textureFor(material, output);
        m_Model.m_Materials.push_back(output);
        return m_MaterialIndex[source] = unsigned(m_Model.m_Materials.size() - 1);
    }

    // An external texture is copied, an embedded one written out, a colour
    // alone becomes a one-pixel image of it. Only images the engine reads are
    // taken: a model may name any file.
    std::string textureFor(const aiMaterial& material, const MaterialOutput& output) {
        aiString path;
        TextureOutput texture;
        std::string stem, name;
        Kestrel::ImageFormat format = Kestrel::IMAGE_PNG;
        if (material.GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS ||
            material.GetTexture(aiTextureType_BASE_COLOR, 0, &path) == AI_SUCCESS) {
            if (const aiTexture* embedded = m_Scene.GetEmbeddedTexture(path.C_Str())) {
                stem = cleanName(output.m_Name, "texture");
                name = "embedded." + std::string(embedded->achFormatHint);
                takeEmbedded(*embedded, texture);
            } else {
                texture.m_SourcePath = findFile(path.C_Str());
                stem = std::filesystem::path(texture.m_SourcePath).stem().string();
                name = texture.m_SourcePath;
            }
            const std::string problem = imageProblem(texture, name, format);
            if (!problem.empty()) {
                m_Model.m_Losses.push_back("texture '" + std::string(path.C_Str()) +
                                           "' of material '" + output.m_Name + "' " + problem +
                                           ": drawn in its colour");
                texture = TextureOutput();
            }
        }
        if (texture.m_SourcePath.empty() && texture.m_Data.empty()) {
            texture.m_Colour = output.m_Diffuse;
            stem = cleanName(output.m_Name, "material");
            format = Kestrel::IMAGE_PNG;
        }
        for (const TextureOutput& existing : m_Model.m_Textures)
            if (!texture.m_SourcePath.empty() && existing.m_SourcePath == texture.m_SourcePath)
                return existing.m_FileName;
        // The extension follows the contents, so no texture takes a mesh's or
        // an animation's name.
        texture.m_FileName = m_TextureNames.add(
            m_Options.m_Name + "_" + stem + "." + IMAGE_EXTENSIONS[format], "texture");
        m_Model.m_Textures.push_back(texture);
        return texture.m_FileName;
    }

    // Compressed images keep their bytes; raw texels are written as a PNG.
    static void takeEmbedded(const aiTexture& embedded, TextureOutput& texture) {
        if (embedded.mHeight == 0) {
            texture.m_Data.assign(reinterpret_cast<const char*>(embedded.pcData), embedded.mWidth);
            return;
        }
        texture.m_RawWidth = embedded.mWidth;
        texture.m_RawHeight = embedded.mHeight;
        const size_t count = size_t(embedded.mWidth) * embedded.mHeight;
        texture.m_Data.reserve(4 * count);
        for (size_t i = 0; i < count; ++i)
            texture.m_Data += {char(embedded.pcData[i].r), char(embedded.pcData[i].g),
                               char(embedded.pcData[i].b), char(embedded.pcData[i].a)};
    }

    // What keeps the texture from being an image the engine reads, if anything;
    // else its format. The name tells a TGA file, which has no mark of its own.
    static std::string imageProblem(const TextureOutput& texture, const std::string& name,
                                    Kestrel::ImageFormat& format) {
        if (texture.m_RawWidth > 0)
            return texture.m_RawWidth > Kestrel::MAX_IMAGE_SIDE ||
                           texture.m_RawHeight > Kestrel::MAX_IMAGE_SIDE
                       ? "is larger than the engine takes"
                       : "";
        if (texture.m_SourcePath.empty() && texture.m_Data.empty())
            return "not found";
        std::string bytes = texture.m_Data;
        if (!texture.m_SourcePath.empty()) {
            std::ifstream file(texture.m_SourcePath, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(file), {});
        }
        const Kestrel::ImageCheck check = Kestrel::checkImageFile(bytes, name);
        format = check.format;
        if (check.format == Kestrel::IMAGE_UNKNOWN)
            return "is not an image the engine reads";
        return check.problem ? std::string("is damaged (") + check.problem + ")" : "";
    }

    // The path as written, beside the model, or its bare name beside the model.
    std::string findFile(std::string path) const {
        std::replace(path.begin(), path.end(), '\\', '/');
        const std::filesystem::path written(path);
        for (const std::filesystem::path& candidate :
             {written.is_absolute() ? written : m_ModelDirectory / written,
              m_ModelDirectory / written.filename()}) {
            std::error_code ignored;
            if (std::filesystem::is_regular_file(candidate, ignored))
                return candidate.string();
        }
        return "";
    }

    void nameEverything() {
        NameTable bones(m_Model.m_Renamed), materials(m_Model.m_Renamed),
            animations(m_Model.m_Renamed);
        for (BoneOutput& bone : m_Model.m_Bones)
            bone.m_Name = bones.add(bone.m_Name, "bone");
        for (MaterialOutput& material : m_Model.m_Materials)
            material.m_Name = materials.add(material.m_Name, "material");
        // An animation's name is part of its file name: only characters shells take as they are.
        for (AnimationOutput& animation : m_Model.m_Animations) {
            std::string name = animation.m_Name;
            for (char& c : name)
                if (!std::isalnum(static_cast<unsigned char>(c)) &&
                    std::string("._-").find(c) == std::string::npos)
                    c = '_';
            animation.m_Name = animations.add(name, "animation");
        }
    }

    void reportLosses() {
        const double reach = MOVE_TOLERANCE * m_Model.m_Diagonal;
        for (const auto& [node, distance] : m_Skeleton.translationLosses())
            if (distance > reach) {
                m_Model.m_MovingNodes.push_back(node->mName.C_Str());
                m_Model.m_Losses.push_back("translation keys of bone '" +
                                           std::string(node->mName.C_Str()) +
                                           "' leave its bind position by up to " +
                                           format("%.3g", distance) + " units: held there");
            }
        for (const auto& [node, error] : m_Skeleton.scaleLosses())
            if (error > SCALE_TOLERANCE)
                m_Model.m_Losses.push_back("scale keys of bone '" +
                                           std::string(node->mName.C_Str()) + "' (up to " +
                                           format("%.3g", error * 100) + " %) dropped");
        if (m_Scene.mNumCameras)
            m_Model.m_Losses.push_back(std::to_string(m_Scene.mNumCameras) + " cameras dropped");
        if (m_Scene.mNumLights)
            m_Model.m_Losses.push_back(std::to_string(m_Scene.mNumLights) + " lights dropped");
        for (unsigned a = 0; a < m_Scene.mNumAnimations; ++a)
            if (m_Scene.mAnimations[a]->mNumMeshChannels ||
                m_Scene.mAnimations[a]->mNumMorphMeshChannels)
                m_Model.m_Losses.push_back("mesh and morph keys of animation '" +
                                           std::string(m_Scene.mAnimations[a]->mName.C_Str()) +
                                           "' dropped");
        if (m_Skeleton.empty() && m_Scene.mNumAnimations)
            m_Model.m_Losses.push_back(std::to_string(m_Scene.mNumAnimations) +
                                       " animations move nothing the mesh holds: dropped");
    }

    bool checkLimits(std::string& error) const {
        if (m_Model.m_Triangles.empty()) {
            error = "no triangles: the engine draws a mesh of triangles only";
            return false;
        }
        if (!allFinite()) {
            error = "positions or keys that are not finite numbers";
            return false;
        }
        const size_t used = usedVertexCount(m_Model);
        std::vector<size_t> perMaterial(m_Model.m_Materials.size(), 0);
        for (const TriangleOutput& triangle : m_Model.m_Triangles)
            ++perMaterial[triangle.m_Material];
        if (used > Kestrel::MAX_RENDER_VERTICES) {
            error = std::to_string(used) +
                    " vertices: a .kst mesh holds at most 65,536 (the format's limit)";
            return false;
        }
        for (size_t count : perMaterial)
            if (count > Kestrel::MAX_TRIANGLES_PER_MATERIAL) {
                error = std::to_string(count) +
                        " triangles in one material: a .kst mesh holds at most 65,535";
                return false;
            }
        return true;
    }

    // Infinities and NaNs in a file propagate into every number derived from them.
    bool allFinite() const {
        auto finite = [](const Kestrel::Vector3& v) {
            return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
        };
        for (const VertexOutput& vertex : m_Model.m_Vertices)
            if (!finite(vertex.m_Position) || !std::isfinite(vertex.m_TexCoord.u) ||
                !std::isfinite(vertex.m_TexCoord.v))
                return false;
        for (const AnimationOutput& animation : m_Model.m_Animations)
            for (const KeyframeOutput& keyframe : animation.m_Keyframes)
                if (!std::isfinite(keyframe.m_Time) ||
                    !std::all_of(keyframe.m_Angles.begin(), keyframe.m_Angles.end(), finite))
                    return false;
        return true;
    }

    const aiScene& m_Scene;
    std::filesystem::path m_ModelDirectory;
    const ImportOptions& m_Options;
    ImportedModel& m_Model;
    SourcePose m_Pose;
    Skeleton m_Skeleton;
    std::vector<Instance> m_Instances;
    std::map<unsigned, unsigned> m_MaterialIndex;
    std::vector<std::string> m_TextureRenames;
    NameTable m_TextureNames{m_TextureRenames};
};

} // namespace

unsigned readFlags() {
    return aiProcess_Triangulate | aiProcess_JoinIdenticalVertices | aiProcess_SortByPType |
           aiProcess_FlipUVs | aiProcess_ValidateDataStructure;
}

bool importScene(const aiScene& scene, const std::string& modelPath, const ImportOptions& options,
                 ImportedModel& model, std::string& error) {
    return Converter(scene, modelPath, options, model).run(error);
}

std::string describe(const ImportedModel& model, const std::string& name) {
    unsigned connectors = 0;
    for (const BoneOutput& bone : model.m_Bones)
        connectors += bone.m_Connector;
    std::string line = name + ": " + std::to_string(usedVertexCount(model)) + " vertices, " +
                       std::to_string(model.m_Triangles.size()) + " faces, " +
                       std::to_string(model.m_Materials.size()) + " materials, " +
                       std::to_string(model.m_Bones.size()) + " bones (" +
                       std::to_string(connectors) + " connectors), " +
                       std::to_string(model.m_Animations.size()) + " animations";
    for (const AnimationOutput& animation : model.m_Animations) {
        const double length =
            animation.m_Keyframes.empty() ? 0.0 : animation.m_Keyframes.back().m_Time;
        line += (&animation == &model.m_Animations[0] ? ": " : ", ") + animation.m_Name + " " +
                format("%.2f s", length) + " (" + std::to_string(animation.m_Keyframes.size()) +
                " keyframes for " + std::to_string(animation.m_SourceKeyCount) + " key times)";
    }
    line += "\n";
    if (!model.m_Renamed.empty()) {
        line += "  renamed:";
        for (const std::string& renamed : model.m_Renamed)
            line += " " + renamed;
        line += "\n";
    }
    for (const std::string& loss : model.m_Losses)
        line += "  not kept: " + loss + "\n";
    return line;
}

} // namespace KestrelImport
