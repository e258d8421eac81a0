#include "engine/meshloader.h"

#include "engine/animation.h"
#include "engine/assert.h"
#include "engine/bone.h"
#include "engine/file_keys.h"
#include "engine/mesh.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <tuple>

namespace Kestrel {
namespace {

// A line must fit the reading buffer of the format: at most 4999 characters.
const size_t MAX_LINE_LENGTH = 4999;
// Far above any real mesh (a few per corner); bounds the memory a file can claim.
const size_t MAX_NORMAL_TARGETS = size_t(1) << 24;

// The keys each section reads, by section (none, materials, vertices, faces,
// bones, vertex weights).
const std::vector<std::string> SECTION_KEYS[] = {
    {},
    {"name", "diffuse", "specular", "texture", "vertexshader", "fragmentshader", "cull"},
    {"pos"},
    {"v", "texcoord", "material"},
    {"name", "parent", "tail", "weight"},
    {"b", "v", "weight"}};

using Attributes = std::map<std::string, std::string>;

// key=value pieces separated by ':'; a later key overrides an earlier one.
Attributes splitAttributes(const std::string& line) {
    Attributes attributes;
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find(':', start);
        if (end == std::string::npos)
            end = line.size();
        const auto equals = std::find(line.begin() + start, line.begin() + end, '=');
        if (equals != line.begin() + start && equals != line.begin() + end)
            attributes[std::string(line.begin() + start, equals)] =
                std::string(equals + 1, line.begin() + end);
        start = end + 1;
    }
    return attributes;
}

const std::string& get(const Attributes& attributes, const char* key) {
    static const std::string EMPTY;
    auto found = attributes.find(key);
    return found == attributes.end() ? EMPTY : found->second;
}

float parseNumber(const std::string& text) {
    return Kestrel::parseNumber(text.c_str());
}

// Missing components, and alpha always, are 1.
Vector4 parseColour(const std::string& text) {
    float values[3] = {1.0f, 1.0f, 1.0f};
    parseNumbers(text.c_str(), values, 3);
    return Vector4(values[0], values[1], values[2], 1.0f);
}

// Integers separated by ','; a leading '(' makes the first one read as 0.
std::vector<long> parseIndexList(const std::string& text) {
    std::vector<long> indices;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            indices.push_back(std::strtol(text.substr(start, end - start).c_str(), nullptr, 10));
        start = end + 1;
    }
    return indices;
}

// "(u,v),(u,v)": commas inside parentheses belong to the pair; an unclosed
// last pair is dropped.
std::vector<Vector2> parseTexCoordList(const std::string& text) {
    std::vector<Vector2> pairs;
    size_t open = text.find('(');
    while (open != std::string::npos) {
        const size_t close = text.find(')', open);
        if (close == std::string::npos)
            break;
        const Vector3 pair = parseVector3(text.substr(open, close - open + 1).c_str());
        pairs.emplace_back(pair.x, pair.y);
        open = text.find('(', close);
    }
    return pairs;
}

bool isIntegerText(const std::string& text) {
    char* end = nullptr;
    std::strtol(text.c_str(), &end, 10);
    return end != text.c_str() && std::string(end).find_first_not_of(" \t") == std::string::npos;
}

bool isBlank(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

// The first bone's "parent" holds its head; every other bone starts at its parent's tail.
Vector3 headOf(const BoneRecord& bone) {
    return bone.m_Parent ? bone.m_Parent->m_Tail : bone.m_Head;
}

} // namespace

bool MeshFile::read(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        reportMessage(MessageSeverity::DATA_ERROR, "Error: Mesh file '%s' could not be opened.",
                      path.c_str());
        return false;
    }
    read(file, path);
    return true;
}

void MeshFile::read(std::istream& in, const std::string& name) {
    m_Path = name;
    m_Section = NONE;
    m_Problems = std::make_unique<ProblemReport>("Mesh", name);
    std::string line;
    unsigned lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        // The writer ends every line; a last one without its end was cut off.
        if (in.eof())
            m_Problems->add(lineNumber, "ends without a line end; the file may be cut short");
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > MAX_LINE_LENGTH) {
            m_Problems->add(lineNumber, "has " + std::to_string(line.size()) +
                                            " characters (at most " +
                                            std::to_string(MAX_LINE_LENGTH) + "); skipped");
            continue;
        }
        readLine(line, lineNumber);
    }
    if (m_Faces.empty())
        m_Problems->add("holds no faces");
    m_Problems->finish();
}

