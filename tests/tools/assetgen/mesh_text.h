// Reads back the .kst text the generator writes (its own regular layout, not
// the game's general loader), so that tests can check files as the game will
// see them: positions, polygons, bones and weights by name.
#pragma once

#include "tools/assetgen/geometry.h"
#include "tools/assetgen/mesh_builder.h"

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace AssetTest {

using assetgen::Vec2;
using assetgen::Vec3;

struct MeshText {
    struct Face {
        std::vector<int> vertices;
        std::vector<Vec2> uvs;
        std::string material;
    };
    struct Bone {
        std::string name, parent;
        Vec3 head; // the root's only
        Vec3 tail;
    };
    struct Weight {
        std::string bone;
        int vertex;
        double weight;
    };
    std::vector<std::map<std::string, std::string>> materials;
    std::vector<Vec3> positions;
    std::vector<Face> faces;
    std::vector<Bone> bones;
    std::vector<Weight> weights;

    const Bone* bone(const std::string& name) const {
        for (const Bone& b : bones)
            if (b.name == name)
                return &b;
        return nullptr;
    }
    Vec3 normal(const Face& f) const {
        const Vec3 a = positions[f.vertices[0]];
        return assetgen::cross(positions[f.vertices[1]] - a, positions[f.vertices[2]] - a);
    }
};

inline std::map<std::string, std::string> attributes(const std::string& line) {
    std::map<std::string, std::string> result;
    std::stringstream pieces(line);
    std::string piece;
    while (std::getline(pieces, piece, ':')) {
        const std::size_t equals = piece.find('=');
        if (equals != std::string::npos && equals > 0)
            result[piece.substr(0, equals)] = piece.substr(equals + 1);
    }
    return result;
}

inline std::vector<double> numbers(const std::string& text) {
    std::vector<double> result;
    std::string current;
    for (char c : text + ",") {
        if (c == '(' || c == ')' || c == ',') {
            if (!current.empty())
                result.push_back(std::atof(current.c_str()));
            current.clear();
        } else {
            current += c;
        }
    }
    return result;
}

inline Vec3 vector3(const std::string& text) {
    const std::vector<double> n = numbers(text);
    return {n.at(0), n.at(1), n.at(2)};
}

inline MeshText readMesh(const std::string& text) {
    MeshText mesh;
    std::stringstream lines(text);
    std::string line, section;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '[') {
            section = line;
            continue;
        }
        auto a = attributes(line);
        if (section == "[materials]") {
            mesh.materials.push_back(a);
        } else if (section == "[vertices]") {
            mesh.positions.push_back(vector3(a["pos"]));
        } else if (section == "[faces]") {
            MeshText::Face face;
            for (double v : numbers(a["v"]))
                face.vertices.push_back(static_cast<int>(v));
            const std::vector<double> uv = numbers(a["texcoord"]);
            for (std::size_t i = 0; i + 1 < uv.size(); i += 2)
                face.uvs.push_back({uv[i], uv[i + 1]});
            face.material = a["material"];
            mesh.faces.push_back(face);
        } else if (section == "[bones]") {
            const bool root = mesh.bones.empty();
            mesh.bones.push_back({a["name"], root ? "" : a["parent"],
                                  root ? vector3(a["parent"]) : Vec3(), vector3(a["tail"])});
        } else if (section == "[vertex weights]") {
            mesh.weights.push_back(
                {a["b"], std::atoi(a["v"].c_str()), std::atof(a["weight"].c_str())});
        }
    }
    return mesh;
}

inline MeshText readMesh(const assetgen::MeshBuilder& builder) {
    return readMesh(builder.toText());
}

} // namespace AssetTest
