#include "tools/assetgen/ants.h"

#include "tools/assetgen/ant_anatomy.h"
#include "tools/assetgen/title.h"

#include <cmath>
#include <functional>
#include <iterator>
#include <map>

namespace assetgen {

namespace {

const std::initializer_list<LegPair> ALL_LEGS = {LegPair::Front, LegPair::Middle, LegPair::Hind};
const char SIDES[] = {'R', 'L'};

Mat3 sided(const Mat3& rightRotation, char side) {
    return side == 'R' ? rightRotation : mirrored(rightRotation);
}

std::vector<std::string> legChain(LegPair pair, char side) {
    return {legBone(pair, "Coxa", side), legBone(pair, "Femur", side), legBone(pair, "Tibia", side),
            legBone(pair, "Tarsus", side)};
}

// Swings a leg forwards (positive) or backwards about its hip and lifts its
// foot off the ground; both in degrees.
void stepLeg(PoseBuilder& p, LegPair pair, char side, double swing, double lift) {
    const double reach = pair == LegPair::Middle ? 1.0 : 0.8;
    p.turn(legBone(pair, "Coxa", side), sided(yaw(swing * reach), side));
    p.turn(legBone(pair, "Femur", side), sided(roll(lift), side));
    p.turn(legBone(pair, "Tibia", side), sided(roll(-0.45 * lift), side));
}

// Pitches the thorax and undoes the turn for the planted legs, so that their
// feet stay roughly where they stood.
void tiltThorax(PoseBuilder& p, double degrees, std::initializer_list<LegPair> planted) {
    p.turn("Thorax", pitch(degrees));
    for (LegPair pair : planted)
        for (char side : SIDES)
            p.turn(legBone(pair, "Coxa", side), pitch(degrees).transposed());
}

// Raises or lowers the leg about its femur joint until the tip of the foot is
// on the ground again, whatever the body did above it.
void plantFoot(PoseBuilder& p, const Skeleton& s, LegPair pair, char side) {
    const std::string femur = legBone(pair, "Femur", side);
    const int tarsus = s.find(legBone(pair, "Tarsus", side));
    const auto footHeight = [&](double degrees) {
        PoseBuilder trial = p;
        trial.turn(femur, sided(roll(degrees), side));
        return s.carry(s.posed(trial.pose()), tarsus, s.bone(tarsus).tail).y;
    };
    double low = -50.0, high = 50.0;
    for (int i = 0; i < 40; ++i) {
        const double middle = 0.5 * (low + high);
        (footHeight(middle) > 0.0 ? high : low) = middle;
    }
    p.turn(femur, sided(roll(0.5 * (low + high)), side));
}

void plantFeet(PoseBuilder& p, const Skeleton& s, std::initializer_list<LegPair> pairs) {
    for (LegPair pair : pairs)
        for (char side : SIDES)
            plantFoot(p, s, pair, side);
}

const std::vector<std::string> BODY = {"Thorax", "Head", "Petiole", "Gaster"};
const std::vector<std::string> MOUTH = {"Head", "Mandible.R", "Mandible.L"};

// The largest share (0..1) of a change for which `clear` still holds, when it
// holds without the change; bisection over the share.
template <typename Clear>
double largestClearShare(Clear clear) {
    if (clear(1.0))
        return 1.0;
    double low = 0.0, high = 1.0;
    for (int i = 0; i < 40; ++i) {
        const double middle = 0.5 * (low + high);
        (clear(middle) ? low : high) = middle;
    }
    return low;
}

// Rolls the whole ant about the ground under its middle (negative degrees: the
// right side down) until its body rests on the ground, at most by `degrees`.
void layDown(PoseBuilder& p, const GroundContact& ground, double degrees) {
    const double share = largestClearShare([&](double t) {
        PoseBuilder trial = p;
        trial.turn("Root", roll(degrees * t));
        return ground.lowest(trial.pose(), BODY) >= 0.0;
    });
    p.turn("Root", roll(degrees * share));
}

// How deep a limb may reach into the ground: standing feet rest a little in it.
const double CLEARANCE = -0.015;

// Degrees by which limbs turn out of the ground, per bone.
using Clearances = std::map<std::string, double>;

// A limb that may have to turn out of the ground: `bone` turns, `part` must
// stay above the ground.
struct Limb {
    std::string bone;
    std::vector<std::string> part;
    std::function<Mat3(double degrees)> turn;
};

// Knees rise (the femur turns up towards the back); antennae fold down about
// their base.
std::vector<Limb> limbs() {
    std::vector<Limb> result;
    for (LegPair pair : ALL_LEGS)
        for (char side : SIDES) {
            const std::vector<std::string> leg = legChain(pair, side);
            result.push_back({leg[1], {leg.begin() + 1, leg.end()}, [side](double degrees) {
                                  return sided(roll(degrees), side);
                              }});
        }
    for (char side : SIDES)
        result.push_back({sideBone("Antenna", side),
                          {sideBone("Antenna", side), sideBone("Flagellum", side)},
                          [](double degrees) { return pitch(-degrees); }});
    return result;
}

// The least turn (0 to 150 degrees) of each limb that takes it out of the ground.
Clearances neededClearances(const PoseBuilder& p, const GroundContact& ground) {
    Clearances needed;
    for (const Limb& limb : limbs()) {
        for (double degrees = 0.0; degrees <= 150.0; degrees += 0.5) {
            PoseBuilder trial = p;
            trial.turn(limb.bone, limb.turn(degrees));
            if (ground.lowest(trial.pose(), limb.part) >= CLEARANCE) {
                needed[limb.bone] = degrees;
                break;
            }
        }
    }
    return needed;
}

void turnLimbs(PoseBuilder& p, const Clearances& clearances) {
    for (const Limb& limb : limbs()) {
        const auto found = clearances.find(limb.bone);
        if (found != clearances.end() && found->second > 0.0)
            p.turn(limb.bone, limb.turn(found->second));
    }
}

// Antennae: raise (pitch) and spread (outwards) in degrees, per side.
void feel(PoseBuilder& p, char side, double raise, double spread) {
    p.turn(sideBone("Antenna", side), sided(yaw(-spread) * pitch(raise), side));
}

void openMandibles(PoseBuilder& p, double degrees) {
    p.turnBoth("Mandible", yaw(-degrees));
}

// One quarter of the walk cycle. Phase 0: first tripod reaching forward,
// 1: mid-stance, 2: pushed back, 3: mid-swing in the air.
Pose walkPose(const Skeleton& s, int phase) {
    static const double SWING[] = {24.0, 0.0, -24.0, 0.0};
    static const double LIFT[] = {0.0, 0.0, 0.0, 30.0};
    PoseBuilder p(s);
    const double sway = phase == 1 ? 1.0 : (phase == 3 ? -1.0 : 0.0);
    p.turn("Root", roll(2.5 * sway));
    for (LegPair pair : ALL_LEGS) {
        for (char side : SIDES) {
            // The tripod of left front, right middle and left hind leads.
            const bool leads = (pair == LegPair::Middle) == (side == 'R');
            const int own = leads ? phase : (phase + 2) % 4;
            stepLeg(p, pair, side, SWING[own], LIFT[own]);
            if (own != 3)
                plantFoot(p, s, pair, side);
        }
    }
    p.turn("Gaster", yaw(-5.0 * sway) * pitch(phase % 2 == 0 ? 1.5 : -1.0));
    p.turn("Head", yaw(3.0 * sway) * pitch(phase % 2 == 0 ? -2.0 : 1.0));
    feel(p, 'R', 4.0 * sway, 3.0);
    feel(p, 'L', -4.0 * sway, 3.0);
    return p.pose();
}

// A loop of four poses, each held `duration` seconds.
std::vector<Keyframe> cycle(const Skeleton& s, double duration,
                            Pose (*poseAt)(const Skeleton&, int)) {
    std::vector<Keyframe> keys;
    for (int i = 0; i < 4; ++i)
        keys.push_back({duration, poseAt(s, i)});
    return keys;
}

Pose idlePose(const Skeleton& s, int beat) {
    static const double BREATH[] = {-1.5, 2.5, -1.0, 2.0};
    static const double LOOK[] = {0.0, 5.0, -1.0, -6.0};
    static const double RIGHT_FEEL[][2] = {{8, 4}, {-4, 8}, {3, -3}, {10, 6}};
    static const double LEFT_FEEL[][2] = {{0, 2}, {9, 6}, {-3, 9}, {4, -2}};
    PoseBuilder p(s);
    p.turn("Gaster", pitch(BREATH[beat]));
    tiltThorax(p, BREATH[beat] * 0.4, ALL_LEGS);
    plantFeet(p, s, ALL_LEGS);
    p.turn("Head", yaw(LOOK[beat]) * pitch(beat == 2 ? -4.0 : 1.0));
    feel(p, 'R', RIGHT_FEEL[beat][0], RIGHT_FEEL[beat][1]);
    feel(p, 'L', LEFT_FEEL[beat][0], LEFT_FEEL[beat][1]);
    openMandibles(p, beat % 2 == 1 ? 5.0 : 0.0);
    return p.pose();
}

const std::vector<std::string> THROWING_LEG = legChain(LegPair::Front, 'R');

// Raises the throwing leg: the upper leg along `upper`, the rest along `lower`.
void raiseThrowingLeg(PoseBuilder& p, const Vec3& upper, const Vec3& lower) {
    p.aim({THROWING_LEG[0]}, upper, 0.5);
    p.aim({THROWING_LEG[1]}, upper);
    p.aim({THROWING_LEG[2], THROWING_LEG[3]}, lower);
}

// The five legs that carry the ant while the right front leg throws.
void plantStandingLegs(PoseBuilder& p, const Skeleton& s) {
    plantFeet(p, s, {LegPair::Middle, LegPair::Hind});
    plantFoot(p, s, LegPair::Front, 'L');
}

std::vector<Keyframe> throwRock(const Skeleton& s) {
    PoseBuilder windUp(s);
    tiltThorax(windUp, 7.0, ALL_LEGS);
    windUp.turn("Head", pitch(8.0)).turn("Gaster", pitch(-4.0));
    stepLeg(windUp, LegPair::Middle, 'R', -12.0, 0.0);
    raiseThrowingLeg(windUp, Vec3(0.45, 0.85, 0.30), Vec3(0.25, 0.45, 0.85));
    plantStandingLegs(windUp, s);

    PoseBuilder whip(s);
    tiltThorax(whip, -3.0, ALL_LEGS);
    whip.turn("Head", pitch(-4.0));
    raiseThrowingLeg(whip, Vec3(0.40, 0.75, -0.55), Vec3(0.25, 0.50, -0.85));
    plantStandingLegs(whip, s);

    PoseBuilder release(s);
    tiltThorax(release, -6.0, ALL_LEGS);
    release.turn("Head", pitch(-6.0)).turn("Gaster", pitch(3.0));
    stepLeg(release, LegPair::Middle, 'R', 8.0, 0.0);
    raiseThrowingLeg(release, Vec3(0.50, 0.40, -1.0), Vec3(0.42, 0.30, -1.0));
    plantStandingLegs(release, s);
    openMandibles(release, 6.0);
    return {{0.12, Pose()}, {0.20, windUp.pose()}, {0.18, whip.pose()}, {0.2, release.pose()}};
}

// Folds every leg in towards the belly; share 0..1 of the full curl.
void curlLegs(PoseBuilder& p, double share) {
    const double CURL[] = {-25.0, -55.0, -75.0, -40.0}; // coxa to tarsus, degrees
    for (LegPair pair : ALL_LEGS)
        for (char side : SIDES) {
            const std::vector<std::string> leg = legChain(pair, side);
            for (int i = 0; i < 4; ++i)
                p.turn(leg[i], sided(roll(CURL[i] * share), side));
        }
}

// One moment of falling over to the right and onto the back. The root turns
// about the ground under the body and the thorax and abdomen roll on about the
// waist: the two together lay the back on the ground, which a turn about the
// waist alone would leave hanging in the air. Legs are kept out of the ground.
struct Collapse {
    double time;     // seconds into the death
    double rootRoll; // degrees, negative: the right side goes down; stops when the body rests
    double bodyRoll; // degrees, further, about the waist
    double curl;     // 0..1 of the legs folded in towards the belly
    double flail;    // -1..1 twitch of legs, head and antennae
};

// The ant jerks, folds its legs and flips over where it stands, then drops
// onto its back: rolling over one side on the ground would push the legs of
// that side through it.
const Collapse DEATH[] = {{0.0, 0.0, 0.0, 0.0, 0.0},        {0.12, 12.0, -8.0, 0.45, 0.8},
                          {0.28, 22.0, -35.0, 0.95, -0.3},  {0.45, 10.0, -120.0, 0.95, 0.2},
                          {0.65, -70.0, -170.0, 0.95, 0.0}, {1.0, -70.0, -170.0, 1.0, 0.0}};

// Eases from one moment of DEATH to the next.
Collapse collapseAt(double time) {
    std::size_t i = 1;
    while (i + 1 < std::size(DEATH) && DEATH[i].time < time)
        ++i;
    const Collapse &a = DEATH[i - 1], &b = DEATH[i];
    const double t = smoothstep(a.time, b.time, time);
    return {time, lerp(a.rootRoll, b.rootRoll, t), lerp(a.bodyRoll, b.bodyRoll, t),
            lerp(a.curl, b.curl, t), lerp(a.flail, b.flail, t)};
}

// The pose before any limb is turned out of the ground.
PoseBuilder dyingPose(const Skeleton& s, const GroundContact& ground, const Collapse& c) {
    PoseBuilder p(s);
    p.turn("Thorax", roll(c.bodyRoll));
    p.turn("Petiole", roll(c.bodyRoll));
    p.turn("Head", pitch(-25.0 * c.curl + 10.0 * c.flail) * yaw(10.0 * c.flail));
    p.turn("Gaster", pitch(25.0 * c.curl - 6.0 * c.flail));
    for (LegPair pair : ALL_LEGS)
        for (char side : SIDES)
            stepLeg(p, pair, side, c.flail * (side == 'R' ? 18.0 : -14.0), 12.0 * c.flail);
    curlLegs(p, c.curl);
    feel(p, 'R', -30.0 * c.curl + 15.0 * c.flail, -20.0 * c.curl);
    feel(p, 'L', -25.0 * c.curl - 10.0 * c.flail, -15.0 * c.curl);
    p.turnBoth("Flagellum", pitch(-35.0 * c.curl));
    openMandibles(p, 12.0 * c.curl);
    layDown(p, ground, c.rootRoll);
    return p;
}

// Sampled densely, so that the game's curve through the keyframes follows the
// motion. Each limb turns out of the ground by the most that it or its
// neighbouring samples need: a turn that came and went from one keyframe to the
// next would swing the limb through the ground in between.
std::vector<Keyframe> die(const Skeleton& s, const GroundContact& ground) {
    const double STEP = 0.05;
    const double end = DEATH[std::size(DEATH) - 1].time;
    std::vector<PoseBuilder> poses;
    std::vector<Clearances> needed;
    for (int i = 0; i * STEP <= end + 1e-9; ++i) {
        poses.push_back(dyingPose(s, ground, collapseAt(i * STEP)));
        needed.push_back(neededClearances(poses.back(), ground));
    }
    std::vector<Keyframe> keys;
    for (std::size_t i = 0; i < poses.size(); ++i) {
        Clearances most = needed[i];
        for (std::size_t j : {i - 1, i + 1})
            if (j < needed.size())
                for (const auto& [bone, degrees] : needed[j])
                    most[bone] = std::max(most[bone], degrees);
        turnLimbs(poses[i], most);
        keys.push_back({STEP, poses[i].pose()});
    }
    return keys;
}

// Rearing: thorax up, front legs lifted off the ground, head up.
Pose firePose(const Skeleton& s, double rear, double headPitch, double headYaw, double jaws) {
    PoseBuilder p(s);
    tiltThorax(p, 24.0 * rear, {LegPair::Middle, LegPair::Hind});
    for (char side : SIDES) {
        p.turn(legBone(LegPair::Front, "Coxa", side),
               sided(roll(20.0 * rear) * yaw(15.0 * rear), side));
        p.turn(legBone(LegPair::Front, "Tibia", side), sided(roll(-35.0 * rear), side));
    }
    plantFeet(p, s, {LegPair::Middle, LegPair::Hind});
    p.turn("Gaster", pitch(-10.0 * rear));
    p.turn("Head", yaw(headYaw) * pitch(headPitch));
    openMandibles(p, jaws);
    feel(p, 'R', 20.0 * rear, 25.0 * rear);
    feel(p, 'L', 20.0 * rear, 25.0 * rear);
    return p.pose();
}

std::vector<Keyframe> breatheFire(const Skeleton& s) {
    return {{0.25, Pose()},
            {0.30, firePose(s, 1.0, 22.0, 0.0, 10.0)},
            {0.25, firePose(s, 0.45, -14.0, 12.0, 28.0)},
            {0.35, firePose(s, 0.4, -12.0, -12.0, 30.0)},
            {0.35, firePose(s, 0.35, -10.0, 8.0, 26.0)},
            {0.30, firePose(s, 0.0, 0.0, 0.0, 0.0)}};
}

// The head bites down as far as `headPitch` asks, but stops short of the
// ground: the curve between keyframes swings it a little further.
Pose bitePose(const Skeleton& s, const GroundContact& ground, double lunge, double headPitch,
              double jaws, double shake) {
    PoseBuilder p(s);
    tiltThorax(p, -14.0 * lunge, ALL_LEGS);
    stepLeg(p, LegPair::Front, 'R', 15.0 * lunge, 0.0);
    stepLeg(p, LegPair::Front, 'L', 15.0 * lunge, 0.0);
    plantFeet(p, s, ALL_LEGS);
    openMandibles(p, jaws);
    const double share = largestClearShare([&](double t) {
        PoseBuilder trial = p;
        trial.turn("Head", yaw(shake) * pitch(headPitch * t));
        return ground.lowest(trial.pose(), MOUTH) >= 0.05;
    });
    p.turn("Head", yaw(shake) * pitch(headPitch * share));
    p.turn("Gaster", pitch(6.0 * lunge));
    return p.pose();
}

std::vector<Keyframe> zombieEat(const Skeleton& s, const GroundContact& ground) {
    return {{0.15, Pose()},
            {0.25, bitePose(s, ground, -0.4, 22.0, 32.0, 0.0)},
            {0.20, bitePose(s, ground, 1.0, -32.0, -8.0, 0.0)},
            {0.20, bitePose(s, ground, 0.8, -24.0, 14.0, 10.0)},
            {0.20, bitePose(s, ground, 1.0, -34.0, -8.0, -8.0)},
            {0.20, bitePose(s, ground, 0.3, -8.0, 4.0, 0.0)}};
}

// How the title screen's ant points at a menu line: the screen point, how far
// the thorax rears (degrees) and where the head and antennae turn (degrees,
// relative to the thorax; positive is up).
struct Pointing {
    Vec2 target;
    double rear;
    double headPitch;
    double antennaRaise;
};

// Rears up on the hind legs and straightens the throwing leg from its coxa
// joint towards a point of the title screen; with the thorax raised the head
// sits above that line. The aim point is taken on the sight line nearer the
// camera than the ant, so the leg reaches out on the camera's side. The ant
// rears higher and looks up for the upper line, and leans in and looks down
// for the lower one, so that the two poses differ at a glance.
Pose pointingPose(const Skeleton& s, const Pointing& pointing) {
    const Vec3 target = title::antMeshPoint(title::worldAt(pointing.target, -0.8));
    PoseBuilder p(s);
    tiltThorax(p, pointing.rear, {LegPair::Middle, LegPair::Hind});
    p.turn("Gaster", pitch(-0.3 * pointing.rear));
    p.turn("Head", pitch(pointing.headPitch));
    const int femur = s.find(THROWING_LEG[1]);
    p.aim({THROWING_LEG[0]}, target - s.posed(p.pose()).heads[femur], 0.6);
    p.aim({THROWING_LEG[1], THROWING_LEG[2], THROWING_LEG[3]},
          target - s.posed(p.pose()).heads[femur]);
    stepLeg(p, LegPair::Front, 'L', -15.0, 25.0);
    stepLeg(p, LegPair::Middle, 'R', 10.0, 0.0);
    stepLeg(p, LegPair::Middle, 'L', 10.0, 0.0);
    plantFeet(p, s, {LegPair::Middle, LegPair::Hind});
    feel(p, 'R', pointing.antennaRaise, 30.0);
    feel(p, 'L', pointing.antennaRaise - 5.0, 25.0);
    return p.pose();
}

std::vector<Keyframe> pointAt(const Skeleton& s, const Pointing& pointing) {
    const Pose aim = pointingPose(s, pointing);
    return {{0.15, aim}, {0.35, aim}, {0.5, aim}};
}

// The sampler finds the neighbours of a non-looping animation's ends by
// wrapping round, so its last played segment bends towards the first pose. Two
// brief keyframes in front, the last pose and then the first, let it settle
// into its last pose instead, and leave the wrap to a few milliseconds that the
// blend-in hides.
std::vector<Keyframe> playedOnce(std::vector<Keyframe> keys) {
    const double BRIEF = 0.002;
    const Keyframe last{BRIEF, keys.back().pose}, first{BRIEF, keys.front().pose};
    keys.insert(keys.begin(), {last, first});
    return keys;
}

} // namespace

std::vector<TextFile> antAnimations() {
    const Skeleton s = antSkeleton();
    const MeshBuilder soldier = buildAntMesh(AntStyle());
    const GroundContact ground(s, soldier);
    return {
        {"antwalk.ksta", animationText(s, cycle(s, 0.1, walkPose))},
        {"antidle.ksta", animationText(s, cycle(s, 0.6, idlePose))},
        {"antthrow.ksta", animationText(s, playedOnce(throwRock(s)))},
        {"antdie.ksta", animationText(s, playedOnce(die(s, ground)))},
        {"antfire.ksta", animationText(s, playedOnce(breatheFire(s)))},
        {"zombieanteat.ksta", animationText(s, playedOnce(zombieEat(s, ground)))},
        {"antpointup.ksta",
         animationText(s, playedOnce(pointAt(s, {title::ONE_PLAYER_TARGET, 50.0, -12.0, 30.0})))},
        {"antpointdown.ksta",
         animationText(s, playedOnce(pointAt(s, {title::EXIT_TARGET, 28.0, -38.0, 0.0})))}};
}

} // namespace assetgen
