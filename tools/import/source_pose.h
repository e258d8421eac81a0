// The source scene's own evaluation: every node's transform at a time of an
// animation, with keys sampled as assimp defines them (linear positions and
// scales, spherical rotations, held before the first key and after the last).
// Works in double precision in the scene's space, optionally scaled.
#pragma once

#include <assimp/anim.h>
#include <assimp/matrix4x4.h>
#include <assimp/scene.h>

#include <array>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace KestrelImport {

using Matrix4d = aiMatrix4x4t<double>;
using Vector3d = aiVector3t<double>;

Matrix4d toDouble(const aiMatrix4x4& m);
Vector3d origin(const Matrix4d& m);
Vector3d transform(const Matrix4d& m, const Vector3d& p);

// Ticks per second, with assimp's convention of 25 when the file gives none.
double ticksPerSecond(const aiAnimation& animation);
// Appends the times (ticks) of every key of the channel.
void addKeyTicks(const aiNodeAnim& channel, std::vector<double>& ticks);

class SourcePose {
public:
    SourcePose(const aiScene& scene, double scale);

    // The pose of animation at ticks; null for the rest pose (the nodes' own
    // transforms). Nodes in held keep the translation given there.
    void evaluate(const aiAnimation* animation, double ticks,
                  const std::map<const aiNode*, Vector3d>& held = {});
    const Matrix4d& global(const aiNode* node) const { return m_Globals[m_Index.at(node)]; }
    // The same by the node's place in this pose's list, for lookups per sample.
    size_t indexOf(const aiNode* node) const { return m_Index.at(node); }
    const Matrix4d& global(size_t index) const { return m_Globals[index]; }
    const Matrix4d& restGlobal(const aiNode* node) const { return m_RestGlobals[m_Index.at(node)]; }

private:
    Matrix4d local(size_t index) const;

    std::vector<const aiNode*> m_Nodes; // parents first
    std::vector<int> m_Parents;
    std::unordered_map<const aiNode*, size_t> m_Index;
    std::vector<Matrix4d> m_Rest;
    std::vector<Vector3d> m_RestScaling; // of m_Rest, for channels without scale keys
    std::vector<aiQuaterniont<double>> m_RestRotation;
    Matrix4d m_Root;
    const aiAnimation* m_Animation = nullptr;
    std::vector<const aiNodeAnim*> m_Channels; // per node, for m_Animation
    // Per node, the position, rotation and scale key last used: samples mostly
    // move forward a key at a time.
    mutable std::vector<std::array<unsigned, 3>> m_LastKeys;
    double m_Ticks = 0.0;
    const std::map<const aiNode*, Vector3d>* m_Held = nullptr;
    std::vector<Matrix4d> m_Globals;
    std::vector<Matrix4d> m_RestGlobals;
};

} // namespace KestrelImport
