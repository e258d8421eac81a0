// Single-precision value types: two-, three- and four-component vectors and a
// 4x4 matrix stored row by row for column vectors (p' = M * p). a * b is the
// transform that applies a first, then b. Angles given to the rotation factories
// are radians; each turns a column vector by -angle about its axis.
#pragma once

#include "engine/kestrel_math.h"

#include <cmath>

namespace Kestrel {

struct Vector2 {
    float u = 0.0f;
    float v = 0.0f;

    Vector2() = default;
    Vector2(float u, float v) : u(u), v(v) {}
    bool operator==(const Vector2& o) const { return u == o.u && v == o.v; }
    bool operator!=(const Vector2& o) const { return !(*this == o); }
};

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3() = default;
    Vector3(float x, float y, float z) : x(x), y(y), z(z) {}

    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    Vector3 operator+(const Vector3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vector3 operator-(const Vector3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vector3 operator-() const { return {-x, -y, -z}; }
    Vector3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Vector3 operator/(float s) const { return {x / s, y / s, z / s}; }
    Vector3& operator+=(const Vector3& o) { return *this = *this + o; }
    Vector3& operator-=(const Vector3& o) { return *this = *this - o; }
    Vector3& operator*=(float s) { return *this = *this * s; }
    bool operator==(const Vector3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vector3& o) const { return !(*this == o); }

    float lengthSquared() const { return x * x + y * y + z * z; }
    float length() const { return std::sqrt(lengthSquared()); }
    // No guard for the zero vector: callers make sure the length is not zero.
    Vector3 normalized() const { return normalized(1.0f); }
    Vector3 normalized(float len) const {
        const float k = len / std::sqrt(lengthSquared());
        return {x * k, y * k, z * k};
    }
};

inline Vector3 operator*(float s, const Vector3& v) {
    return v * s;
}

inline float dot(const Vector3& a, const Vector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline Vector3 cross(const Vector3& a, const Vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float distance(const Vector3& a, const Vector3& b) {
    return (b - a).length();
}
inline float distanceSquared(const Vector3& a, const Vector3& b) {
    return (a - b).lengthSquared();
}

inline Vector3 lerp(const Vector3& a, const Vector3& b, float t) {
    return {a.x * (1.0f - t) + b.x * t, a.y * (1.0f - t) + b.y * t, a.z * (1.0f - t) + b.z * t};
}

inline Vector3 interpolateCubic(const Vector3& p1, const Vector3& p2, const Vector3& p0,
                                const Vector3& p3, float t) {
    KESTREL_ASSERT(t >= 0 && t <= 1);
    return {interpolateCubic(p1.x, p2.x, p0.x, p3.x, t),
            interpolateCubic(p1.y, p2.y, p0.y, p3.y, t),
            interpolateCubic(p1.z, p2.z, p0.z, p3.z, t)};
}

struct Vector4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    Vector4() = default;
    Vector4(float x, float y, float z, float w) : x(x), y(y), z(z), w(w) {}
    bool operator==(const Vector4& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
};

struct Matrix4 {
    // Element (row r, column c) at m[4 * r + c]; the translation sits in m[3], m[7], m[11].
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }

    static Matrix4 identity() { return Matrix4(); }

    static Matrix4 translation(const Vector3& v) {
        Matrix4 r;
        r.m[3] = v.x;
        r.m[7] = v.y;
        r.m[11] = v.z;
        return r;
    }

    static Matrix4 scaling(const Vector3& v) {
        Matrix4 r;
        r.m[0] = v.x;
        r.m[5] = v.y;
        r.m[10] = v.z;
        return r;
    }

    // The screen overlay: maps the unit square 0..1 (y up) onto the viewport and
    // flattens z.
    static Matrix4 screenOverlay() {
        Matrix4 r;
        r.m[0] = r.m[5] = 2.0f;
        r.m[3] = r.m[7] = -1.0f;
        r.m[10] = 0.0f;
        return r;
    }

    static Matrix4 rotationX(float angle) {
        const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
        const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
        Matrix4 r;
        r.m[5] = c;
        r.m[6] = s;
        r.m[9] = -s;
        r.m[10] = c;
        return r;
    }

    static Matrix4 rotationY(float angle) {
        const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
        const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
        Matrix4 r;
        r.m[0] = c;
        r.m[2] = -s;
        r.m[8] = s;
        r.m[10] = c;
        return r;
    }

    static Matrix4 rotationZ(float angle) {
        const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
        const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
        Matrix4 r;
        r.m[0] = c;
        r.m[1] = s;
        r.m[4] = -s;
        r.m[5] = c;
        return r;
    }

    // axis must be of unit length.
    static Matrix4 rotationAxis(const Vector3& axis, float angle) {
        const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
        const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
        const float t = 1.0f - c;
        const float x = axis.x, y = axis.y, z = axis.z;
        Matrix4 r;
        r.m[0] = x * x * t + c;
        r.m[1] = x * y * t + z * s;
        r.m[2] = x * z * t - y * s;
        r.m[4] = x * y * t - z * s;
        r.m[5] = y * y * t + c;
        r.m[6] = y * z * t + x * s;
        r.m[8] = x * z * t + y * s;
        r.m[9] = y * z * t - x * s;
        r.m[10] = z * z * t + c;
        return r;
    }

    // Applies *this first, then b: the standard product B * A.
    Matrix4 operator*(const Matrix4& b) const {
        Matrix4 r;
        for (int row = 0; row < 4; ++row) {
            for (int col = 0; col < 4; ++col) {
                r.m[4 * row + col] = b.m[4 * row + 0] * m[col] + b.m[4 * row + 1] * m[4 + col] +
                                     b.m[4 * row + 2] * m[8 + col] + b.m[4 * row + 3] * m[12 + col];
            }
        }
        return r;
    }
    Matrix4& operator*=(const Matrix4& b) { return *this = *this * b; }

    Vector3 transformPoint(const Vector3& p) const {
        return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3],
                m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
    }

    Vector3 transformDirection(const Vector3& v) const {
        return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[4] * v.x + m[5] * v.y + m[6] * v.z,
                m[8] * v.x + m[9] * v.y + m[10] * v.z};
    }

    Vector3 getTranslation() const { return {m[3], m[7], m[11]}; }
};

} // namespace Kestrel
