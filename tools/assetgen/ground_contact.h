// Where a posed ant meets the ground (y = 0): the vertices of an ant mesh
// carried by their bones as the game skins them, so that poses can be checked
// and fitted against the ground in mesh coordinates.
#pragma once

#include "tools/assetgen/mesh_builder.h"
#include "tools/assetgen/skeleton.h"

#include <string>
#include <vector>

namespace assetgen {

class GroundContact {
public:
    GroundContact(const Skeleton& skeleton, const MeshBuilder& mesh);

    // The lowest height of the vertices that follow any of the bones (all
    // vertices when the list is empty).
    double lowest(const Pose& pose, const std::vector<std::string>& bones = {}) const;

private:
    struct Influence {
        int bone;
        double weight;
    };
    struct Point {
        Vec3 rest;
        std::vector<Influence> influences;
    };

    const Skeleton& m_Skeleton;
    std::vector<Point> m_Points;
};

} // namespace assetgen