void MeshFile::checkAttributes(const std::string& line, unsigned lineNumber) {
    const std::vector<std::string>& keys = SECTION_KEYS[m_Section];
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find(':', start);
        if (end == std::string::npos)
            end = line.size();
        const std::string piece = line.substr(start, end - start);
        const size_t equals = piece.find('=');
        if (equals == 0 || (equals == std::string::npos && !isBlank(piece)))
            m_Problems->add(lineNumber, "'" + quoted(piece) + "' is no key=value pair");
        else if (equals != std::string::npos &&
                 std::find(keys.begin(), keys.end(), piece.substr(0, equals)) == keys.end())
            m_Problems->add(lineNumber, "unknown key '" + quoted(piece.substr(0, equals)) + "'");
        start = end + 1;
    }
}

void MeshFile::checkVector(const std::string& value, unsigned minCount, unsigned maxCount,
                           unsigned lineNumber) {
    const std::string problem = vectorProblem(value, minCount, maxCount);
    if (!problem.empty())
        m_Problems->add(lineNumber, problem);
}

void MeshFile::checkIndexList(const std::string& text, unsigned lineNumber) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        if (!isIntegerText(text.substr(start, end - start))) {
            m_Problems->add(lineNumber, "'" + quoted(text) + "' is no list of vertex numbers");
            return;
        }
        start = end + 1;
    }
}

void MeshFile::checkNumber(const std::string& value, unsigned lineNumber) {
    if (!isNumberText(value))
        m_Problems->add(lineNumber, "'" + quoted(value) + "' is not a number");
}

// Each pair "(u,v)" holds two numbers, and there is one pair per corner.
void MeshFile::checkTexCoords(const std::string& text, size_t corners, unsigned lineNumber) {
    if (text.empty())
        return;
    size_t pairs = 0;
    for (size_t open = text.find('('); open != std::string::npos; open = text.find('(', open + 1)) {
        const size_t close = text.find(')', open);
        if (close == std::string::npos) {
            m_Problems->add(lineNumber, "texture coordinates end without ')'");
            return;
        }
        checkVector(text.substr(open, close - open + 1), 2, 2, lineNumber);
        ++pairs;
    }
    if (pairs != corners)
        m_Problems->add(lineNumber, std::to_string(pairs) + " texture coordinate pairs for " +
                                        std::to_string(corners) + " corners");
}

void MeshFile::readLine(const std::string& line, unsigned lineNumber) {
    static const std::pair<const char*, Section> HEADERS[] = {{KST_MATERIALS, MATERIALS},
                                                              {KST_VERTICES, VERTICES},
                                                              {KST_FACES, FACES},
                                                              {KST_BONES, BONES},
                                                              {KST_VERTEX_WEIGHTS, VERTEX_WEIGHTS}};
    if (isBlank(line) || line[0] == '#')
        return;
    if (line[0] == '[') {
        for (const auto& header : HEADERS) {
            if (line.compare(0, std::strlen(header.first), header.first) == 0) {
                m_Section = header.second;
                return;
            }
        }
        // Its lines would otherwise become records of the section before it.
        m_Section = UNKNOWN;
        m_Problems->add(lineNumber,
                        "unknown section header '" + quoted(line) + "'; its lines are skipped");
        return;
    }
    if (m_Section == UNKNOWN)
        return;
    if (m_Section == NONE) {
        m_Problems->add(lineNumber, "'" + quoted(line) + "' comes before the first section");
        return;
    }
    checkAttributes(line, lineNumber);
    switch (m_Section) {
    case NONE:
    case UNKNOWN:
        break;
    case MATERIALS:
        readMaterial(line, lineNumber);
        break;
    case VERTICES:
        readVertex(line, lineNumber);
        break;
    case FACES:
        readFace(line, lineNumber);
        break;
    case BONES:
        readBone(line, lineNumber);
        break;
    case VERTEX_WEIGHTS:
        readWeight(line, lineNumber);
        break;
    }
}

void MeshFile::readMaterial(const std::string& line, unsigned lineNumber) {
    const Attributes attributes = splitAttributes(line);
    auto material = std::make_unique<MaterialRecord>();
    material->m_Name = get(attributes, "name");
    if (material->m_Name.empty())
        m_Problems->add(lineNumber, "material without a name");
    for (const char* colour : {"diffuse", "specular"}) {
        if (!get(attributes, colour).empty())
            checkVector(get(attributes, colour), 3, 4, lineNumber);
    }
    material->m_Diffuse = parseColour(get(attributes, "diffuse"));
    material->m_Specular = parseColour(get(attributes, "specular"));
    material->m_Texture = get(attributes, "texture");
    material->m_VertexShader = get(attributes, "vertexshader");
    material->m_FragmentShader = get(attributes, "fragmentshader");
    const std::string& cull = get(attributes, "cull");
    material->m_CullBackFaces = cull == "back";
    if (!cull.empty() && cull != "back")
        m_Problems->add(lineNumber,
                        "unknown cull mode '" + quoted(cull) + "'; both sides are drawn");
    m_Materials.push_back(std::move(material));
}

