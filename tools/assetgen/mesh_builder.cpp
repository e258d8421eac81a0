#include "tools/assetgen/mesh_builder.h"

#include "engine/file_keys.h"

#include <cstdio>
#include <stdexcept>

namespace assetgen {

std::string formatNumber(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.5f", value);
    std::string text = buffer;
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    if (text == "-0")
        text = "0";
    return text;
}

namespace {

std::string vectorText(const Vec3& v) {
    return "(" + formatNumber(v.x) + "," + formatNumber(v.y) + "," + formatNumber(v.z) + ")";
}

std::string uvText(const Vec2& uv) {
    return "(" + formatNumber(uv.x) + "," + formatNumber(uv.y) + ")";
}

} // namespace

void MeshBuilder::addMaterial(const Material& material) {
    m_Materials.push_back(material);
    m_CurrentMaterial = material.name;
}

int MeshBuilder::addVertex(const Vec3& position) {
    m_Positions.push_back(position);
    m_WeightCounts.push_back(0);
    return static_cast<int>(m_Positions.size()) - 1;
}

void MeshBuilder::addTriangle(const Corner& a, const Corner& b, const Corner& c) {
    m_Polygons.push_back({m_CurrentMaterial, {a, b, c}});
}

void MeshBuilder::addQuad(const Corner& a, const Corner& b, const Corner& c, const Corner& d) {
    m_Polygons.push_back({m_CurrentMaterial, {a, b, c, d}});
}

void MeshBuilder::addRootBone(const std::string& name, const Vec3& head, const Vec3& tail) {
    if (!m_Bones.empty())
        throw std::logic_error("the root bone must come first");
    m_Bones.push_back({name, "", head, tail});
}

void MeshBuilder::addBone(const std::string& name, const std::string& parent, const Vec3& tail) {
    m_Bones.push_back({name, parent, Vec3(), tail});
}

void MeshBuilder::addWeight(int vertex, const std::string& bone, double weight) {
    if (weight <= 0.0)
        return;
    if (++m_WeightCounts[vertex] > 4)
        throw std::logic_error("more than four bone influences on vertex of bone " + bone);
    m_Weights.push_back({vertex, bone, weight});
}

int MeshBuilder::triangleCount() const {
    int count = 0;
    for (const Polygon& polygon : m_Polygons)
        count += static_cast<int>(polygon.corners.size()) - 2;
    return count;
}

std::string MeshBuilder::toText() const {
    std::string out = std::string(Kestrel::KST_MATERIALS) + "\n";
    for (const Material& m : m_Materials) {
        out += "name=" + m.name + ":diffuse=(1,1,1):specular=(1,1,1):texture=" + m.texture +
               ":vertexshader=" + m.vertexShader + ":fragmentshader=" + m.fragmentShader +
               (m.closed ? ":cull=back\n" : "\n");
    }
    out += std::string(Kestrel::KST_VERTICES) + "\n";
    for (const Vec3& p : m_Positions)
        out += "pos=" + vectorText(p) + "\n";
    out += std::string(Kestrel::KST_FACES) + "\n";
    for (const Polygon& polygon : m_Polygons) {
        std::string indices, uvs;
        for (const Corner& c : polygon.corners) {
            indices += (indices.empty() ? "" : ",") + std::to_string(c.vertex);
            uvs += (uvs.empty() ? "" : ",") + uvText(c.uv);
        }
        out += "v=" + indices + ":texcoord=" + uvs + ":material=" + polygon.material + "\n";
    }
    if (m_Bones.empty())
        return out;
    out += std::string(Kestrel::KST_BONES) + "\n";
    for (const BoneRecord& b : m_Bones) {
        const std::string parent = b.parent.empty() ? vectorText(b.head) : b.parent;
        out +=
            "name=" + b.name + ":parent=" + parent + ":tail=" + vectorText(b.tail) + ":weight=1\n";
    }
    out += std::string(Kestrel::KST_VERTEX_WEIGHTS) + "\n";
    for (const VertexWeight& w : m_Weights)
        out += "b=" + w.bone + ":v=" + std::to_string(w.vertex) +
               ":weight=" + formatNumber(w.weight) + "\n";
    return out;
}

} // namespace assetgen
