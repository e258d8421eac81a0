// A skinned triangle mesh in mesh space: one vertex list, one face list per
// material, a skeleton and up to four bone influences per vertex. A cached
// resource shared by every entity that shows it; it owns its skeleton and lists.
// Entities bind their own bones by name right before morph deforms the vertices.
#pragma once

#include "engine/morphable.h"
#include "engine/resource.h"
#include "engine/vector.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Kestrel {

class Bone;
class FaceList;
class RenderDevice;
class Shader;
class Texture;
class Transformable;
class VertexList;

struct Material {
    Material() = default;
    Material(const Vector4& diffuse, const Vector4& specular)
        : m_Diffuse(diffuse), m_Specular(specular), m_DiffuseCopy(diffuse),
          m_SpecularCopy(specular) {}

    Vector4 m_Diffuse{1, 1, 1, 1};
    Vector4 m_Specular{1, 1, 1, 1};
    Vector4 m_DiffuseCopy{1, 1, 1, 1};
    Vector4 m_SpecularCopy{1, 1, 1, 1};
    Texture* m_Texture = nullptr; // owned by the resource cache
    Shader* m_Shader = nullptr;   // owned by the resource cache
    bool m_CullBackFaces = false; // set for closed surfaces, whose back faces are never seen
};

class Mesh : public Morphable, public Resource {
public:
    using BoneMap = std::map<std::string, Bone*>;

    struct MaterialGroup {
        MaterialGroup(FaceList* faceList, const Material& material);

        FaceList* m_FaceList;
        Material m_Material;
        // Entry f lists the render vertices that receive face f's normal.
        std::vector<std::vector<uint16_t>> m_NormalTargets;
    };

    struct VertexWeight {
        BoneMap::value_type* m_Bone = nullptr; // an entry of m_BoneMap; null ends the list
        float m_Weight = 0.0f;
    };

    explicit Mesh(RenderDevice* device);
    ~Mesh() override;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    Type getResourceType() const override { return MESH; }

    FaceList* addMaterial(const Material& material);
    unsigned getMaterialCount() const { return static_cast<unsigned>(m_MaterialGroups.size()); }
    FaceList* getFaceList(unsigned index) const { return m_MaterialGroups[index].m_FaceList; }
    const Material& getMaterial(unsigned index) const { return m_MaterialGroups[index].m_Material; }
    VertexList* getVertexList() const { return m_VertexList; }
    void addFaceVertex(unsigned group, unsigned face, unsigned vertex);
    // A fifth influence on one vertex is dropped.
    void addVertexWeight(unsigned vertex, const std::string& boneName, float weight);
    void setRootBone(Bone* bone) { m_RootBone = bone; }
    Bone* getRootBone() const { return m_RootBone; }
    // Adds each face's unnormalised normal to its target vertices.
    void computeNormals(VertexList* list = nullptr);

    void setBone(const std::string& name, Bone* bone);
    // Unbinds name if bone still drives it, so that no destroyed bone stays bound.
    void releaseBone(const std::string& name, const Bone* bone);
    // Queues one item per material.
    void draw(Transformable* transform, Morphable* morphable);
    // Linear blend skinning of in (which must be this mesh's own list) into out.
    bool morph(const VertexList& in, VertexList& out) override;

    bool m_Transparent = false;

    // The name the file was loaded under, for messages.
    void setFileName(const std::string& name) { m_FileName = name; }
    const std::string& getFileName() const { return m_FileName; }

    unsigned getVertexWeightSlotCount() const {
        return static_cast<unsigned>(m_VertexWeights.size());
    }
    const VertexWeight& getVertexWeight(unsigned slot) const { return m_VertexWeights[slot]; }

private:
    // Four table entries and four weights of one vertex, the weights divided by
    // their sum; unused slots use the empty entry with weight 0.
    struct SkinInfluences {
        uint32_t m_Entries[4];
        float m_Weights[4];
    };
    // The weights in flat arrays, built on the first morph after they change:
    // four table indices and weights per vertex as stored, for the plain path,
    // and the influences of the fast path, where a vertex without usable
    // influence takes the rest entry at full weight. Entry 0 is the empty entry,
    // 1 the rest entry, then one per distinct bone name.
    struct SkinLayout {
        std::vector<BoneMap::value_type*> m_Entries;
        std::vector<uint32_t> m_Indices;
        std::vector<float> m_Weights;
        std::vector<SkinInfluences> m_Influences;
        unsigned m_VertexCount = 0;
        bool m_Valid = false;
    };
    // One table entry's skin matrix by columns, fetched once per morph: zero for
    // the empty entry, the identity for the rest entry.
    struct alignas(16) SkinColumns {
        float m[16];
    };

    void prepareSkinLayout();
    // Refreshes m_SkinColumns; false when a weighted name has no bone bound.
    bool fetchSkinMatrices();
    void morphPrepared(const VertexList& in, VertexList& out) const;
    void morphWithUnboundBones(const VertexList& in, VertexList& out) const;

    BoneMap m_BoneMap;
    RenderDevice* m_RenderDevice;
    std::vector<MaterialGroup> m_MaterialGroups;
    VertexList* m_VertexList;
    std::vector<VertexWeight> m_VertexWeights;
    Bone* m_RootBone = nullptr;
    SkinLayout m_SkinLayout;
    std::string m_FileName;
    std::vector<SkinColumns> m_SkinColumns;
};

} // namespace Kestrel