void MeshFile::readVertex(const std::string& line, unsigned lineNumber) {
    auto vertex = std::make_unique<VertexRecord>();
    vertex->m_Index = static_cast<unsigned>(m_Vertices.size());
    const Attributes attributes = splitAttributes(line);
    const std::string& position = get(attributes, "pos");
    checkVector(position, 3, 3, lineNumber);
    vertex->m_Position = parseVector3(position.c_str());
    m_Vertices.push_back(std::move(vertex));
}

void MeshFile::readFace(const std::string& line, unsigned lineNumber) {
    const Attributes attributes = splitAttributes(line);
    auto face = std::make_unique<FaceRecord>();
    const std::string& materialName = get(attributes, "material");
    for (const auto& material : m_Materials) {
        if (material->m_Name == materialName) {
            material->m_Faces.push_back(face.get());
            face->m_Material = material.get();
        }
    }
    if (!face->m_Material)
        m_Problems->add(lineNumber, "face of the unknown material '" + quoted(materialName) + "'");
    const std::vector<long> indices = parseIndexList(get(attributes, "v"));
    for (long index : indices) {
        if (index >= 0 && size_t(index) < m_Vertices.size())
            face->m_Vertices.push_back(m_Vertices[index].get());
        else
            m_Problems->add(lineNumber, "face names the unknown vertex " + std::to_string(index));
    }
    checkIndexList(get(attributes, "v"), lineNumber);
    if (face->m_Vertices.size() < 3)
        m_Problems->add(lineNumber, "face with fewer than three corners");
    checkTexCoords(get(attributes, "texcoord"), indices.size(), lineNumber);
    face->m_TexCoords = parseTexCoordList(get(attributes, "texcoord"));
    if (face->m_TexCoords.size() < face->m_Vertices.size())
        face->m_TexCoords.resize(face->m_Vertices.size());
    m_Faces.push_back(std::move(face));
}

void MeshFile::readBone(const std::string& line, unsigned lineNumber) {
    const Attributes attributes = splitAttributes(line);
    auto bone = std::make_unique<BoneRecord>();
    bone->m_Name = get(attributes, "name");
    const std::string& parentName = get(attributes, "parent");
    if (bone->m_Name.empty())
        m_Problems->add(lineNumber, "bone without a name");
    if (m_Bones.empty())
        checkVector(parentName, 3, 3, lineNumber);
    checkVector(get(attributes, "tail"), 3, 3, lineNumber);
    if (!get(attributes, "weight").empty())
        checkNumber(get(attributes, "weight"), lineNumber);
    bone->m_Head = parseVector3(parentName.c_str());
    bone->m_Tail = parseVector3(get(attributes, "tail").c_str());
    bone->m_Weight = parseNumber(get(attributes, "weight"));
    if (m_Bones.size() >= MAX_BONES) {
        m_Problems->add(lineNumber, "bone '" + quoted(bone->m_Name) +
                                        "' is one too many (at most " + std::to_string(MAX_BONES) +
                                        " bones); skipped");
        return;
    }
    // Children find their parent by name: a second bone of a name would be ambiguous.
    if (m_BonesByName.count(bone->m_Name)) {
        m_Problems->add(lineNumber,
                        "a bone named '" + quoted(bone->m_Name) + "' came before; skipped");
        return;
    }
    if (!m_Bones.empty())
        bone->m_Parent = findBone(parentName);
    // Only the first bone may stand alone: it is the root.
    if (!m_Bones.empty() && !bone->m_Parent) {
        m_Problems->add(lineNumber, "bone '" + quoted(bone->m_Name) +
                                        "' names the unknown parent '" + quoted(parentName) +
                                        "'; skipped");
        return;
    }
    if (bone->m_Parent)
        bone->m_Parent->m_Children.push_back(bone.get());
    m_BonesByName[bone->m_Name] = bone.get();
    m_Bones.push_back(std::move(bone));
}

