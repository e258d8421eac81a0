#include "tools/import/source_pose.h"

#include <algorithm>

namespace KestrelImport {

namespace {

template <typename Key>
bool spans(const Key* keys, unsigned count, unsigned i, double ticks) {
    return i + 1 < count && keys[i].mTime <= ticks && ticks < keys[i + 1].mTime;
}

// The key pair around ticks and the fraction between them; a time outside the
// keys holds the nearer end. The pair used last and the one after it are
// tried before a search.
template <typename Key>
const Key* bracket(const Key* keys, unsigned count, double ticks, double& fraction,
                   unsigned& last) {
    fraction = 0.0;
    if (count == 1 || ticks <= keys[0].mTime)
        return keys;
    if (ticks >= keys[count - 1].mTime)
        return keys + count - 1;
    unsigned i = last;
    if (!spans(keys, count, i, ticks) && !spans(keys, count, ++i, ticks)) {
        const Key* after = std::upper_bound(keys, keys + count, ticks,
                                            [](double t, const Key& key) { return t < key.mTime; });
        i = unsigned(after - keys) - 1;
    }
    last = i;
    fraction = (ticks - keys[i].mTime) / (keys[i + 1].mTime - keys[i].mTime);
    return keys + i;
}

Vector3d sampleVector(const aiVectorKey* keys, unsigned count, double ticks, unsigned& last) {
    double f;
    const aiVectorKey* key = bracket(keys, count, ticks, f, last);
    const Vector3d a(key->mValue.x, key->mValue.y, key->mValue.z);
    if (f == 0.0)
        return a;
    const Vector3d b(key[1].mValue.x, key[1].mValue.y, key[1].mValue.z);
    return a + (b - a) * f;
}

aiQuaternion sampleRotation(const aiQuatKey* keys, unsigned count, double ticks, unsigned& last) {
    double f;
    const aiQuatKey* key = bracket(keys, count, ticks, f, last);
    if (f == 0.0)
        return key->mValue;
    aiQuaternion result;
    aiQuaternion::Interpolate(result, key->mValue, key[1].mValue, static_cast<float>(f));
    return result.Normalize();
}

} // namespace

Matrix4d toDouble(const aiMatrix4x4& m) {
    return Matrix4d(m.a1, m.a2, m.a3, m.a4, m.b1, m.b2, m.b3, m.b4, m.c1, m.c2, m.c3, m.c4, m.d1,
                    m.d2, m.d3, m.d4);
}

Vector3d origin(const Matrix4d& m) {
    return Vector3d(m.a4, m.b4, m.c4);
}

Vector3d transform(const Matrix4d& m, const Vector3d& p) {
    return m * p;
}

double ticksPerSecond(const aiAnimation& animation) {
    return animation.mTicksPerSecond > 0.0 ? animation.mTicksPerSecond : 25.0;
}

void addKeyTicks(const aiNodeAnim& channel, std::vector<double>& ticks) {
    for (unsigned k = 0; k < channel.mNumPositionKeys; ++k)
        ticks.push_back(channel.mPositionKeys[k].mTime);
    for (unsigned k = 0; k < channel.mNumRotationKeys; ++k)
        ticks.push_back(channel.mRotationKeys[k].mTime);
    for (unsigned k = 0; k < channel.mNumScalingKeys; ++k)
        ticks.push_back(channel.mScalingKeys[k].mTime);
}

SourcePose::SourcePose(const aiScene& scene, double scale) {
    Matrix4d::Scaling(Vector3d(scale, scale, scale), m_Root);
    m_Nodes.push_back(scene.mRootNode);
    m_Parents.push_back(-1);
    for (size_t i = 0; i < m_Nodes.size(); ++i) {
        m_Index[m_Nodes[i]] = i;
        m_Rest.push_back(toDouble(m_Nodes[i]->mTransformation));
        Vector3d scaling, position;
        aiQuaterniont<double> rotation;
        m_Rest.back().Decompose(scaling, rotation, position);
        m_RestScaling.push_back(scaling);
        m_RestRotation.push_back(rotation);
        for (unsigned c = 0; c < m_Nodes[i]->mNumChildren; ++c) {
            m_Nodes.push_back(m_Nodes[i]->mChildren[c]);
            m_Parents.push_back(int(i));
        }
    }
    m_Channels.assign(m_Nodes.size(), nullptr);
    m_LastKeys.assign(m_Nodes.size(), {0, 0, 0});
    evaluate(nullptr, 0.0);
    m_RestGlobals = m_Globals;
}

void SourcePose::evaluate(const aiAnimation* animation, double ticks,
                          const std::map<const aiNode*, Vector3d>& held) {
    if (animation != m_Animation) {
        std::unordered_map<std::string, const aiNodeAnim*> byName;
        for (unsigned i = 0; animation && i < animation->mNumChannels; ++i)
            byName[animation->mChannels[i]->mNodeName.C_Str()] = animation->mChannels[i];
        for (size_t i = 0; i < m_Nodes.size(); ++i) {
            auto found = byName.find(m_Nodes[i]->mName.C_Str());
            m_Channels[i] = found == byName.end() ? nullptr : found->second;
        }
        m_Animation = animation;
        m_LastKeys.assign(m_Nodes.size(), {0, 0, 0});
    }
    m_Ticks = ticks;
    m_Held = held.empty() ? nullptr : &held;
    m_Globals.resize(m_Nodes.size());
    for (size_t i = 0; i < m_Nodes.size(); ++i)
        m_Globals[i] = (m_Parents[i] < 0 ? m_Root : m_Globals[m_Parents[i]]) * local(i);
    m_Held = nullptr;
}

Matrix4d SourcePose::local(size_t index) const {
    const Matrix4d& rest = m_Rest[index];
    if (!m_Channels[index])
        return rest;
    const aiNode* node = m_Nodes[index];
    const aiNodeAnim& channel = *m_Channels[index];
    Vector3d position = origin(rest);
    if (m_Held && m_Held->count(node))
        position = m_Held->at(node);
    else if (channel.mNumPositionKeys > 0)
        position = sampleVector(channel.mPositionKeys, channel.mNumPositionKeys, m_Ticks,
                                m_LastKeys[index][0]);
    Vector3d scaling = m_RestScaling[index];
    aiQuaterniont<double> rotation = m_RestRotation[index];
    if (channel.mNumScalingKeys > 0)
        scaling = sampleVector(channel.mScalingKeys, channel.mNumScalingKeys, m_Ticks,
                               m_LastKeys[index][2]);
    if (channel.mNumRotationKeys > 0) {
        const aiQuaternion q = sampleRotation(channel.mRotationKeys, channel.mNumRotationKeys,
                                              m_Ticks, m_LastKeys[index][1]);
        rotation = aiQuaterniont<double>(q.w, q.x, q.y, q.z);
    }
    return Matrix4d(scaling, rotation, position);
}

} // namespace KestrelImport
