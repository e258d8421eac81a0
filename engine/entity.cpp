#include "engine/entity.h"

#include "engine/animation.h"
#include "engine/assert.h"
#include "engine/bone.h"
#include "engine/mesh.h"

#include <algorithm>
#include <cmath>

namespace Kestrel {

Entity::Entity(Mesh* mesh) : m_Mesh(mesh) {
    KESTREL_ASSERT_TEXT(mesh != nullptr, "mesh != null");
    if (!mesh || !mesh->getRootBone())
        return;
    Bone* skeleton = new Bone(*mesh->getRootBone());
    skeleton->setParent(this);
    collectBones(skeleton);
}

// The shared mesh keeps the bones of the last entity that morphed; these are
// about to go with this entity.
Entity::~Entity() {
    Mesh* mesh = getMesh();
    if (!mesh)
        return;
    for (Bone* bone : m_Bones)
        mesh->releaseBone(bone->getName(), bone);
}

void Entity::collectBones(Bone* bone) {
    m_Bones.push_back(bone);
    for (unsigned i = 0; i < bone->getChildCount(); ++i) {
        Transformable* child = bone->getChild(i);
        if (child->isBone())
            collectBones(static_cast<Bone*>(child));
    }
}

void Entity::update(float dt) {
    // The bones take the pose the stack wrote last frame.
    Transformable::update(dt);
    dropDestroyedAnimations();

    // References into a deque survive pushes at the back and pops at the
    // front, which onAnimationFinished may cause in the middle of the pass.
    for (size_t i = 0; i < m_AnimationStack.size(); ++i) {
        AnimationStackEntry& entry = m_AnimationStack[i];
        checkEntry(entry);
        blendIn(entry, dt);
        if (entry.m_BlendRatio == 1.0f && i > 0) {
            dropEntriesBelow(i);
            i = 0;
        }
        advance(entry, dt);
        entry.m_Animation->apply(this, entry.m_AnimationTime, entry.m_BlendRatio, entry.m_Loop,
                                 entry.m_Mirror);
    }
}

// What is left of the stack plays on without the animations the cache has freed.
void Entity::dropDestroyedAnimations() {
    m_AnimationStack.erase(std::remove_if(m_AnimationStack.begin(), m_AnimationStack.end(),
                                          [](const AnimationStackEntry& entry) {
                                              return entry.m_AnimationLifetime.expired();
                                          }),
                           m_AnimationStack.end());
}

void Entity::checkEntry(const AnimationStackEntry& entry) const {
    KESTREL_ASSERT_TEXT(entry.m_Animation != nullptr, "entry.m_Animation != null");
    KESTREL_ASSERT(entry.m_AnimationTime >= 0.0f &&
                   entry.m_AnimationTime <= entry.m_Animation->getAnimationLength(entry.m_Loop));
    KESTREL_ASSERT(entry.m_BlendRatio >= 0.0f && entry.m_BlendRatio <= 1.0f);
    KESTREL_ASSERT(entry.m_BlendTime >= 0.0f);
}

void Entity::blendIn(AnimationStackEntry& entry, float dt) {
    if (entry.m_BlendTime > 0.0f) {
        const float ratio = entry.m_BlendRatio + dt / entry.m_BlendTime;
        entry.m_BlendRatio = ratio > 1.0f ? 1.0f : ratio;
    } else {
        entry.m_BlendRatio = 1.0f;
    }
}

void Entity::dropEntriesBelow(size_t count) {
    for (size_t dropped = 0; dropped < count; ++dropped) {
        AnimationStackEntry& bottom = m_AnimationStack.front();
        if (!bottom.m_FinishedNotified) {
            bottom.m_FinishedNotified = true;
            onAnimationFinished(bottom.m_Animation);
        }
        m_AnimationStack.pop_front();
    }
}

void Entity::advance(AnimationStackEntry& entry, float dt) {
    entry.m_AnimationTime += dt;
    const float length = entry.m_Animation->getAnimationLength(entry.m_Loop);
    if (!(entry.m_AnimationTime > length))
        return;
    if (entry.m_Loop) {
        // An animation without length would wrap to NaN and stay there.
        entry.m_AnimationTime =
            length > 0.0f ? static_cast<float>(std::fmod(double(entry.m_AnimationTime), length))
                          : 0.0f;
        return;
    }
    if (!entry.m_FinishedNotified) {
        entry.m_FinishedNotified = true;
        onAnimationFinished(entry.m_Animation);
    }
    entry.m_AnimationTime = length;
}

void Entity::draw() {
    if (Mesh* mesh = getMesh())
        mesh->draw(this, this);
    Transformable::draw();
}

void Entity::onAnimationFinished(Animation*) {}

bool Entity::morph(const VertexList& in, VertexList& out) {
    Mesh* mesh = getMesh();
    if (!mesh)
        return false;
    for (Bone* bone : m_Bones)
        mesh->setBone(bone->getName(), bone);
    return mesh->morph(in, out);
}

void Entity::playAnimation(Animation* animation, float blendTime, bool loop, bool mirror) {
    if (!animation || blendTime < 0.0f)
        return;
    KESTREL_ASSERT(m_AnimationStack.size() < 100);
    animation->reportBonesMissingFrom(*this);
    AnimationStackEntry entry;
    entry.m_Animation = animation;
    entry.m_AnimationLifetime = animation->getLifetime();
    entry.m_Loop = loop;
    entry.m_Mirror = mirror;
    entry.m_BlendTime = blendTime;
    m_AnimationStack.push_back(entry);
}

const AnimationStackEntry* Entity::currentEntry() const {
    if (m_AnimationStack.empty() || m_AnimationStack.back().m_AnimationLifetime.expired())
        return nullptr;
    return &m_AnimationStack.back();
}

Animation* Entity::getCurrentAnimation() const {
    const AnimationStackEntry* entry = currentEntry();
    return entry ? entry->m_Animation : nullptr;
}

float Entity::getCurrentAnimationTime() const {
    const AnimationStackEntry* entry = currentEntry();
    return entry ? entry->m_AnimationTime : 0.0f;
}

bool Entity::isCurrentAnimationMirrored() const {
    const AnimationStackEntry* entry = currentEntry();
    return entry && entry->m_Mirror;
}

float Entity::getCurrentBlendRatio() const {
    const AnimationStackEntry* entry = currentEntry();
    return entry ? entry->m_BlendRatio : 1.0f;
}

Bone* Entity::getBone(unsigned index) const {
    return index < m_Bones.size() ? m_Bones[index] : nullptr;
}

Bone* Entity::getBone(const std::string& name) const {
    for (Bone* bone : m_Bones) {
        if (bone->getName() == name)
            return bone;
    }
    return nullptr;
}

void Entity::resetPose() {
    for (Bone* bone : m_Bones)
        bone->setRotation(0.0f, 0.0f, 0.0f);
}

} // namespace Kestrel