void MeshFile::readWeight(const std::string& line, unsigned lineNumber) {
    const Attributes attributes = splitAttributes(line);
    auto weight = std::make_unique<WeightRecord>();
    const std::string& boneName = get(attributes, "b");
    weight->m_Bone = findBone(boneName);
    const std::string& vertexText = get(attributes, "v");
    const long index = std::strtol(vertexText.c_str(), nullptr, 10);
    if (index >= 0 && size_t(index) < m_Vertices.size())
        weight->m_Vertex = m_Vertices[index].get();
    if (!weight->m_Bone) {
        m_Problems->add(lineNumber,
                        "vertex weight names the unknown bone '" + quoted(boneName) + "'; skipped");
        return;
    }
    if (!weight->m_Vertex || !isIntegerText(vertexText)) {
        m_Problems->add(lineNumber, "vertex weight names the unknown vertex '" +
                                        quoted(vertexText) + "'; skipped");
        return;
    }
    checkNumber(get(attributes, "weight"), lineNumber);
    weight->m_Weight = parseNumber(get(attributes, "weight"));
    weight->m_Vertex->m_Weights.push_back(weight.get());
    m_Weights.push_back(std::move(weight));
}

BoneRecord* MeshFile::findBone(const std::string& name) const {
    auto found = m_BonesByName.find(name);
    return found == m_BonesByName.end() ? nullptr : found->second;
}

Mesh* MeshLoader::load(const std::string& path) {
    MeshFile file;
    if (!file.read(path)) {
        reportMessage(MessageSeverity::DATA_ERROR, "Error parsing file: %s!", path.c_str());
        return nullptr;
    }
    return build(file, path);
}

namespace {

// Render vertices: one per distinct pair of file vertex and texture coordinate.
class VertexMap {
public:
    VertexMap(const MeshFile& file, VertexList& list)
        : m_Copies(file.m_Vertices.size()), m_List(list) {}

    // The render vertex of the pair, made on first use; false when the 16-bit
    // indices would run out.
    bool find(const VertexRecord& vertex, const Vector2& texCoord, uint16_t& index) {
        // Coordinates compare as floats: -0 equals 0 and NaN equals nothing.
        const bool comparable = texCoord == texCoord;
        const Key key{vertex.m_Index, texCoord.u + 0.0f, texCoord.v + 0.0f};
        if (comparable) {
            auto found = m_Index.find(key);
            if (found != m_Index.end()) {
                index = found->second;
                return true;
            }
        }
        if (m_Origins.size() >= MAX_RENDER_VERTICES)
            return false;
        index = static_cast<uint16_t>(m_List.addVertex(vertex.m_Position, Vector3(), texCoord));
        m_Copies[vertex.m_Index].push_back(index);
        m_Origins.push_back(&vertex);
        if (comparable)
            m_Index.emplace(key, index);
        return true;
    }

    const std::vector<uint16_t>& copiesOf(uint16_t renderVertex) const {
        return m_Copies[m_Origins[renderVertex]->m_Index];
    }
    const VertexRecord& originOf(unsigned renderVertex) const { return *m_Origins[renderVertex]; }

private:
    using Key = std::tuple<unsigned, float, float>;

