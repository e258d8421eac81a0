#include "tools/import/animation.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <iterator>
#include <thread>

namespace KestrelImport {

namespace {

// The channel's key times as addKeyTicks lists them: a run each of position,
// rotation and scale keys, each in time order unless the file is damaged.
void sortKeyTicks(const aiNodeAnim& channel, std::vector<double>& ticks) {
    const auto rotations = ticks.begin() + channel.mNumPositionKeys;
    const auto scalings = rotations + channel.mNumRotationKeys;
    if (!std::is_sorted(ticks.begin(), rotations) || !std::is_sorted(rotations, scalings) ||
        !std::is_sorted(scalings, ticks.end())) {
        std::sort(ticks.begin(), ticks.end());
        return;
    }
    std::inplace_merge(ticks.begin(), rotations, scalings);
    std::inplace_merge(ticks.begin(), scalings, ticks.end());
}

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
        sortKeyTicks(channel, channelTicks);
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

// The largest distance from bone k's head to a vertex of its branch.
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

// Per bone, a sphere (rest space) around the vertices it weighs.
struct Sphere {
    Vector3d m_Centre;
    double m_Radius = 0.0;
};

std::vector<Sphere> spheres(const Skeleton& skeleton, const ImportedModel& model) {
    const auto& bones = skeleton.bones();
    std::vector<Vector3d> low(bones.size(), Vector3d(HUGE_VAL)),
        high(bones.size(), Vector3d(-HUGE_VAL));
    for (const WeightOutput& weight : model.m_Weights) {
        const Kestrel::Vector3& p = model.m_Vertices[weight.m_Vertex].m_Position;
        for (int c = 0; c < 3; ++c) {
            low[weight.m_Bone][c] = std::min(low[weight.m_Bone][c], double(p[c]));
            high[weight.m_Bone][c] = std::max(high[weight.m_Bone][c], double(p[c]));
        }
    }
    std::vector<Sphere> result(bones.size());
    for (size_t k = 0; k < bones.size(); ++k) {
        if (low[k].x > high[k].x) {
            result[k].m_Centre = bones[k].m_Head;
            continue;
        }
        result[k].m_Centre = (low[k] + high[k]) * 0.5;
        result[k].m_Radius = (high[k] - low[k]).Length() * 0.5;
    }
    return result;
}

using Pose = std::vector<Vector3d>;

// Where a bone stands in a sampled pose (scene space): how its world turn
// answers small changes of its angles (one column per angle), its head, and
// the centre of its vertices' sphere.
struct Frame {
    // Single precision: every sample keeps one per bone, and an estimate
    // needs no more.
    aiMatrix3x3t<float> m_Jacobian;
    aiVector3t<float> m_Head, m_Centre;
};
using Frames = std::vector<Frame>;

// The axes a bone's angles turn about, their handedness folded in: the engine
// turns clockwise in a left-handed frame.
std::vector<Matrix3d> turningAxes(const Skeleton& skeleton) {
    std::vector<Matrix3d> axes;
    for (const Skeleton::Bone& bone : skeleton.bones()) {
        axes.push_back(bone.m_Axes);
        if (bone.m_Axes.Determinant() < 0)
            axes.back() *= Matrix3d(-1, 0, 0, 0, -1, 0, 0, 0, -1);
    }
    return axes;
}

Matrix3d jacobian(const Matrix3d& parentTurn, const Matrix3d& axes, const Vector3d& angles) {
    // The engine turns z, then x, then y about the bone's axes.
    const double sx = std::sin(angles.x), cx = std::cos(angles.x);
    const double sz = std::sin(angles.z), cz = std::cos(angles.z);
    const Matrix3d local(cz, -sz * cx, 0, sz, cz * cx, 0, 0, sx, 1);
    return parentTurn * axes * local;
}

// Connectors never turn and hold no vertices: their frames stay empty.
Frames framesOf(const Skeleton& skeleton, const std::vector<Matrix3d>& axes,
                const std::vector<Sphere>& spheres, const Pose& angles,
                const std::vector<Matrix4d>& skins) {
    const auto& bones = skeleton.bones();
    Frames frames(bones.size());
    for (size_t k = 0; k < bones.size(); ++k) {
        if (!bones[k].m_Node)
            continue;
        const Matrix3d parentTurn =
            bones[k].m_Parent >= 0 ? Matrix3d(skins[bones[k].m_Parent]) : Matrix3d();
        frames[k].m_Jacobian = aiMatrix3x3t<float>(jacobian(parentTurn, axes[k], angles[k]));
        frames[k].m_Head = aiVector3t<float>(skins[k] * bones[k].m_Head);
        frames[k].m_Centre = aiVector3t<float>(skins[k] * spheres[k].m_Centre);
    }
    return frames;
}

// Bone angles at the key times and half-way between consecutive ones; each
// pose with its bones' frames.
struct Samples {
    std::vector<double> m_Times;
    std::vector<Pose> m_Keys;
    std::vector<Pose> m_HalfWay; // entry i lies between keys i and i + 1
    std::vector<Frames> m_KeyFrames, m_HalfWayFrames;

