#include "engine/transformable.h"

#include "engine/assert.h"
#include "engine/kestrel_math.h"

#include <algorithm>

namespace Kestrel {
namespace {

// The factories' negated turn makes each factor counter-clockwise.
float toNegatedRadians(float degrees) {
    return -toRadians(degrees);
}

} // namespace

Transformable::~Transformable() {
    setParent(nullptr);
    // Each child removes itself from m_Children as it is destroyed.
    while (!m_Children.empty())
        delete m_Children.back();
}

void Transformable::update(float dt) {
    updateMatrix();
    updateChildren(dt);
    m_Updated = true;
}

void Transformable::draw() {
    for (Transformable* child : m_Children) {
        if (child->m_Updated)
            child->draw();
    }
}

void Transformable::updateMatrix() {
    m_Matrix = Matrix4::translation(m_Position);
    if (m_Parent)
        m_Matrix = m_Matrix * m_Parent->m_Matrix;
    // A NaN angle counts as non-zero, as != does.
    if (m_Rotation.z != 0.0f)
        m_Matrix = Matrix4::rotationZ(toNegatedRadians(m_Rotation.z)) * m_Matrix;
    if (m_Rotation.x != 0.0f)
        m_Matrix = Matrix4::rotationX(toNegatedRadians(m_Rotation.x)) * m_Matrix;
    if (m_Rotation.y != 0.0f)
        m_Matrix = Matrix4::rotationY(toNegatedRadians(m_Rotation.y)) * m_Matrix;
    m_Matrix = Matrix4::scaling(m_Scale) * m_Matrix;
}

void Transformable::updateChildren(float dt) {
    size_t i = 0;
    while (i < m_Children.size()) {
        Transformable* child = m_Children[i];
        if (child->m_MarkedForDeletion) {
            delete child; // removes itself; the next child moves into index i
        } else {
            child->update(dt);
            // A child that left, or removed an earlier sibling, during its update
            // has let the next unvisited child move into index i.
            if (i < m_Children.size() && m_Children[i] == child)
                ++i;
        }
    }
}

void Transformable::setParent(Transformable* newParent) {
    // Below itself a node would make every walk of the tree endless.
    for (const Transformable* above = newParent; above; above = above->m_Parent) {
        if (above == this) {
            KESTREL_ASSERT_TEXT(above != this, "newParent is not this node nor below it");
            return;
        }
    }
    if (m_Parent) {
        auto& siblings = m_Parent->m_Children;
        auto it = std::find(siblings.begin(), siblings.end(), this);
        if (it != siblings.end())
            siblings.erase(it);
    }
    m_Parent = newParent;
    if (newParent)
        newParent->m_Children.push_back(this);
}

Transformable* Transformable::getChild(unsigned index) const {
    if (m_Children.empty())
        return nullptr;
    if (!(index < m_Children.size())) {
        KESTREL_ASSERT(index < m_Children.size());
        return nullptr;
    }
    return m_Children[index];
}

} // namespace Kestrel
