// One joint of a skeleton. Position is the head relative to the parent bone's
// head in rest-pose mesh space; the pose is three angles in radians about the
// bone's own axes (derived from its tail). Computes a world matrix (for
// attachments) and a skin matrix (rest-pose mesh space to posed mesh space).
// A bone owns its children like any transformable.
#pragma once

#include "engine/transformable.h"

#include <string>

namespace Kestrel {

class Bone : public Transformable {
public:
    explicit Bone(const std::string& name);
    // Deep copy of the skeleton subtree below source (bone children only); the
    // copy first hangs under source's parent.
    Bone(const Bone& source);
    ~Bone() override = default;

    void update(float dt) override;
    bool isBone() const override { return true; }

    const std::string& getName() const { return m_Name; }
    void setName(const std::string& name) { m_Name = name; }
    Vector3 getTail() const { return m_Tail; }
    void setTail(const Vector3& tail);
    const Vector3& getXAxis() const { return m_XAxis; }
    const Vector3& getYAxis() const { return m_YAxis; }
    const Vector3& getZAxis() const { return m_ZAxis; }
    const Matrix4& getSkinMatrix() const { return m_SkinMatrix; }

    Vector3 skinPoint(const Vector3& p) const { return m_SkinMatrix.transformPoint(p); }
    Vector3 skinDirection(const Vector3& v) const { return m_SkinMatrix.transformDirection(v); }

    Bone* findChild(const std::string& name) const;
    Bone* findBone(const std::string& name) const;

private:
    // Copies source's bone subtree and hangs the copy under parent.
    Bone(const Bone& source, Transformable* parent);
    void updateAxes();
    // Sum of the heads along the chain: the head in rest-pose mesh space.
    Vector3 getRestHead() const;

    std::string m_Name;
    Matrix4 m_SkinMatrix;
    Vector3 m_XAxis;
    Vector3 m_YAxis;
    Vector3 m_ZAxis;
    Vector3 m_Tail;
};

} // namespace Kestrel