    void addKey(double time, Pose pose, Frames frames) {
        m_Times.push_back(time);
        m_KeyFrames.push_back(std::move(frames));
        m_Keys.push_back(std::move(pose));
    }
    void addHalfWay(Pose pose, Frames frames) {
        m_HalfWayFrames.push_back(std::move(frames));
        m_HalfWay.push_back(std::move(pose));
    }
};

// Runs work(begin, end) on the two halves of [0, count) at once.
template <typename Work>
void inTwoHalves(size_t count, const Work& work) {
    const size_t middle = count / 2;
    std::thread first([&] { work(size_t(0), middle); });
    work(middle, count);
    first.join();
}

double cubic(double y1, double y2, double y0, double y3, double t) {
    const double a = y3 - y2 - y0 + y1, b = y0 - y1 - a, c = y2 - y0;
    return ((a * t + b) * t + c) * t + y1;
}

// The engine's curve through a subset of the keys (the ends always kept,
// doubled as repeatEnds does), and its vertex error against the samples: the
// angles it misses by, turned into how far each bone's vertices move (to
// first order, with a second-order margin over the bone's branch).
class Curve {
public:
    Curve(const Skeleton& skeleton, const std::vector<double>& lever,
          const std::vector<Sphere>& spheres, const Samples& samples)
        : m_Skeleton(skeleton), m_Lever(lever), m_Spheres(spheres), m_Samples(samples),
          m_Kept(samples.m_Times.size(), true) {}

    std::vector<bool>& kept() { return m_Kept; }
    size_t size() const { return m_Kept.size(); }
    bool keyWithin(int i, double bound) const {
        return m_Kept[i] || error(i, m_Samples.m_Times[i], m_Samples.m_Keys[i],
                                  m_Samples.m_KeyFrames[i], bound) <= bound;
    }
    bool halfWayWithin(int i, double bound) const {
        const double time = 0.5 * (m_Samples.m_Times[i] + m_Samples.m_Times[i + 1]);
        return error(i, time, m_Samples.m_HalfWay[i], m_Samples.m_HalfWayFrames[i], bound) <= bound;
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
    // Past limit, the answer only has to be larger than limit.
    double error(int i, double time, const Pose& sample, const Frames& frames, double limit) const {
        const int last = int(m_Kept.size()) - 1;
        const int a = m_Kept[i] ? i : previous(i), b = next(i);
        const int before = a > 0 ? previous(a) : a, after = b < last ? next(b) : b;
        const auto& times = m_Samples.m_Times;
        const double t = (time - times[a]) / (times[b] - times[a]);
        const auto& keys = m_Samples.m_Keys;
        m_Curve.resize(sample.size());
        for (size_t k = 0; k < sample.size(); ++k)
            for (int c = 0; c < 3; ++c)
                m_Curve[k][c] =
                    cubic(keys[a][k][c], keys[b][k][c], keys[before][k][c], keys[after][k][c], t);
        return distance(m_Curve, sample, frames, limit);
    }

    // How far apart two poses put the vertices, at most.
    double distance(const Pose& pose, const Pose& sample, const Frames& frames,
                    double limit) const {
        const auto& bones = m_Skeleton.bones();
        m_Spin.resize(bones.size());
        m_Shift.resize(bones.size());
        m_Margin.resize(bones.size());
        double worst = 0.0;
        for (size_t k = 0; k < bones.size(); ++k) {
            const int parent = bones[k].m_Parent;
            if (!bones[k].m_Node) {
                m_Spin[k] = m_Spin[parent];
                m_Shift[k] = m_Shift[parent];
                m_Margin[k] = m_Margin[parent];
                continue;
            }
            const Vector3d d = pose[k] - sample[k];
            const Vector3d turn = Matrix3d(frames[k].m_Jacobian) * d;
            const double sum = std::fabs(d.x) + std::fabs(d.y) + std::fabs(d.z);
            // Vertices of bone k move by m_Spin x v + m_Shift.
            m_Spin[k] = (parent >= 0 ? m_Spin[parent] : Vector3d()) + turn;
            m_Shift[k] =
                (parent >= 0 ? m_Shift[parent] : Vector3d()) - (turn ^ Vector3d(frames[k].m_Head));
            m_Margin[k] = (parent >= 0 ? m_Margin[parent] : 0.0) + 0.5 * sum * sum * m_Lever[k];
            const double moved =
                ((m_Spin[k] ^ Vector3d(frames[k].m_Centre)) + m_Shift[k]).Length() +
                m_Spin[k].Length() * m_Spheres[k].m_Radius;
            worst = std::max(worst, moved + m_Margin[k]);
            if (worst > limit)
                break;
        }
        return worst;
    }

    const Skeleton& m_Skeleton;
    const std::vector<double>& m_Lever;
    const std::vector<Sphere>& m_Spheres;
    const Samples& m_Samples;
    std::vector<bool> m_Kept;
    // Scratch: one error at a time.
    mutable std::vector<Vector3d> m_Spin, m_Shift;
    mutable std::vector<double> m_Margin;
    mutable Pose m_Curve;
};

// One thread's evaluation of the source and conversion of its poses.
struct Worker {
    SourcePose m_Pose;
    Skeleton::Conversion m_Conversion;
};

class Sampler {
public:
    Sampler(const aiAnimation& animation, Skeleton& skeleton, const SourcePose& pose,
            const std::vector<double>& lever, const std::vector<Sphere>& spheres)
        : m_Animation(animation), m_Skeleton(skeleton),
          m_Axes(turningAxes(skeleton)), m_Main{pose, {}}, m_Lever(lever), m_Spheres(spheres),
          m_PerSecond(ticksPerSecond(animation)) {}

