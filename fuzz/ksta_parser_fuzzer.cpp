// Parses arbitrary bytes as ".ksta" text, checks that writing and reading the
// result settles after one round, and samples it on a small skeleton.
#include "engine/animation.h"
#include "engine/assert.h"
#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "tests/support/list_only_device.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using AnimationPtr = std::unique_ptr<Kestrel::Animation>;

AnimationPtr parse(const std::string& text) {
    return AnimationPtr(Kestrel::Animation::parse(text));
}

// Written text read back gives the same keyframes and bone names; after one
// round the numbers, printed with six decimals, no longer move.
void checkRoundTrip(const Kestrel::Animation& animation) {
    const std::string first = animation.toText();
    const AnimationPtr again = parse(first);
    if (again->getKeyframeCount() != animation.getKeyframeCount())
        std::abort();
    for (const auto& bone : again->getBoneIndices()) {
        if (!animation.getBoneIndices().count(bone.first))
            std::abort();
    }
    const std::string second = again->toText();
    if (parse(second)->toText() != second)
        std::abort();
}

// A root with up to eight of the animation's bones and their mirror names.
void sample(Kestrel::Animation& animation) {
    TestSupport::ListOnlyDevice device;
    Kestrel::Mesh mesh(&device);
    auto* root = new Kestrel::Bone("root");
    root->setTail({0, 0, 1});
    unsigned count = 0;
    for (const auto& bone : animation.getBoneIndices()) {
        if (++count > 8)
            break;
        for (const std::string& name : {bone.first, Kestrel::mirrorBoneName(bone.first)}) {
            auto* child = new Kestrel::Bone(name);
            child->setTail({0, 1, 1});
            child->setParent(root);
        }
    }
    mesh.setRootBone(root);
    Kestrel::Entity entity(&mesh);
    const float length = animation.getAnimationLength(true);
    for (int step = 0; step <= 8; ++step) {
        const float time = length * step / 8.0f;
        animation.apply(&entity, time, 0.5f, true, step % 2 == 1);
        animation.getKeyframeAtTime(time);
    }
    entity.playAnimation(&animation, 0.0f, true, false);
    entity.playAnimation(&animation, 0.1f, false, true);
    for (int step = 0; step < 4; ++step)
        entity.update(0.05f);
}

void edit(Kestrel::Animation& animation) {
    if (animation.getKeyframeCount() == 0)
        return;
    animation.insertKeyframe(0);
    animation.swapKeyframes(0, animation.getKeyframeCount() - 1);
    animation.setDuration(0, 0.25f);
    animation.setBoneRotation(1, "added.L", {1, 2, 3});
    checkRoundTrip(animation);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Kestrel::setAssertionHandler(TestSupport::ignoreAssertion);
    const AnimationPtr animation = parse(std::string(reinterpret_cast<const char*>(data), size));
    checkRoundTrip(*animation);
    sample(*animation);
    edit(*animation);
    return 0;
}
