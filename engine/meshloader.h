// Reads a ".kst" mesh file into a plain model (MeshFile) and builds a Mesh from
// it: one face list per material, one render vertex per distinct pair of file
// vertex and texture coordinate, smooth normals, the skeleton and the weights.
// Vertices are re-centred on the root bone's head. The caller owns the mesh.
#pragma once

#include "engine/problemreport.h"
#include "engine/vector.h"

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Kestrel {

class Mesh;
class RenderDevice;

struct FaceRecord;
struct WeightRecord;

struct MaterialRecord {
    std::string m_Name;
    std::string m_Texture;
    std::string m_VertexShader;
    std::string m_FragmentShader;
    bool m_CullBackFaces = false;
    Vector4 m_Diffuse{1, 1, 1, 1};
    Vector4 m_Specular{1, 1, 1, 1};
    std::vector<FaceRecord*> m_Faces;
};

struct VertexRecord {
    unsigned m_Index = 0; // file order
    Vector3 m_Position;
    std::vector<WeightRecord*> m_Weights;
};

struct FaceRecord {
    MaterialRecord* m_Material = nullptr;
    std::vector<VertexRecord*> m_Vertices; // corners in drawing order
    std::vector<Vector2> m_TexCoords;      // one per corner
};

struct BoneRecord {
    std::string m_Name;
    Vector3 m_Head; // given only for the first bone; the others start at their parent's tail
    Vector3 m_Tail;
    BoneRecord* m_Parent = nullptr;
    std::vector<BoneRecord*> m_Children;
    float m_Weight = 0.0f;
};

struct WeightRecord {
    BoneRecord* m_Bone = nullptr;
    VertexRecord* m_Vertex = nullptr;
    float m_Weight = 0.0f;
};

// The parsed file. Records link to each other by pointer; the file owns them all.
class MeshFile {
public:
    // False only when the file cannot be opened. Records that break the
    // skeleton's rules and over-long lines are reported and skipped; other
    // malformed content is reported and read as the format says.
    bool read(const std::string& path);
    // Reads text already open; name stands for the file in messages.
    void read(std::istream& in, const std::string& name);

    std::vector<std::unique_ptr<MaterialRecord>> m_Materials;
    std::vector<std::unique_ptr<VertexRecord>> m_Vertices;
    std::vector<std::unique_ptr<FaceRecord>> m_Faces;
    std::vector<std::unique_ptr<BoneRecord>> m_Bones;
    std::vector<std::unique_ptr<WeightRecord>> m_Weights;

private:
    // UNKNOWN: below a header that names none of the sections.
    enum Section { NONE, MATERIALS, VERTICES, FACES, BONES, VERTEX_WEIGHTS, UNKNOWN };

    void readLine(const std::string& line, unsigned lineNumber);
    void readMaterial(const std::string& line, unsigned lineNumber);
    void readVertex(const std::string& line, unsigned lineNumber);
    void readFace(const std::string& line, unsigned lineNumber);
    void readBone(const std::string& line, unsigned lineNumber);
    void readWeight(const std::string& line, unsigned lineNumber);
    BoneRecord* findBone(const std::string& name) const;
    // Pieces that are no key=value pair and keys the section does not know.
    void checkAttributes(const std::string& line, unsigned lineNumber);
    void checkVector(const std::string& value, unsigned minCount, unsigned maxCount,
                     unsigned lineNumber);
    void checkNumber(const std::string& value, unsigned lineNumber);
    void checkIndexList(const std::string& text, unsigned lineNumber);
    void checkTexCoords(const std::string& text, size_t corners, unsigned lineNumber);

    std::string m_Path;
    Section m_Section = NONE;
    std::map<std::string, BoneRecord*> m_BonesByName;
    std::unique_ptr<ProblemReport> m_Problems;
};

class MeshLoader {
public:
    explicit MeshLoader(RenderDevice* device) : m_RenderDevice(device) {}
    // Null when the file cannot be opened or the mesh breaks the format's limits.
    Mesh* load(const std::string& path);
    // Builds the mesh from a file already read; null when it breaks the limits.
    Mesh* build(const MeshFile& file, const std::string& path);

private:
    RenderDevice* m_RenderDevice;
};

} // namespace Kestrel