    Curve curve(const Samples& samples) const {
        return Curve(m_Skeleton, m_Lever, m_Spheres, samples);
    }
    // What the poses sampled on this thread lost, into the skeleton's record.
    void recordLosses() { m_Skeleton.addLosses(m_Main.m_Conversion); }

    // The pose at ticks, its angles nearest to previous.
    Pose at(double ticks, const Pose& previous, Frames& frames, Worker& worker) const {
        worker.m_Pose.evaluate(&m_Animation, ticks);
        Pose angles;
        m_Skeleton.convert(worker.m_Pose, previous, angles, worker.m_Conversion);
        frames = framesOf(m_Skeleton, m_Axes, m_Spheres, angles, worker.m_Conversion.m_Skins);
        return angles;
    }

    // Each key follows the one before it, but a half-way pose only needs the
    // key that starts its segment: a second thread samples them a key behind.
    void sample(const std::vector<double>& ticks, Samples& samples) {
        const size_t n = ticks.size();
        samples.m_Times.resize(n);
        samples.m_Keys.resize(n);
        samples.m_KeyFrames.resize(n);
        samples.m_HalfWay.resize(n - 1);
        samples.m_HalfWayFrames.resize(n - 1);
        std::atomic<size_t> keysDone{0};
        Worker helper{m_Main.m_Pose, {}};
        std::thread halfWays([&] {
            for (size_t i = 0; i + 1 < n; ++i) {
                while (keysDone.load(std::memory_order_acquire) <= i)
                    std::this_thread::yield();
                const double middle = 0.5 * (ticks[i] / m_PerSecond + ticks[i + 1] / m_PerSecond);
                samples.m_HalfWay[i] =
                    at(middle * m_PerSecond, samples.m_Keys[i], samples.m_HalfWayFrames[i], helper);
            }
        });
        Pose previous(m_Skeleton.bones().size());
        for (size_t i = 0; i < n; ++i) {
            samples.m_Times[i] = ticks[i] / m_PerSecond;
            samples.m_Keys[i] = at(ticks[i], previous, samples.m_KeyFrames[i], m_Main);
            previous = samples.m_Keys[i];
            keysDone.store(i + 1, std::memory_order_release);
        }
        halfWays.join();
        m_Skeleton.addLosses(helper.m_Conversion);
    }

