// The node type of every tree in the world: scene nodes, entities, actors and
// bones. Holds position, scale and rotation (degrees for transformables, radians
// for bones; axes in docs/architecture.md), computes its world matrix from its
// parent's, and owns its children: a node deletes its children when destroyed.
#pragma once

#include "engine/vector.h"

#include <vector>

namespace Kestrel {

class Positionable {
public:
    const Vector3& getPosition() const { return m_Position; }
    void setPosition(const Vector3& position) { m_Position = position; }
    void setPosition(float x, float y, float z) { m_Position = Vector3(x, y, z); }
    float getPositionX() const { return m_Position.x; }
    float getPositionY() const { return m_Position.y; }
    float getPositionZ() const { return m_Position.z; }
    void setPositionX(float x) { m_Position.x = x; }
    void setPositionY(float y) { m_Position.y = y; }
    void setPositionZ(float z) { m_Position.z = z; }

protected:
    Vector3 m_Position;
};

class Scalable {
public:
    const Vector3& getScale() const { return m_Scale; }
    void setScale(const Vector3& scale) { m_Scale = scale; }
    void setScale(float x, float y, float z) { m_Scale = Vector3(x, y, z); }
    float getScaleX() const { return m_Scale.x; }
    float getScaleY() const { return m_Scale.y; }
    float getScaleZ() const { return m_Scale.z; }
    void setScaleX(float x) { m_Scale.x = x; }
    void setScaleY(float y) { m_Scale.y = y; }
    void setScaleZ(float z) { m_Scale.z = z; }

protected:
    Vector3 m_Scale{1.0f, 1.0f, 1.0f};
};

class Rotatable {
public:
    const Vector3& getRotation() const { return m_Rotation; }
    void setRotation(const Vector3& rotation) { m_Rotation = rotation; }
    void setRotation(float x, float y, float z) { m_Rotation = Vector3(x, y, z); }
    float getRotationX() const { return m_Rotation.x; }
    float getRotationY() const { return m_Rotation.y; }
    float getRotationZ() const { return m_Rotation.z; }
    void setRotationX(float x) { m_Rotation.x = x; }
    void setRotationY(float y) { m_Rotation.y = y; }
    void setRotationZ(float z) { m_Rotation.z = z; }

protected:
    Vector3 m_Rotation;
};

class Transformable : public Positionable, public Scalable, public Rotatable {
public:
    Transformable() = default;
    Transformable(const Transformable&) = delete;
    Transformable& operator=(const Transformable&) = delete;

    // Updates the world matrix, then the children; marks the node as updated.
    virtual void update(float dt);
    // Draws every child that has been updated at least once.
    virtual void draw();
    virtual bool isEntity() const { return false; }
    virtual bool isBone() const { return false; }
    // Detaches from the parent, then destroys every child.
    virtual ~Transformable();
    // World = Parent * T(position) * Rz * Rx * Ry * S(scale), angles in degrees.
    virtual void updateMatrix();
    // Deletes marked children and updates the rest, including children that
    // join during the pass; a child leaving or deleting a sibling skips none.
    virtual void updateChildren(float dt);

    const Matrix4& getMatrix() const { return m_Matrix; }
    Transformable* getParent() const { return m_Parent; }
    // Moves this node to the end of newParent's children (null detaches it); a
    // newParent that is this node or below it is reported and refused.
    void setParent(Transformable* newParent);
    unsigned getChildCount() const { return static_cast<unsigned>(m_Children.size()); }
    Transformable* getChild(unsigned index) const;
    Vector3 transformPoint(const Vector3& p) const { return m_Matrix.transformPoint(p); }
    void markForDeletion() { m_MarkedForDeletion = true; }
    bool isMarkedForDeletion() const { return m_MarkedForDeletion; }
    bool isUpdated() const { return m_Updated; }

protected:
    Matrix4 m_Matrix;
    bool m_Updated = false;
    Transformable* m_Parent = nullptr;
    std::vector<Transformable*> m_Children;
    bool m_MarkedForDeletion = false;
};

} // namespace Kestrel
