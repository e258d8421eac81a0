#include "tools/assetgen/title_screen.h"

#include "app/title_layout.h"

#include <cmath>

namespace assetgen::title {

// Inside the first letters of each menu line (title_layout.h), at mid-letter
// height.
const Vec2 ONE_PLAYER_TARGET{0.68, 0.43};
const Vec2 EXIT_TARGET{0.65, 0.32};

namespace {

Vec3 fromGame(const Kestrel::Vector3& v) {
    return {v.x, v.y, v.z};
}

const Vec3 EYE = fromGame(TITLE_CAMERA_EYE);
const Vec3 ANT_POSITION = fromGame(TITLE_ANT_POSITION);

struct CameraFrame {
    Vec3 forward, right, up;
};

// Heading 0 looks along +z, so the screen's right is world -x.
CameraFrame cameraFrame() {
    CameraFrame f;
    f.forward = (Vec3(0, 0, 0) - EYE).normalized();
    f.right = Vec3(-1, 0, 0);
    f.up = cross(f.right, f.forward);
    return f;
}

double halfFieldTangent() {
    return std::tan(radians(22.5));
}

} // namespace

Vec3 worldAt(const Vec2& screen, double planeZ) {
    const CameraFrame f = cameraFrame();
    const double t = halfFieldTangent();
    const Vec3 ray =
        f.forward + f.right * ((screen.x * 2.0 - 1.0) * t) + f.up * ((screen.y * 2.0 - 1.0) * t);
    return EYE + ray * ((planeZ - EYE.z) / ray.z);
}

Vec3 antMeshPoint(const Vec3& world) {
    const Mat3 heading = Mat3::rotationY(radians(TITLE_ANT_HEADING));
    return heading.transposed() * (world - ANT_POSITION);
}

Vec2 screenOf(const Vec3& world) {
    const CameraFrame f = cameraFrame();
    const Vec3 d = world - EYE;
    const double depth = dot(d, f.forward), t = halfFieldTangent();
    return {(dot(d, f.right) / (depth * t) + 1.0) * 0.5, (dot(d, f.up) / (depth * t) + 1.0) * 0.5};
}

} // namespace assetgen::title