    // Half-way poses the curve misses become keys, a few rounds deep. A
    // segment is asked again only when its cubic changed: a new key within it
    // or in a neighbour.
    void refine(double bound, Samples& samples) {
        std::vector<bool> ask(samples.m_HalfWay.size(), true);
        for (int round = 0; round < 4; ++round) {
            std::vector<char> split(ask.size(), false);
            inTwoHalves(ask.size(), [&](size_t begin, size_t end) {
                const Curve estimate = curve(samples); // its scratch is its own
                for (size_t i = begin; i < end; ++i)
                    split[i] = ask[i] && !estimate.halfWayWithin(int(i), bound);
            });
            if (std::find(split.begin(), split.end(), true) == split.end())
                return;
            ask.clear();
            samples = splitAt(split, samples, ask);
        }
    }

private:
    // The segments marked split get their half-way pose as a key; ask tells
    // which segments of the result have a new cubic.
    Samples splitAt(const std::vector<char>& split, Samples& samples, std::vector<bool>& ask) {
        Samples refined;
        for (size_t i = 0; i < split.size(); ++i) {
            refined.addKey(samples.m_Times[i], std::move(samples.m_Keys[i]),
                           std::move(samples.m_KeyFrames[i]));
            if (!split[i]) {
                refined.addHalfWay(std::move(samples.m_HalfWay[i]),
                                   std::move(samples.m_HalfWayFrames[i]));
                ask.push_back((i > 0 && split[i - 1]) || (i + 1 < split.size() && split[i + 1]));
                continue;
            }
            const double start = samples.m_Times[i], end = samples.m_Times[i + 1];
            const double middle = 0.5 * (start + end);
            addHalfWay(start, middle, refined.m_Keys.back(), refined);
            refined.addKey(middle, std::move(samples.m_HalfWay[i]),
                           std::move(samples.m_HalfWayFrames[i]));
            addHalfWay(middle, end, refined.m_Keys.back(), refined);
            ask.insert(ask.end(), {true, true});
        }
        refined.addKey(samples.m_Times.back(), std::move(samples.m_Keys.back()),
                       std::move(samples.m_KeyFrames.back()));
        return refined;
    }

    void addHalfWay(double start, double end, const Pose& previous, Samples& samples) {
        Frames frames;
        Pose pose = at(0.5 * (start + end) * m_PerSecond, previous, frames, m_Main);
        samples.addHalfWay(std::move(pose), std::move(frames));
    }

    const aiAnimation& m_Animation;
    Skeleton& m_Skeleton;
    const std::vector<Matrix3d> m_Axes;
    Worker m_Main;
    const std::vector<double>& m_Lever;
    const std::vector<Sphere>& m_Spheres;
    double m_PerSecond;
};

// One pass over keys [first, last): each key goes if every key time and
// half-way point whose curve it shapes stays within the bounds.
std::vector<bool> thinRange(Curve curve, int first, int last, double keyBound,
                            double halfWayBound) {
    std::vector<bool>& kept = curve.kept();
    const int n = int(kept.size());
    for (int j = first; j < last; ++j) {
        kept[j] = false;
        // Key j itself fails most often: asked first, it spares the rest.
        kept[j] = !curve.keyWithin(j, keyBound);
        if (kept[j])
            continue;
        const int p = curve.previous(j), q = curve.next(j);
        const int from = p > 0 ? curve.previous(p) : p;
        const int to = q + 1 < n ? curve.next(q) : q;
        for (int i = from; i <= to && !kept[j]; ++i)
            kept[j] =
                !curve.keyWithin(i, keyBound) || (i < to && !curve.halfWayWithin(i, halfWayBound));
    }
    return kept;
}

// The halves thin at once. Three keys kept in the middle end every curve a
// key of one half shapes before it reaches the other half's keys.
std::vector<bool> thin(const Curve& estimate, double keyBound, double halfWayBound) {
    const int n = int(estimate.size());
    const int middle = n / 2;
    if (n < 16)
        return thinRange(estimate, 1, n - 1, keyBound, halfWayBound);
    std::vector<bool> firstHalf;
    std::thread first([&] { firstHalf = thinRange(estimate, 1, middle, keyBound, halfWayBound); });
    std::vector<bool> kept = thinRange(estimate, middle + 3, n - 1, keyBound, halfWayBound);
    first.join();
    std::copy(firstHalf.begin(), firstHalf.begin() + middle, kept.begin());
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
                                 const SourcePose& pose, const ImportedModel& model,
                                 bool keepAllKeys) {
    const aiAnimation& animation = *scene.mAnimations[index];
    const std::vector<double> ticks = mergedTicks(scene, animation, skeleton);
    const std::vector<double> lever = levers(skeleton, model);
    const std::vector<Sphere> around = spheres(skeleton, model);
    Sampler sampler(animation, skeleton, pose, lever, around);
    Samples samples;
    sampler.sample(ticks, samples);
    sampler.refine(HALF_WAY_BOUND * model.m_Diagonal, samples);
    sampler.recordLosses();
    std::vector<bool> kept(samples.m_Times.size(), true);
    if (!keepAllKeys)
        kept = thin(sampler.curve(samples), KEY_BOUND * model.m_Diagonal,
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
