// An animated, drawable object: a transformable that shows a shared mesh, owns a
// deep copy of the mesh's skeleton (as children) and plays animations through a
// stack whose newest entry blends in over the older ones. Neither the mesh nor
// the animations are owned. Rotations are degrees, as for every transformable.
#pragma once

#include "engine/morphable.h"
#include "engine/resource.h"
#include "engine/transformable.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace Kestrel {

class Animation;
class Bone;
class Mesh;

struct AnimationStackEntry {
    Animation* m_Animation = nullptr;
    std::weak_ptr<const void> m_AnimationLifetime;
    float m_AnimationTime = 0.0f;
    bool m_Loop = false;
    bool m_Mirror = false;
    float m_BlendRatio = 0.0f;
    float m_BlendTime = 0.0f;
    bool m_FinishedNotified = false;
};

class Entity : public Transformable, public Morphable {
public:
    explicit Entity(Mesh* mesh);
    ~Entity() override;

    // Transform and children first, then the animation stack (the pose reaches
    // the bone matrices at the next update).
    void update(float dt) override;
    void draw() override;
    bool isEntity() const override { return true; }
    // Sent once per stack entry: when a non-looping entry first runs past its
    // end, or when an entry is dropped before that.
    virtual void onAnimationFinished(Animation* animation);

    bool morph(const VertexList& in, VertexList& out) override;

    void playAnimation(Animation* animation, float blendTime, bool loop, bool mirror);
    // The newest entry; while there is none, or once its animation has been
    // destroyed, null, time 0, not mirrored and ratio 1.
    Animation* getCurrentAnimation() const;
    float getCurrentAnimationTime() const;
    bool isCurrentAnimationMirrored() const;
    float getCurrentBlendRatio() const;

    unsigned getBoneCount() const { return static_cast<unsigned>(m_Bones.size()); }
    Bone* getBone(unsigned index) const;
    Bone* getBone(const std::string& name) const;
    void resetPose();
    // Null once the mesh has been destroyed.
    Mesh* getMesh() const { return m_Mesh.get(); }

private:
    // Null while the stack is empty or its newest animation is destroyed.
    const AnimationStackEntry* currentEntry() const;
    void collectBones(Bone* bone);
    void checkEntry(const AnimationStackEntry& entry) const;
    static void blendIn(AnimationStackEntry& entry, float dt);
    // Drops the count oldest entries, telling about each not yet finished.
    void dropEntriesBelow(size_t count);
    void dropDestroyedAnimations();
    void advance(AnimationStackEntry& entry, float dt);

    ResourcePointer<Mesh> m_Mesh;
    std::deque<AnimationStackEntry> m_AnimationStack;
    std::vector<Bone*> m_Bones;
};

} // namespace Kestrel