    std::vector<std::vector<uint16_t>> m_Copies;
    std::vector<const VertexRecord*> m_Origins;
    std::map<Key, uint16_t> m_Index;
    VertexList& m_List;
};

Material makeMaterial(const MaterialRecord& record, RenderDevice* device) {
    ResourceManager* resources = ResourceManager::getInstance();
    Material material(record.m_Diffuse, record.m_Specular);
    material.m_CullBackFaces = record.m_CullBackFaces;
    material.m_Texture = resources->loadTexture(record.m_Texture, device);
    if (!record.m_VertexShader.empty() || !record.m_FragmentShader.empty())
        material.m_Shader =
            resources->loadShader(record.m_VertexShader, record.m_FragmentShader, device);
    return material;
}

// The texture coordinate a corner takes: the face's pair where its vertex
// first occurs among the corners.
const Vector2& texCoordOf(const FaceRecord& face, size_t corner) {
    for (size_t k = 0; k < corner; ++k) {
        if (face.m_Vertices[k] == face.m_Vertices[corner])
            return face.m_TexCoords[k];
    }
    return face.m_TexCoords[corner];
}

// Fans each face from its first corner; false when a limit is exceeded.
bool addFaces(const MaterialRecord& material, VertexMap& map, FaceList& faces,
              const std::string& path) {
    size_t triangles = 0;
    for (const FaceRecord* face : material.m_Faces) {
        for (size_t k = 2; k < face->m_Vertices.size(); ++k) {
            const size_t corners[3] = {0, k - 1, k};
            uint16_t indices[3];
            for (int c = 0; c < 3; ++c) {
                if (!map.find(*face->m_Vertices[corners[c]], texCoordOf(*face, corners[c]),
                              indices[c])) {
                    reportMessage(MessageSeverity::DATA_ERROR,
                                  "Error: Mesh file '%s' needs more than %zu vertices.",
                                  path.c_str(), MAX_RENDER_VERTICES);
                    return false;
                }
            }
            if (++triangles > MAX_TRIANGLES_PER_MATERIAL) {
                reportMessage(MessageSeverity::DATA_ERROR,
                              "Error: Mesh file '%s' has more than %zu triangles in material '%s'.",
                              path.c_str(), MAX_TRIANGLES_PER_MATERIAL, material.m_Name.c_str());
                return false;
            }
            faces.addFace(indices[0], indices[1], indices[2]);
        }
    }
    return true;
}

// Each face's normal reaches every copy of its corner vertices, so normals
// stay smooth across texture seams. The targets grow with faces times copies;
// false when a file would make them unreasonably many.
bool addNormalTargets(Mesh& mesh, const VertexMap& map, const std::string& path) {
    size_t total = 0;
    for (unsigned g = 0; g < mesh.getMaterialCount(); ++g) {
        const FaceList& faces = *mesh.getFaceList(g);
        for (unsigned f = 0; f < faces.getFaceCount(); ++f) {
            for (int8_t c = 0; c < 3; ++c)
                total += map.copiesOf(faces.getIndex(f, c)).size();
        }
    }
    if (total > MAX_NORMAL_TARGETS) {
        reportMessage(MessageSeverity::DATA_ERROR,
                      "Error: Mesh file '%s' splits its vertices across too many texture seams "
                      "(%zu normal targets, at most %zu).",
                      path.c_str(), total, MAX_NORMAL_TARGETS);
        return false;
    }
    for (unsigned g = 0; g < mesh.getMaterialCount(); ++g) {
        const FaceList& faces = *mesh.getFaceList(g);
        for (unsigned f = 0; f < faces.getFaceCount(); ++f) {
            for (int8_t c = 0; c < 3; ++c) {
                for (uint16_t copy : map.copiesOf(faces.getIndex(f, c)))
                    mesh.addFaceVertex(g, f, copy);
            }
        }
    }
    return true;
}

Bone* buildSkeleton(const MeshFile& file) {
    const BoneRecord& first = *file.m_Bones.front();
    Bone* root = new Bone(first.m_Name);
    root->setTail(first.m_Tail - headOf(first));
    std::map<const BoneRecord*, Bone*> built = {{&first, root}};
    for (size_t i = 1; i < file.m_Bones.size(); ++i) {
        const BoneRecord& record = *file.m_Bones[i];
        const BoneRecord& parent = *record.m_Parent;
        Bone* bone = new Bone(record.m_Name);
        bone->setPosition(parent.m_Tail - headOf(parent));
        bone->setTail(record.m_Tail - headOf(record));
        bone->setParent(built.at(&parent));
        built[&record] = bone;
    }
    return root;
}

} // namespace

Mesh* MeshLoader::build(const MeshFile& file, const std::string& path) {
    std::unique_ptr<Mesh> mesh(new Mesh(m_RenderDevice));
    VertexList& vertices = *mesh->getVertexList();
    VertexMap map(file, vertices);

    for (const auto& material : file.m_Materials) {
        FaceList* faces = mesh->addMaterial(makeMaterial(*material, m_RenderDevice));
        if (!addFaces(*material, map, *faces, path))
            return nullptr;
    }
    if (!file.m_Bones.empty()) {
        const Vector3 head = file.m_Bones.front()->m_Head;
        for (unsigned i = 0; i < vertices.getVertexCount(); ++i)
            vertices.setPosition(i, vertices.getPosition(i) - head);
    }
    if (!addNormalTargets(*mesh, map, path))
        return nullptr;
    if (!file.m_Bones.empty()) {
        mesh->setRootBone(buildSkeleton(file));
        for (unsigned i = 0; i < vertices.getVertexCount(); ++i) {
            for (const WeightRecord* weight : map.originOf(i).m_Weights)
                mesh->addVertexWeight(i, weight->m_Bone->m_Name, weight->m_Weight);
        }
    }
    mesh->computeNormals();
    return mesh.release();
}

} // namespace Kestrel
