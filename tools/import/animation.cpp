#include "tools/import/animation.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace KestrelImport {

namespace {

// Every key time (ticks) of the channels that move a bone, with the start and
// the animation's end.
std::vector<double> mergedTicks(const aiScene& scene, const aiAnimation& animation,
                                const Skeleton& skeleton) {
    std::vector<double> ticks{0.0}, channelTicks, both;
    if (animation.mDuration > 0.0)
        ticks.push_back(animation.mDuration);
    // Channels mostly share their times: merging sorted runs beats one big sort.
    for (unsigned c = 0; c < animation.mNumChannels; ++c) {
        const aiNodeAnim& channel = *animation.mChannels[c];
        if (!skeleton.contains(scene.mRootNode->FindNode(channel.mNodeName)))
            continue;
        channelTicks.clear();
        addKeyTicks(channel, channelTicks);
        std::sort(channelTicks.begin(), channelTicks.end());
        both.clear();
        std::set_union(ticks.begin(), ticks.end(), channelTicks.begin(), channelTicks.end(),
                       std::back_inserter(both));
        ticks.swap(both);
    }
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

using Pose = std::vector<Vector3d>;

// Bone angles at the key times and half-way between consecutive ones.
struct Samples {
    std::vector<double> m_Times;
    std::vector<Pose> m_Keys;
    std::vector<Pose> m_HalfWay; // entry i lies between keys i and i + 1
};

double cubic(double y1, double y2, double y0, double y3, double t) {
    const double a = y3 - y2 - y0 + y1, b = y0 - y1 - a, c = y2 - y0;
    return ((a * t + b) * t + c) * t + y1;
}

// How far a bone turns when its angles change by d from ones whose x angle
// has sine sinX: the engine's z-x-y turn to first order (exact where gimbal
// lock makes two angles one), plus a second-order margin, never more than the
// plain sum of the changes.
double turnChange(const Vector3d& d, double sinX) {
    const double sum = std::fabs(d.x) + std::fabs(d.y) + std::fabs(d.z);
    const double z = d.z + d.y * sinX;
    const double linear = std::sqrt(d.x * d.x + d.y * d.y * (1.0 - sinX * sinX) + z * z);
    return std::min(sum, linear + 0.5 * sum * sum);
}

std::vector<std::vector<double>> sinesOfX(const std::vector<Pose>& poses) {
    std::vector<std::vector<double>> sines(poses.size());
    for (size_t i = 0; i < poses.size(); ++i)
        for (const Vector3d& angles : poses[i])
            sines[i].push_back(std::sin(angles.x));
    return sines;
}

// The engine's curve through a subset of the keys (the ends always kept,
// doubled as repeatEnds does), and its estimated vertex error against the
// samples: per bone the turn it misses by times its lever, added along the chain.
class Curve {
public:
    Curve(const Skeleton& skeleton, const std::vector<double>& lever, const Samples& samples)
        : m_Skeleton(skeleton), m_Lever(lever), m_Samples(samples),
          m_KeySines(sinesOfX(samples.m_Keys)), m_HalfWaySines(sinesOfX(samples.m_HalfWay)),
          m_Kept(samples.m_Times.size(), true), m_Reach(skeleton.bones().size()) {}

    std::vector<bool>& kept() { return m_Kept; }
    double keyError(int i) const {
        return m_Kept[i] ? 0.0 : error(i, m_Samples.m_Times[i], m_Samples.m_Keys[i], m_KeySines[i]);
    }
    double halfWayError(int i) const {
        const double time = 0.5 * (m_Samples.m_Times[i] + m_Samples.m_Times[i + 1]);
        return error(i, time, m_Samples.m_HalfWay[i], m_HalfWaySines[i]);
    }
    int previous(int i) const {
        while (!m_Kept[--i]) {
        }
        return i;
    }
    int next(int i) const {
        while (!m_Kept[++i]) {
        }
        return i;
    }

private:
    // sample lies at time, in the kept segment that holds source segment i.
    double error(int i, double time, const Pose& sample, const std::vector<double>& sines) const {
        const int last = int(m_Kept.size()) - 1;
        const int a = m_Kept[i] ? i : previous(i), b = next(i);
        const int before = a > 0 ? previous(a) : a, after = b < last ? next(b) : b;
        const auto& times = m_Samples.m_Times;
        const double t = (time - times[a]) / (times[b] - times[a]);
        const auto& bones = m_Skeleton.bones();
        const auto& keys = m_Samples.m_Keys;
        std::vector<double>& reach = m_Reach;
        double worst = 0.0;
        for (size_t k = 0; k < bones.size(); ++k) {
            Vector3d d;
            for (int c = 0; c < 3; ++c)
                d[c] =
                    cubic(keys[a][k][c], keys[b][k][c], keys[before][k][c], keys[after][k][c], t) -
                    sample[k][c];
            reach[k] = (bones[k].m_Parent >= 0 ? reach[bones[k].m_Parent] : 0.0) +
                       turnChange(d, sines[k]) * m_Lever[k];
            worst = std::max(worst, reach[k]);
        }
        return worst;
    }

    const Skeleton& m_Skeleton;
    const std::vector<double>& m_Lever;
    const Samples& m_Samples;
    const std::vector<std::vector<double>> m_KeySines, m_HalfWaySines;
    std::vector<bool> m_Kept;
    mutable std::vector<double> m_Reach; // scratch: one error at a time
};

class Sampler {
public:
    Sampler(const aiAnimation& animation, Skeleton& skeleton, SourcePose& pose)
        : m_Animation(animation), m_Skeleton(skeleton), m_Pose(pose),
          m_PerSecond(ticksPerSecond(animation)) {}

    // The pose at ticks, its angles nearest to previous.
    Pose at(double ticks, const Pose& previous) {
        m_Pose.evaluate(&m_Animation, ticks);
        Pose angles;
        m_Skeleton.convert(m_Pose, previous, angles);
        return angles;
    }

    void sample(const std::vector<double>& ticks, Samples& samples) {
        Pose previous(m_Skeleton.bones().size());
        for (double t : ticks) {
            samples.m_Keys.push_back(at(t, previous));
            samples.m_Times.push_back(t / m_PerSecond);
            previous = samples.m_Keys.back();
        }
        for (size_t i = 0; i + 1 < ticks.size(); ++i)
            samples.m_HalfWay.push_back(at(0.5 * (ticks[i] + ticks[i + 1]), samples.m_Keys[i]));
    }

    // Half-way poses the curve misses become keys, a few rounds deep.
    void refine(const std::vector<double>& lever, double bound, Samples& samples) {
        for (int round = 0; round < 4; ++round) {
            Samples refined;
            const Curve curve(m_Skeleton, lever, samples);
            bool changed = false;
            for (size_t i = 0; i < samples.m_Times.size(); ++i) {
                refined.m_Times.push_back(samples.m_Times[i]);
                refined.m_Keys.push_back(samples.m_Keys[i]);
                if (i + 1 == samples.m_Times.size())
                    break;
                const double start = samples.m_Times[i], end = samples.m_Times[i + 1];
                if (curve.halfWayError(int(i)) <= bound) {
                    refined.m_HalfWay.push_back(samples.m_HalfWay[i]);
                    continue;
                }
                changed = true;
                const double middle = 0.5 * (start + end);
                refined.m_HalfWay.push_back(
                    at(0.5 * (start + middle) * m_PerSecond, samples.m_Keys[i]));
                refined.m_Times.push_back(middle);
                refined.m_Keys.push_back(samples.m_HalfWay[i]);
                refined.m_HalfWay.push_back(
                    at(0.5 * (middle + end) * m_PerSecond, samples.m_HalfWay[i]));
            }
            samples = refined;
            if (!changed)
                return;
        }
    }

private:
    const aiAnimation& m_Animation;
    Skeleton& m_Skeleton;
    SourcePose& m_Pose;
    double m_PerSecond;
};

// One pass from the start: each key goes if every key time and half-way point
// whose curve it shapes stays within the bounds.
std::vector<bool> thin(const Skeleton& skeleton, const std::vector<double>& lever,
                       const Samples& samples, double keyBound, double halfWayBound) {
    Curve curve(skeleton, lever, samples);
    std::vector<bool>& kept = curve.kept();
    const int n = int(kept.size());
    for (int j = 1; j + 1 < n; ++j) {
        kept[j] = false;
        const int p = curve.previous(j), q = curve.next(j);
        const int from = p > 0 ? curve.previous(p) : p;
        const int to = q + 1 < n ? curve.next(q) : q;
        for (int i = from; i <= to && !kept[j]; ++i)
            kept[j] =
                curve.keyError(i) > keyBound || (i < to && curve.halfWayError(i) > halfWayBound);
    }
    return kept;
}

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

// Angles below a microradian are rounding noise: written as zero, they are left out.
float quiet(double angle) {
    return std::fabs(angle) < 1e-6 ? 0.0f : float(angle);
}

} // namespace

AnimationOutput convertAnimation(const aiScene& scene, unsigned index, Skeleton& skeleton,
                                 SourcePose& pose, const ImportedModel& model, bool keepAllKeys) {
    const aiAnimation& animation = *scene.mAnimations[index];
    const std::vector<double> ticks = mergedTicks(scene, animation, skeleton);
    const std::vector<double> lever = levers(skeleton, model);
    Sampler sampler(animation, skeleton, pose);
    Samples samples;
    sampler.sample(ticks, samples);
    sampler.refine(lever, HALF_WAY_BOUND * model.m_Diagonal, samples);
    std::vector<bool> kept(samples.m_Times.size(), true);
    if (!keepAllKeys)
        kept = thin(skeleton, lever, samples, KEY_BOUND * model.m_Diagonal,
                    HALF_WAY_BOUND * model.m_Diagonal);

    AnimationOutput output;
    output.m_Name = animation.mName.C_Str();
    output.m_SourceIndex = index;
    output.m_SourceKeyCount = unsigned(ticks.size());
    for (size_t i = 0; i < samples.m_Times.size(); ++i) {
        if (!kept[i])
            continue;
        KeyframeOutput keyframe;
        keyframe.m_Time = samples.m_Times[i];
        for (const Vector3d& a : samples.m_Keys[i])
            keyframe.m_Angles.emplace_back(quiet(a.x), quiet(a.y), quiet(a.z));
        output.m_Keyframes.push_back(keyframe);
    }
    repeatEnds(output.m_Keyframes);
    return output;
}

} // namespace KestrelImport
