// Double-precision vectors and 3x3 rotation matrices for building assets.
// Rotations follow the right-hand rule: a positive angle (radians) turns
// counter-clockwise when seen from the tip of the axis. Axis conventions of the
// game's meshes (y up, front -z) are described in docs/architecture.md.
#pragma once

#include <algorithm>
#include <cmath>

namespace assetgen {

constexpr double PI = 3.14159265358979323846;

inline double radians(double degrees) {
    return degrees * PI / 180.0;
}

struct Vec2 {
    double x = 0.0;
    double y = 0.0;

    Vec2() = default;
    Vec2(double x, double y) : x(x), y(y) {}
    Vec2 operator+(const Vec2& o) const { return {x + o.x, y + o.y}; }
    Vec2 operator-(const Vec2& o) const { return {x - o.x, y - o.y}; }
    Vec2 operator*(double s) const { return {x * s, y * s}; }
    double length() const { return std::sqrt(x * x + y * y); }
};

inline double dot(const Vec2& a, const Vec2& b) {
    return a.x * b.x + a.y * b.y;
}

// Where along the segment from a to b (0..1) the point nearest p lies.
inline double nearestShare(const Vec2& a, const Vec2& b, const Vec2& p) {
    const Vec2 ab = b - a;
    const double len2 = dot(ab, ab);
    return len2 > 0.0 ? std::clamp(dot(p - a, ab) / len2, 0.0, 1.0) : 0.0;
}

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    Vec3() = default;
    Vec3(double x, double y, double z) : x(x), y(y), z(z) {}
    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    Vec3 operator/(double s) const { return {x / s, y / s, z / s}; }
    Vec3& operator+=(const Vec3& o) { return *this = *this + o; }
    bool operator==(const Vec3& o) const { return x == o.x && y == o.y && z == o.z; }
    double length() const { return std::sqrt(x * x + y * y + z * z); }
    Vec3 normalized() const { return *this / length(); }
};

inline double dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline Vec3 lerp(const Vec3& a, const Vec3& b, double t) {
    return a + (b - a) * t;
}

inline double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

inline double smoothstep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Row-major 3x3 matrix acting on column vectors.
struct Mat3 {
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    static Mat3 fromColumns(const Vec3& a, const Vec3& b, const Vec3& c) {
        Mat3 r;
        const Vec3 cols[3] = {a, b, c};
        for (int i = 0; i < 3; ++i) {
            r.m[0][i] = cols[i].x;
            r.m[1][i] = cols[i].y;
            r.m[2][i] = cols[i].z;
        }
        return r;
    }

    // Rodrigues' formula; axis must be of unit length.
    static Mat3 rotation(const Vec3& axis, double angle) {
        const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
        const double x = axis.x, y = axis.y, z = axis.z;
        Mat3 r;
        r.m[0][0] = t * x * x + c;
        r.m[0][1] = t * x * y - s * z;
        r.m[0][2] = t * x * z + s * y;
        r.m[1][0] = t * x * y + s * z;
        r.m[1][1] = t * y * y + c;
        r.m[1][2] = t * y * z - s * x;
        r.m[2][0] = t * x * z - s * y;
        r.m[2][1] = t * y * z + s * x;
        r.m[2][2] = t * z * z + c;
        return r;
    }
    static Mat3 rotationX(double angle) { return rotation({1, 0, 0}, angle); }
    static Mat3 rotationY(double angle) { return rotation({0, 1, 0}, angle); }
    static Mat3 rotationZ(double angle) { return rotation({0, 0, 1}, angle); }

    Mat3 operator*(const Mat3& o) const {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                r.m[i][j] = m[i][0] * o.m[0][j] + m[i][1] * o.m[1][j] + m[i][2] * o.m[2][j];
        return r;
    }

    Vec3 operator*(const Vec3& v) const {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
                m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }

    Mat3 transposed() const {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                r.m[i][j] = m[j][i];
        return r;
    }
};

} // namespace assetgen
