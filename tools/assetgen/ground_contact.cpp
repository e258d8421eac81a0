#include "tools/assetgen/ground_contact.h"

#include <algorithm>
#include <limits>

namespace assetgen {

GroundContact::GroundContact(const Skeleton& skeleton, const MeshBuilder& mesh)
    : m_Skeleton(skeleton) {
    for (int v = 0; v < mesh.vertexCount(); ++v)
        m_Points.push_back({mesh.position(v), {}});
    for (const VertexWeight& w : mesh.weights())
        m_Points[w.vertex].influences.push_back({skeleton.find(w.bone), w.weight});
}

double GroundContact::lowest(const Pose& pose, const std::vector<std::string>& bones) const {
    std::vector<bool> counted(m_Skeleton.size(), bones.empty());
    for (const std::string& name : bones)
        counted[m_Skeleton.find(name)] = true;
    const PosedSkeleton posed = m_Skeleton.posed(pose);
    double low = std::numeric_limits<double>::max();
    for (const Point& point : m_Points) {
        const bool wanted = std::any_of(point.influences.begin(), point.influences.end(),
                                        [&](const Influence& i) { return counted[i.bone]; });
        if (!wanted)
            continue;
        Vec3 sum;
        double total = 0.0;
        for (const Influence& i : point.influences) {
            sum = sum + m_Skeleton.carry(posed, i.bone, point.rest) * i.weight;
            total += i.weight;
        }
        if (total > 0.0)
            low = std::min(low, sum.y / total);
    }
    return low;
}

} // namespace assetgen
