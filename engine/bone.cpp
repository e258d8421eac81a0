#include "engine/bone.h"

#include "engine/assert.h"

namespace Kestrel {

Bone::Bone(const std::string& name) : m_Name(name) {}

Bone::Bone(const Bone& source) : Bone(source, source.getParent()) {}

// Each copy joins its final parent at once, so the source's child list is never
// touched while it is being walked.
Bone::Bone(const Bone& source, Transformable* parent)
    : m_Name(source.m_Name), m_SkinMatrix(source.m_SkinMatrix) {
    m_Position = source.m_Position;
    m_Rotation = source.m_Rotation;
    m_Scale = source.m_Scale;
    setParent(parent);
    m_Tail = source.m_Tail;
    updateAxes();
    for (unsigned i = 0; i < source.getChildCount(); ++i) {
        Transformable* child = source.getChild(i);
        if (child->isBone())
            new Bone(*static_cast<Bone*>(child), this);
    }
}

void Bone::setTail(const Vector3& tail) {
    m_Tail = tail;
    updateAxes();
}

void Bone::updateAxes() {
    KESTREL_ASSERT(m_Tail.lengthSquared() > 0.0f);
    if (m_Tail.lengthSquared() == 0.0f)
        m_Tail.z = 1.0f;
    // A tail straight along y would leave the x axis undefined.
    if (m_Tail.x == 0.0f && m_Tail.z == 0.0f)
        m_Tail.z = 0.00001f;
    const Vector3 up(0.0f, 1.0f, 0.0f);
    m_ZAxis = m_Tail.normalized();
    m_XAxis = cross(m_ZAxis, up).normalized();
    m_YAxis = cross(m_XAxis, m_ZAxis).normalized();
}

void Bone::update(float dt) {
    // The local posed transform T * Rz * Rx * Ry; an exact zero angle is skipped.
    m_SkinMatrix = Matrix4::translation(m_Position);
    if (m_Rotation.z != 0.0f)
        m_SkinMatrix = Matrix4::rotationAxis(m_ZAxis, m_Rotation.z) * m_SkinMatrix;
    if (m_Rotation.x != 0.0f)
        m_SkinMatrix = Matrix4::rotationAxis(m_XAxis, m_Rotation.x) * m_SkinMatrix;
    if (m_Rotation.y != 0.0f)
        m_SkinMatrix = Matrix4::rotationAxis(m_YAxis, m_Rotation.y) * m_SkinMatrix;

    m_Matrix = m_Parent ? m_SkinMatrix * m_Parent->getMatrix() : m_SkinMatrix;
    if (m_Parent && m_Parent->isBone())
        m_SkinMatrix = m_SkinMatrix * static_cast<Bone*>(m_Parent)->m_SkinMatrix;

    // Children see the posed chain before the rest correction below.
    updateChildren(dt);

    m_SkinMatrix = Matrix4::translation(-getRestHead()) * m_SkinMatrix;
    m_Updated = true;
}

Vector3 Bone::getRestHead() const {
    Vector3 head = m_Position;
    for (const Transformable* t = m_Parent; t && t->isBone(); t = t->getParent())
        head += t->getPosition();
    return head;
}

Bone* Bone::findChild(const std::string& name) const {
    for (Transformable* child : m_Children) {
        if (child->isBone() && static_cast<Bone*>(child)->m_Name == name)
            return static_cast<Bone*>(child);
    }
    return nullptr;
}

Bone* Bone::findBone(const std::string& name) const {
    if (Bone* bone = findChild(name))
        return bone;
    for (Transformable* child : m_Children) {
        if (!child->isBone())
            continue;
        if (Bone* bone = static_cast<Bone*>(child)->findBone(name))
            return bone;
    }
    return nullptr;
}

} // namespace Kestrel
