#include "tools/assetgen/ant_animations.h"

#include "tools/assetgen/animation_writer.h"
#include "tools/assetgen/ant_anatomy.h"
#include "tools/assetgen/pose_builder.h"
#include "tools/assetgen/title_screen.h"

namespace assetgen {

namespace {

const LegPair PAIRS[] = {LegPair::Front, LegPair::Middle, LegPair::Hind};
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

// Undoes a turn of the thorax for the given legs, so that their feet stay
// roughly where they stood.
void keepLegs(PoseBuilder& p, const Mat3& thoraxTurn, std::initializer_list<LegPair> pairs) {
    for (LegPair pair : pairs)
        for (char side : SIDES)
            p.turn(legBone(pair, "Coxa", side), thoraxTurn.transposed());
}

void tiltThorax(PoseBuilder& p, double degrees, std::initializer_list<LegPair> planted) {
    p.turn("Thorax", pitch(degrees));
    keepLegs(p, pitch(degrees), planted);
}

// Antennae: raise (pitch) and spread (outwards) in degrees, per side.
void feel(PoseBuilder& p, char side, double raise, double spread) {
    p.turn("Antenna." + std::string(1, side), sided(yaw(-spread) * pitch(raise), side));
}

void openMandibles(PoseBuilder& p, double degrees) {
    p.turnBoth("Mandible", yaw(-degrees));
}

// The tripod that lifts first: left front, right middle, left hind.
bool firstTripod(LegPair pair, char side) {
    return (pair == LegPair::Middle) == (side == 'R');
}

// One quarter of the walk cycle. Phase 0: first tripod reaching forward,
// 1: mid-stance, 2: pushed back, 3: mid-swing in the air.
Pose walkPose(const Skeleton& s, int phase) {
    static const double SWING[] = {24.0, 0.0, -24.0, 0.0};
    static const double LIFT[] = {0.0, -2.0, 0.0, 30.0};
    PoseBuilder p(s);
    for (LegPair pair : PAIRS) {
        for (char side : SIDES) {
            const int own = firstTripod(pair, side) ? phase : (phase + 2) % 4;
            stepLeg(p, pair, side, SWING[own], LIFT[own]);
        }
    }
    const double sway = phase == 1 ? 1.0 : (phase == 3 ? -1.0 : 0.0);
    p.turn("Root", roll(2.5 * sway));
    p.turn("Gaster", yaw(-5.0 * sway) * pitch(phase % 2 == 0 ? 1.5 : -1.0));
    p.turn("Head", yaw(3.0 * sway) * pitch(phase % 2 == 0 ? -2.0 : 1.0));
    feel(p, 'R', 4.0 * sway, 3.0);
    feel(p, 'L', -4.0 * sway, 3.0);
    return p.pose();
}

std::vector<Keyframe> walk(const Skeleton& s) {
    std::vector<Keyframe> keys;
    for (int phase = 0; phase < 4; ++phase)
        keys.push_back({0.1, walkPose(s, phase)});
    return keys;
}

Pose idlePose(const Skeleton& s, int beat) {
    static const double BREATH[] = {-1.5, 2.5, -1.0, 2.0};
    static const double LOOK[] = {0.0, 5.0, -1.0, -6.0};
    static const double RIGHT_FEEL[][2] = {{8, 4}, {-4, 8}, {3, -3}, {10, 6}};
    static const double LEFT_FEEL[][2] = {{0, 2}, {9, 6}, {-3, 9}, {4, -2}};
    PoseBuilder p(s);
    p.turn("Gaster", pitch(BREATH[beat]));
    tiltThorax(p, BREATH[beat] * 0.4, {LegPair::Front, LegPair::Middle, LegPair::Hind});
    p.turn("Head", yaw(LOOK[beat]) * pitch(beat == 2 ? -4.0 : 1.0));
    feel(p, 'R', RIGHT_FEEL[beat][0], RIGHT_FEEL[beat][1]);
    feel(p, 'L', LEFT_FEEL[beat][0], LEFT_FEEL[beat][1]);
    openMandibles(p, beat % 2 == 1 ? 5.0 : 0.0);
    return p.pose();
}

std::vector<Keyframe> idle(const Skeleton& s) {
    std::vector<Keyframe> keys;
    for (int beat = 0; beat < 4; ++beat)
        keys.push_back({0.6, idlePose(s, beat)});
    return keys;
}

const std::vector<std::string> THROWING_LEG = legChain(LegPair::Front, 'R');

// Raises the throwing leg: the upper leg along `upper`, the rest along `lower`.
void raiseThrowingLeg(PoseBuilder& p, const Vec3& upper, const Vec3& lower) {
    p.aim({THROWING_LEG[0]}, upper, 0.5);
    p.aim({THROWING_LEG[1]}, upper);
    p.aim({THROWING_LEG[2], THROWING_LEG[3]}, lower);
}

std::vector<Keyframe> throwRock(const Skeleton& s) {
    PoseBuilder windUp(s);
    tiltThorax(windUp, 7.0, {LegPair::Middle, LegPair::Hind});
    windUp.turn("Head", pitch(8.0)).turn("Gaster", pitch(-4.0));
    stepLeg(windUp, LegPair::Middle, 'R', -12.0, 0.0);
    raiseThrowingLeg(windUp, Vec3(0.45, 0.85, 0.30), Vec3(0.25, 0.45, 0.85));

    PoseBuilder whip(s);
    tiltThorax(whip, -3.0, {LegPair::Middle, LegPair::Hind});
    whip.turn("Head", pitch(-4.0));
    raiseThrowingLeg(whip, Vec3(0.40, 0.75, -0.55), Vec3(0.25, 0.50, -0.85));

    PoseBuilder release(s);
    tiltThorax(release, -6.0, {LegPair::Middle, LegPair::Hind, LegPair::Front});
    release.turn("Head", pitch(-6.0)).turn("Gaster", pitch(3.0));
    stepLeg(release, LegPair::Middle, 'R', 8.0, 0.0);
    raiseThrowingLeg(release, Vec3(0.50, 0.40, -1.0), Vec3(0.42, 0.30, -1.0));
    openMandibles(release, 6.0);
    return {{0.12, Pose()}, {0.20, windUp.pose()}, {0.18, whip.pose()}, {0.2, release.pose()}};
}

// Folds every leg in towards the belly; share 0..1 of the full curl.
void curlLegs(PoseBuilder& p, double share) {
    for (LegPair pair : PAIRS) {
        for (char side : SIDES) {
            p.turn(legBone(pair, "Coxa", side), sided(roll(-25.0 * share), side));
            p.turn(legBone(pair, "Femur", side), sided(roll(-55.0 * share), side));
            p.turn(legBone(pair, "Tibia", side), sided(roll(-75.0 * share), side));
            p.turn(legBone(pair, "Tarsus", side), sided(roll(-40.0 * share), side));
        }
    }
}

Pose dyingPose(const Skeleton& s, double fall, double curl, double flail) {
    PoseBuilder p(s);
    p.turn("Root", roll(-25.0 * fall));
    p.turn("Thorax", roll(-140.0 * fall) * pitch(-4.0 * fall));
    p.turn("Petiole", roll(-140.0 * fall));
    p.turn("Head", pitch(-25.0 * curl) * yaw(10.0 * flail));
    p.turn("Gaster", pitch(-12.0 * curl));
    for (LegPair pair : PAIRS)
        for (char side : SIDES)
            stepLeg(p, pair, side, flail * (side == 'R' ? 18.0 : -14.0), 20.0 * flail);
    curlLegs(p, curl);
    feel(p, 'R', -30.0 * curl + 15.0 * flail, -20.0 * curl);
    feel(p, 'L', -25.0 * curl - 10.0 * flail, -15.0 * curl);
    p.turnBoth("Flagellum", pitch(-35.0 * curl));
    openMandibles(p, 12.0 * curl);
    return p.pose();
}

std::vector<Keyframe> die(const Skeleton& s) {
    return {{0.15, Pose()},
            {0.25, dyingPose(s, 0.12, 0.0, 1.0)},
            {0.30, dyingPose(s, 0.55, 0.6, -0.3)},
            {0.30, dyingPose(s, 1.0, 0.85, 0.2)},
            {0.30, dyingPose(s, 1.0, 1.0, 0.0)}};
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

Pose bitePose(const Skeleton& s, double lunge, double headPitch, double jaws, double shake) {
    PoseBuilder p(s);
    tiltThorax(p, -14.0 * lunge, {LegPair::Middle, LegPair::Hind});
    stepLeg(p, LegPair::Front, 'R', 15.0 * lunge, 10.0 * lunge);
    stepLeg(p, LegPair::Front, 'L', 15.0 * lunge, 10.0 * lunge);
    p.turn("Head", yaw(shake) * pitch(headPitch));
    p.turn("Gaster", pitch(6.0 * lunge));
    openMandibles(p, jaws);
    return p.pose();
}

std::vector<Keyframe> zombieEat(const Skeleton& s) {
    return {{0.15, Pose()},
            {0.25, bitePose(s, -0.4, 22.0, 32.0, 0.0)},
            {0.20, bitePose(s, 1.0, -32.0, -8.0, 0.0)},
            {0.20, bitePose(s, 0.8, -24.0, 14.0, 10.0)},
            {0.20, bitePose(s, 1.0, -34.0, -8.0, -8.0)},
            {0.20, bitePose(s, 0.3, -8.0, 4.0, 0.0)}};
}

// Rears up high on the hind legs and straightens the throwing leg from its
// coxa joint towards a point of the title screen; with the thorax raised the
// head sits above that line. The aim point is taken on the sight line nearer
// the camera than the ant, so the leg reaches out on the camera's side.
Pose pointingPose(const Skeleton& s, const Vec2& screenTarget, double rear) {
    const Vec3 target = title::antMeshPoint(title::worldAt(screenTarget, -0.8));
    PoseBuilder p(s);
    tiltThorax(p, rear, {LegPair::Middle, LegPair::Hind});
    p.turn("Gaster", pitch(-0.3 * rear));
    p.turn("Head", pitch(-0.6 * rear));
    const int femur = s.find(THROWING_LEG[1]);
    p.aim({THROWING_LEG[0]}, target - s.posed(p.pose()).heads[femur], 0.6);
    p.aim({THROWING_LEG[1], THROWING_LEG[2], THROWING_LEG[3]},
          target - s.posed(p.pose()).heads[femur]);
    stepLeg(p, LegPair::Front, 'L', -15.0, 25.0);
    stepLeg(p, LegPair::Middle, 'R', 10.0, 0.0);
    stepLeg(p, LegPair::Middle, 'L', 10.0, 0.0);
    feel(p, 'R', 20.0, 30.0);
    feel(p, 'L', 15.0, 25.0);
    return p.pose();
}

std::vector<Keyframe> pointAt(const Skeleton& s, const Vec2& screenTarget, double rear) {
    const Pose aim = pointingPose(s, screenTarget, rear);
    return {{0.15, aim}, {0.35, aim}, {0.5, aim}};
}

} // namespace

std::vector<TextFile> antAnimations() {
    const Skeleton s = antSkeleton();
    return {{"antwalk.ksta", animationText(s, walk(s))},
            {"antidle.ksta", animationText(s, idle(s))},
            {"antthrow.ksta", animationText(s, throwRock(s))},
            {"antdie.ksta", animationText(s, die(s))},
            {"antfire.ksta", animationText(s, breatheFire(s))},
            {"zombieanteat.ksta", animationText(s, zombieEat(s))},
            {"antpointup.ksta", animationText(s, pointAt(s, title::ONE_PLAYER_TARGET, 45.0))},
            {"antpointdown.ksta", animationText(s, pointAt(s, title::EXIT_TARGET, 40.0))}};
}

} // namespace assetgen
