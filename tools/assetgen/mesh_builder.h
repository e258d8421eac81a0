// Collects a skinned mesh (materials, vertices, polygons with per-corner
// texture coordinates, bones, vertex weights) in mesh coordinates and writes it
// in the game's .kst text format. Polygons are wound counter-clockwise seen from
// outside; vertices shared by polygons get smooth normals in the game's loader.
#pragma once

#include "tools/assetgen/geometry.h"

#include <string>
#include <vector>

namespace assetgen {

struct Material {
    std::string name;
    std::string texture;
    std::string vertexShader;
    std::string fragmentShader;
    bool closed = false; // only its outside is ever seen, so the engine skips back faces
};

struct Corner {
    int vertex = 0;
    Vec2 uv;
};

struct VertexWeight {
    int vertex;
    std::string bone;
    double weight;
};

struct BoneRecord {
    std::string name;
    std::string parent; // empty for the root
    Vec3 head;          // only written for the root; other heads are parent tails
    Vec3 tail;
};

class MeshBuilder {
public:
    void addMaterial(const Material& material);
    // Following polygons belong to this material.
    void useMaterial(const std::string& name) { m_CurrentMaterial = name; }

    int addVertex(const Vec3& position);
    const Vec3& position(int vertex) const { return m_Positions[vertex]; }
    void setPosition(int vertex, const Vec3& position) { m_Positions[vertex] = position; }
    int vertexCount() const { return static_cast<int>(m_Positions.size()); }

    void addTriangle(const Corner& a, const Corner& b, const Corner& c);
    void addQuad(const Corner& a, const Corner& b, const Corner& c, const Corner& d);

    void addRootBone(const std::string& name, const Vec3& head, const Vec3& tail);
    void addBone(const std::string& name, const std::string& parent, const Vec3& tail);
    // At most four influences per vertex; the game divides by their sum.
    void addWeight(int vertex, const std::string& bone, double weight);

    const std::vector<VertexWeight>& weights() const { return m_Weights; }

    int triangleCount() const;

    std::string toText() const;

private:
    struct Polygon {
        std::string material;
        std::vector<Corner> corners;
    };
    std::vector<Material> m_Materials;
    std::string m_CurrentMaterial;
    std::vector<Vec3> m_Positions;
    std::vector<Polygon> m_Polygons;
    std::vector<BoneRecord> m_Bones;
    std::vector<VertexWeight> m_Weights;
    std::vector<int> m_WeightCounts;
};

// Fixed-point text of a number with trailing zeros removed ("0.25", "-1", "0").
std::string formatNumber(double value);

} // namespace assetgen
