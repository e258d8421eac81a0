// A keyframed skeletal animation read from ".ksta" text: per keyframe one
// rotation per bone (radians about the bone's own axes) and the time to the next
// keyframe. apply samples it with the four-point cubic and blends the pose into
// an entity's bones, optionally mirrored left to right (".L" <-> ".R").
#pragma once

#include "engine/resource.h"
#include "engine/vector.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace Kestrel {

class Entity;
class Mesh;
class ProblemReport;

struct Keyframe {
    std::vector<Vector3> m_BoneRotations; // one per bone index
    Vector3 m_Translation;                // kept and written, not sampled
    float m_Duration = 0.0f;              // to the next keyframe (the last: back to the first)
    float m_StartTime = 0.0f;
};

class Animation : public Resource {
public:
    // Never fails: unknown lines become bone lines, unreadable numbers 0. Such
    // lines, and lines before the first keyframe, go into problems when given.
    static Animation* parse(const std::string& text, ProblemReport* problems = nullptr);
    std::string toText() const;

    Type getResourceType() const override { return ANIMATION; }

    float getAnimationLength(bool loop) const {
        return loop ? m_LoopingAnimationLength : m_AnimationLength;
    }
    // time has already been wrapped or clamped by the caller; loop is unused.
    void apply(Entity* entity, float time, float weight, bool loop, bool mirror) const;

    Vector3 getTranslation(unsigned keyframeIndex) const;
    void setTranslation(unsigned keyframeIndex, const Vector3& translation);
    float getDuration(unsigned keyframeIndex) const;
    void setDuration(unsigned keyframeIndex, float duration);
    float getStartTime(unsigned keyframeIndex) const;
    Vector3 getBoneRotation(unsigned keyframeIndex, const std::string& name) const;
    void setBoneRotation(unsigned keyframeIndex, const std::string& name, const Vector3& rotation);

    unsigned getKeyframeCount() const { return static_cast<unsigned>(m_Keyframes.size()); }
    unsigned getKeyframeAtTime(float time) const;
    unsigned addKeyframe();
    unsigned insertKeyframe(unsigned insertAfter);
    void swapKeyframes(unsigned keyframeIndex1, unsigned keyframeIndex2);

    const std::map<std::string, unsigned>& getBoneIndices() const { return m_BoneIndices; }

    // The name the file was loaded under, for messages.
    void setFileName(const std::string& name) { m_FileName = name; }
    const std::string& getFileName() const { return m_FileName; }
    // Names in a message, once per mesh, a bone this animation moves that
    // the entity's skeleton lacks (a renamed bone on either side).
    void reportBonesMissingFrom(const Entity& entity) const;

private:
    // The four keyframes around a time and the position t in 0..1 between the middle two.
    struct Segment {
        const Keyframe* frame0 = nullptr;
        const Keyframe* frame1 = nullptr;
        const Keyframe* frame2 = nullptr;
        const Keyframe* frame3 = nullptr;
        float t = 0.0f;

        Vector3 sample(unsigned bone) const;
    };

    Segment findSegment(float time) const;
    // Reports an index past the last keyframe; the caller then ignores the call.
    bool checkKeyframe(unsigned keyframeIndex) const;
    void recalculateTimes();
    void padBoneRotations();

    std::vector<Keyframe> m_Keyframes;
    std::map<std::string, unsigned> m_BoneIndices;
    std::map<std::string, unsigned> m_MirroredBoneIndices;
    float m_AnimationLength = 0.0f;
    float m_LoopingAnimationLength = 0.0f;
    std::string m_FileName;
    mutable std::set<const Mesh*> m_CheckedMeshes;
    mutable bool m_ToldTimeless = false;
};

// Swaps a trailing ".L"/".R" (or ".l"/".r") suffix; any other name is returned as is.
std::string mirrorBoneName(const std::string& name);
// Reads "(x,y,z)"; missing components are 0. Shared with the mesh loader.
Vector3 parseVector3(const char* text);
// Reads up to maxCount numbers the way parseVector3 does (from after the first
// '(', else from the second character; pieces split at ',' and ')') and
// returns how many there were.
unsigned parseNumbers(const char* text, float* values, unsigned maxCount);
// Reads a number as atof does; one beyond float range reads as 0, like an
// unreadable one.
float parseNumber(const char* text);

} // namespace Kestrel
