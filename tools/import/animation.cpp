#include "tools/import/animation.h"

#include <algorithm>
#include <cmath>

namespace KestrelImport {

namespace {

// Every key time (ticks) of the channels that move a bone, with the start and
// the animation's end.
std::vector<double> mergedTicks(const aiScene& scene, const aiAnimation& animation,
                                const Skeleton& skeleton) {
    std::vector<double> ticks{0.0};
    if (animation.mDuration > 0.0)
        ticks.push_back(animation.mDuration);
    for (unsigned c = 0; c < animation.mNumChannels; ++c) {
        const aiNodeAnim& channel = *animation.mChannels[c];
        if (!skeleton.contains(scene.mRootNode->FindNode(channel.mNodeName)))
            continue;
        for (unsigned k = 0; k < channel.mNumPositionKeys; ++k)
            ticks.push_back(channel.mPositionKeys[k].mTime);
        for (unsigned k = 0; k < channel.mNumRotationKeys; ++k)
            ticks.push_back(channel.mRotationKeys[k].mTime);
        for (unsigned k = 0; k < channel.mNumScalingKeys; ++k)
            ticks.push_back(channel.mScalingKeys[k].mTime);
    }
    std::sort(ticks.begin(), ticks.end());
    std::vector<double> merged;
    for (double t : ticks)
        if (t >= 0.0 && (merged.empty() || t - merged.back() > 1e-9))
            merged.push_back(t);
    return merged;
}

// How far a vertex can move when bone k's angles change by one radian: the
// largest distance from its head to a vertex of its branch.
std::vector<double> levers(const Skeleton& skeleton, const ImportedModel& model) {
    const auto& bones = skeleton.bones();
    std::vector<double> lever(bones.size(), 0.0);
    for (const WeightOutput& weight : model.m_Weights) {
        const Kestrel::Vector3& p = model.m_Vertices[weight.m_Vertex].m_Position;
        for (int j = int(weight.m_Bone); j >= 0; j = bones[j].m_Parent)
            lever[j] = std::max(lever[j], (Vector3d(p.x, p.y, p.z) - bones[j].m_Head).Length());
    }
    return lever;
}

class Thinner {
public:
    Thinner(const Skeleton& skeleton, const std::vector<double>& lever,
            const std::vector<double>& times, const std::vector<std::vector<Vector3d>>& angles,
            double bound)
        : m_Skeleton(skeleton), m_Lever(lever), m_Times(times), m_Angles(angles), m_Bound(bound),
          m_Kept(times.size(), true) {}

    // One pass from the start: each keyframe goes if the keys it shapes stay within the bound.
    std::vector<bool> run() {
        const int n = int(m_Times.size());
        for (int j = 1; j + 1 < n; ++j) {
            m_Kept[j] = false;
            const int p = previous(j), q = next(j);
            const int from = p > 0 ? previous(p) : p;
            const int to = q + 1 < n ? next(q) : q;
            for (int i = from; i <= to && !m_Kept[j]; ++i)
                m_Kept[j] = error(i) > m_Bound;
        }
        return m_Kept;
    }

private:
    int previous(int i) const {
        do
            i = i > 0 ? i - 1 : int(m_Kept.size()) - 1;
        while (!m_Kept[i]);
        return i;
    }
    int next(int i) const {
        do
            i = (i + 1) % int(m_Kept.size());
        while (!m_Kept[i]);
        return i;
    }

    // The engine's keyframe segment around source key i, sampled as the engine
    // does; the ends are doubled (see repeatEnds), so they shape their own segments.
    double error(int i) const {
        if (m_Kept[i])
            return 0.0;
        const int last = int(m_Kept.size()) - 1;
        const int a = previous(i), b = next(i);
        const int before = a > 0 ? previous(a) : a, after = b < last ? next(b) : b;
        const double t = (m_Times[i] - m_Times[a]) / (m_Times[b] - m_Times[a]);
        const auto& bones = m_Skeleton.bones();
        std::vector<double> reach(bones.size(), 0.0);
        double worst = 0.0;
        for (size_t k = 0; k < bones.size(); ++k) {
            double change = 0.0;
            for (int c = 0; c < 3; ++c) {
                const double value = cubic(m_Angles[a][k][c], m_Angles[b][k][c],
                                           m_Angles[before][k][c], m_Angles[after][k][c], t);
                change += std::fabs(value - m_Angles[i][k][c]);
            }
            reach[k] = (bones[k].m_Parent >= 0 ? reach[bones[k].m_Parent] : 0.0) + change * m_Lever[k];
            worst = std::max(worst, reach[k]);
        }
        return worst;
    }

    static double cubic(double y1, double y2, double y0, double y3, double t) {
        const double a = y3 - y2 - y0 + y1, b = y0 - y1 - a, c = y2 - y0;
        return ((a * t + b) * t + c) * t + y1;
    }

    const Skeleton& m_Skeleton;
    const std::vector<double>& m_Lever;
    const std::vector<double>& m_Times;
    const std::vector<std::vector<Vector3d>>& m_Angles;
    double m_Bound;
    std::vector<bool> m_Kept;
};

// The engine's cubic takes the neighbours of the first and the last keyframe
// from the other end, as if looping. Doubling both ends, a moment apart, gives
// the first and last segments neighbours of their own; every key keeps its time.
void repeatEnds(std::vector<KeyframeOutput>& keys) {
    const size_t n = keys.size();
    if (n < 2)
        return;
    const double moment = std::min({1e-3, 0.01 * (keys[1].m_Time - keys[0].m_Time),
                                    0.01 * (keys[n - 1].m_Time - keys[n - 2].m_Time)});
    KeyframeOutput first = keys.front(), last = keys.back();
    first.m_Time = moment;
    last.m_Time += moment;
    keys.insert(keys.begin() + 1, first);
    keys.push_back(last);
}

} // namespace

AnimationOutput convertAnimation(const aiScene& scene, unsigned index, Skeleton& skeleton,
                                 SourcePose& pose, const ImportedModel& model, bool keepAllKeys) {
    const aiAnimation& animation = *scene.mAnimations[index];
    const double perSecond = ticksPerSecond(animation);
    std::vector<double> times;
    std::vector<std::vector<Vector3d>> angles;
    std::vector<Vector3d> previous(skeleton.bones().size());
    for (double ticks : mergedTicks(scene, animation, skeleton)) {
        pose.evaluate(&animation, ticks);
        angles.emplace_back();
        skeleton.convert(pose, previous, angles.back());
        previous = angles.back();
        times.push_back(ticks / perSecond);
    }
    std::vector<bool> kept(times.size(), true);
    if (!keepAllKeys && times.size() > 2)
        kept = Thinner(skeleton, levers(skeleton, model), times, angles,
                       THINNING_BOUND * model.m_Diagonal)
                   .run();

    AnimationOutput output;
    output.m_Name = animation.mName.C_Str();
    output.m_SourceIndex = index;
    output.m_SourceKeyCount = unsigned(times.size());
    for (size_t i = 0; i < times.size(); ++i) {
        if (!kept[i])
            continue;
        KeyframeOutput keyframe;
        keyframe.m_Time = times[i];
        for (const Vector3d& a : angles[i])
            keyframe.m_Angles.emplace_back(float(a.x), float(a.y), float(a.z));
        output.m_Keyframes.push_back(keyframe);
    }
    repeatEnds(output.m_Keyframes);
    return output;
}

} // namespace KestrelImport
