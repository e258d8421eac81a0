#include "tools/assetgen/title.h"

#include "app/title_layout.h"

#include <cmath>

namespace assetgen::title {

namespace {

Vec3 fromGame(const Kestrel::Vector3& v) {
    return {v.x, v.y, v.z};
}

const Vec3 EYE = fromGame(TITLE_CAMERA_EYE);
const Vec3 ANT_POSITION = fromGame(TITLE_ANT_POSITION);

// The camera looks at the origin with heading 0, along +z, so the screen's
// right is world -x.
const Vec3 FORWARD = (Vec3(0, 0, 0) - EYE).normalized();
const Vec3 RIGHT(-1, 0, 0);
const Vec3 UP = cross(RIGHT, FORWARD);
const double HALF_FIELD_TANGENT = std::tan(radians(22.5));

} // namespace

Vec3 worldAt(const Vec2& screen, double planeZ) {
    const double t = HALF_FIELD_TANGENT;
    const Vec3 ray =
        FORWARD + RIGHT * ((screen.x * 2.0 - 1.0) * t) + UP * ((screen.y * 2.0 - 1.0) * t);
    return EYE + ray * ((planeZ - EYE.z) / ray.z);
}

Vec3 antMeshPoint(const Vec3& world) {
    const Mat3 heading = Mat3::rotationY(radians(TITLE_ANT_HEADING));
    return heading.transposed() * (world - ANT_POSITION);
}

Vec2 screenOf(const Vec3& world) {
    const Vec3 d = world - EYE;
    const double depth = dot(d, FORWARD) * HALF_FIELD_TANGENT;
    return {(dot(d, RIGHT) / depth + 1.0) * 0.5, (dot(d, UP) / depth + 1.0) * 0.5};
}

} // namespace assetgen::title
