// The engine's skeleton for a scene, and the conversion of the scene's poses
// into it. Bones are the nodes that skin vertices or carry animated meshes, with
// their ancestors; the rest pose is the bind pose, unrotated, each head at its
// parent's tail (connector bones bridge the gaps). A pose becomes, per bone,
// the angles about the bone's own axes in the engine's order (z, then x, then
// y) that give the source's skin matrix. Scene space, double precision.
#pragma once

#include "tools/import/model.h"
#include "tools/import/source_pose.h"

#include <assimp/scene.h>

#include <map>
#include <set>
#include <vector>

namespace KestrelImport {

using Matrix3d = aiMatrix3x3t<double>;

class Skeleton {
public:
    // Picks the bone nodes and their bind frames; empty for a static scene.
    Skeleton(const aiScene& scene, const SourcePose& rest);

    bool empty() const { return m_Nodes.empty(); }
    bool contains(const aiNode* node) const { return m_Bind.count(node) != 0; }
    // The node's bind frame: where rigidly carried vertices rest.
    const Matrix4d& bind(const aiNode* node) const { return m_Bind.at(node); }
    // The rigid move from the meshes' bind pose to the rest pose.
    const Matrix4d& restCorrection() const { return m_Correction; }

    // The engine's bones (parents first) with rest heads and tails as written.
    void build(double diagonal, std::vector<BoneOutput>& bones);
    int boneOf(const aiNode* node) const { return m_BoneOfNode.at(node); }

    // Per bone, the largest translation away from the bind position and the
    // largest scaling seen so far.
    struct Losses {
        std::vector<double> m_Moved, m_Scaled;
    };
    // One thread's scratch for convert, the skin matrices of its last pose
    // among them, and what its poses lost.
    struct Conversion {
        std::vector<Matrix3d> m_Turns;
        std::vector<Matrix4d> m_Skins, m_Targets;
        std::vector<size_t> m_Nodes; // each bone's node in the pose's list
        Losses m_Losses;
    };

    // Angles per bone for the evaluated pose, each nearest to previous (the
    // keyframe before). Threads converting at once each pass a conversion of
    // their own and hand it to addLosses afterwards.
    void convert(const SourcePose& pose, const std::vector<Vector3d>& previous,
                 std::vector<Vector3d>& angles, Conversion& conversion) const;
    void addLosses(const Conversion& conversion);
    std::map<const aiNode*, double> translationLosses() const { return perNode(m_Losses.m_Moved); }
    std::map<const aiNode*, double> scaleLosses() const { return perNode(m_Losses.m_Scaled); }

    struct Bone {
        const aiNode* m_Node = nullptr; // null for a connector
        int m_Parent = -1;
        Vector3d m_Head, m_Tail; // as the engine reads them
        Matrix3d m_Axes;         // columns: the engine's x, y and z axes
        Matrix4d m_InverseBind;
    };
    const std::vector<Bone>& bones() const { return m_Bones; }

private:
    void collect(const aiScene& scene);
    void bindFrames(const aiScene& scene, const SourcePose& rest);
    void alignWithScene(const SourcePose& rest);
    int appendBone(const aiNode* node, int parent, const Kestrel::Vector3& head,
                   const Kestrel::Vector3& tail, std::vector<BoneOutput>& out);
    void addBranch(const aiNode* node, int parent, const Kestrel::Vector3& head, double diagonal,
                   std::vector<BoneOutput>& out);
    Vector3d chooseTail(const aiNode* node, const Vector3d& head, int parent,
                        double diagonal) const;
    unsigned subtreeSize(const aiNode* node) const;
    std::map<const aiNode*, double> perNode(const std::vector<double>& perBone) const;

    std::vector<const aiNode*> m_Nodes; // parents first
    const aiNode* m_Root = nullptr;
    std::map<const aiNode*, Matrix4d> m_Bind;
    Matrix4d m_Correction;
    std::map<const aiNode*, int> m_BoneOfNode;
    std::vector<Bone> m_Bones;
    Losses m_Losses;
};

// Angles (x, y, z) for which the engine's z-x-y turn about the axes (columns)
// gives the rotation r, nearest to previous.
Vector3d anglesFor(const Matrix3d& axes, const Matrix3d& rotation, const Vector3d& previous);
// The rotation those angles give.
Matrix3d rotationFor(const Matrix3d& axes, const Vector3d& angles);

} // namespace KestrelImport
