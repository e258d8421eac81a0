#include "engine/animation.h"

#include "engine/assert.h"
#include "engine/bone.h"
#include "engine/entity.h"
#include "engine/file_keys.h"
#include "engine/mesh.h"
#include "engine/problemreport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace Kestrel {
namespace {

bool startsWith(const std::string& line, const char* prefix) {
    return line.compare(0, std::strlen(prefix), prefix) == 0;
}

std::string formatVector(const Vector3& v) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "(%f,%f,%f)", v.x, v.y, v.z);
    return buffer;
}

std::string formatFloat(float value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    return buffer;
}

bool isBlankLine(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

// Tells what parse reads but makes nothing sensible of: it still reads it.
void checkLine(const std::string& line, unsigned lineNumber, bool inKeyframe,
               ProblemReport& problems) {
    if (isBlankLine(line) || line[0] == '#' || startsWith(line, KSTA_KEYFRAME))
        return;
    if (line[0] == '[') {
        problems.add(lineNumber, "unknown section header '" + quoted(line) + "'");
        return;
    }
    if (!inKeyframe) {
        problems.add(lineNumber, "'" + quoted(line) + "' comes before the first [keyframe]");
        return;
    }
    if (startsWith(line, KSTA_TRANSLATION)) {
        const std::string problem = vectorProblem(line.substr(std::strlen(KSTA_TRANSLATION)), 3, 3);
        if (!problem.empty())
            problems.add(lineNumber, problem);
    } else if (startsWith(line, KSTA_DURATION)) {
        const std::string value = line.substr(std::strlen(KSTA_DURATION));
        if (!isNumberText(value))
            problems.add(lineNumber, "'" + quoted(value) + "' is not a number");
        else if (!(std::atof(value.c_str()) > 0.0))
            problems.add(lineNumber, "a keyframe lasts no time ('" + quoted(value) + "')");
    } else {
        const size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) {
            problems.add(lineNumber, "'" + quoted(line) + "' is no bone line (name:(x,y,z))");
            return;
        }
        const std::string problem = vectorProblem(line.substr(colon + 1), 3, 3);
        if (!problem.empty())
            problems.add(lineNumber, problem);
    }
}

// Every keyframe holds a rotation per bone name: unbounded, a file of a few
// hundred kilobytes claimed gigabytes.
const size_t MAX_ROTATIONS = size_t(1) << 20;
const std::string LIMITS = "(at most " + std::to_string(MAX_BONES) + " bones and " +
                           std::to_string(MAX_ROTATIONS) + " rotations in all)";

bool hasRoom(const Animation& animation, size_t moreKeyframes, size_t moreBones) {
    return (animation.getKeyframeCount() + moreKeyframes) *
               (animation.getBoneIndices().size() + moreBones) <=
           MAX_ROTATIONS;
}

void readBoneLine(Animation& animation, unsigned keyframe, const std::string& line,
                  unsigned lineNumber, ProblemReport* problems) {
    const size_t colon = line.find(':');
    const std::string name = line.substr(0, colon);
    const auto& bones = animation.getBoneIndices();
    if (!bones.count(name) && (bones.size() >= MAX_BONES || !hasRoom(animation, 0, 1))) {
        if (problems)
            problems->add(lineNumber,
                          "bone '" + quoted(name) + "' is one too many " + LIMITS + "; skipped");
        return;
    }
    const std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
    animation.setBoneRotation(keyframe, name, parseVector3(value.c_str()));
}

} // namespace

unsigned parseNumbers(const char* text, float* values, unsigned maxCount) {
    if (!*text)
        return 0;
    const char* open = std::strchr(text, '(');
    const char* cursor = open ? open + 1 : text + 1;
    // Runs of separators give no empty pieces.
    unsigned count = 0;
    while (count < maxCount) {
        cursor += std::strspn(cursor, ",)");
        if (!*cursor)
            break;
        const size_t length = std::strcspn(cursor, ",)");
        values[count++] = parseNumber(std::string(cursor, length).c_str());
        cursor += length;
    }
    return count;
}

float parseNumber(const char* text) {
    const float value = static_cast<float>(std::atof(text));
    return std::isfinite(value) ? value : 0.0f;
}

Vector3 parseVector3(const char* text) {
    float values[3] = {0.0f, 0.0f, 0.0f};
    parseNumbers(text, values, 3);
    return Vector3(values[0], values[1], values[2]);
}

std::string mirrorBoneName(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return name;
    static const std::pair<const char*, const char*> SUFFIXES[] = {
        {".r", ".l"}, {".l", ".r"}, {".R", ".L"}, {".L", ".R"}};
    const std::string suffix = name.substr(dot);
    for (const auto& swap : SUFFIXES) {
        if (suffix == swap.first)
            return name.substr(0, dot) + swap.second;
    }
    return name;
}

Animation* Animation::parse(const std::string& text, ProblemReport* problems) {
    Animation* animation = new Animation();
    // Lines before the first keyframe address a keyframe that does not exist;
    // the accessors report them and ignore them.
    unsigned current = 0;
    unsigned lineNumber = 0;
    // The line of the current keyframe while it has no duration line.
    unsigned untimed = 0;
    const auto reportUntimed = [&]() {
        if (problems && untimed)
            problems->add(untimed, "keyframe without a duration");
    };
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (problems)
            checkLine(line, lineNumber, animation->getKeyframeCount() > 0, *problems);

        if (startsWith(line, KSTA_KEYFRAME) && !hasRoom(*animation, 1, 0)) {
            if (problems)
                problems->add(lineNumber, "keyframe is one too many " + LIMITS +
                                              "; it and the rest are skipped");
            break;
        }
        if (startsWith(line, KSTA_KEYFRAME)) {
            reportUntimed();
            untimed = lineNumber;
            current = animation->addKeyframe();
        } else if (startsWith(line, KSTA_TRANSLATION)) {
            animation->setTranslation(current,
                                      parseVector3(line.c_str() + std::strlen(KSTA_TRANSLATION)));
        } else if (startsWith(line, KSTA_DURATION)) {
            untimed = 0;
            animation->setDuration(current, parseNumber(line.c_str() + std::strlen(KSTA_DURATION)));
        } else if (!isBlankLine(line) && line[0] != '#') {
            readBoneLine(*animation, current, line, lineNumber, problems);
        }
    }
    reportUntimed();
    if (problems && animation->getKeyframeCount() == 0)
        problems->add("holds no keyframes");
    return animation;
}

std::string Animation::toText() const {
    std::string text;
    for (const Keyframe& keyframe : m_Keyframes) {
        text += std::string(KSTA_KEYFRAME) + "\n";
        text += KSTA_TRANSLATION + formatVector(keyframe.m_Translation) + "\n";
        text += KSTA_DURATION + formatFloat(keyframe.m_Duration) + "\n";
        for (const auto& bone : m_BoneIndices) {
            const Vector3& rotation = keyframe.m_BoneRotations[bone.second];
            if (rotation.x == 0.0f && rotation.y == 0.0f && rotation.z == 0.0f)
                continue;
            text += bone.first + ":" + formatVector(rotation) + "\n";
        }
    }
    return text;
}

void Animation::apply(Entity* entity, float time, float weight, bool, bool mirror) const {
    if (!(time >= 0 && time <= m_LoopingAnimationLength)) {
        KESTREL_ASSERT(time >= 0.0 && time <= m_LoopingAnimationLength);
        return;
    }
    if (!entity || !entity->getMesh()) {
        KESTREL_ASSERT_TEXT(entity && entity->getMesh(),
                            "entity != null && entity->getMesh() != null");
        return;
    }
    if (m_Keyframes.empty())
        return;
    const Segment segment = findSegment(time);
    const auto& boneTable = mirror ? m_MirroredBoneIndices : m_BoneIndices;
    for (unsigned b = 0; Bone* bone = entity->getBone(b); ++b) {
        auto found = boneTable.find(bone->getName());
        Vector3 pose = found == boneTable.end() ? Vector3() : segment.sample(found->second);
        // Mirroring across the plane x = 0 flips the turns about y and z.
        if (mirror) {
            pose.y = -pose.y;
            pose.z = -pose.z;
        }
        bone->setRotation(bone->getRotation() * (1.0f - weight) + pose * weight);
    }
}

// The curve runs from frame1 at t = 0 to frame2 at t = 1, shaped by frame0
// before and frame3 after.
Vector3 Animation::Segment::sample(unsigned bone) const {
    return interpolateCubic(frame1->m_BoneRotations[bone], frame2->m_BoneRotations[bone],
                            frame0->m_BoneRotations[bone], frame3->m_BoneRotations[bone], t);
}

Animation::Segment Animation::findSegment(float time) const {
    const unsigned count = getKeyframeCount();
    // The current keyframe: the first whose running end (summed in float, as
    // the lengths are) reaches time. One keyframe is its own neighbour.
    unsigned current = 0;
    float end = 0.0f;
    while (count > 1 && current + 1 < count) {
        end += m_Keyframes[current].m_Duration;
        if (end >= time)
            break;
        ++current;
    }
    Segment segment;
    segment.frame1 = &m_Keyframes[current];
    segment.frame2 = &m_Keyframes[(current + 1) % count];
    segment.frame0 = &m_Keyframes[(current + count - 1) % count];
    segment.frame3 = &m_Keyframes[(current + 2) % count];
    // A segment without length holds the current keyframe's pose, told once
    // rather than once per entity and frame.
    if (segment.frame1->m_Duration > 0.0f) {
        segment.t =
            clamp((time - segment.frame1->m_StartTime) / segment.frame1->m_Duration, 0.0f, 1.0f);
    } else if (!m_ToldTimeless) {
        m_ToldTimeless = true;
        KESTREL_ASSERT_TEXT(false, "frame1->m_Duration > 0.0f");
    }
    return segment;
}

void Animation::reportBonesMissingFrom(const Entity& entity) const {
    if (!entity.getMesh() || !m_CheckedMeshes.insert(entity.getMesh()).second)
        return;
    std::vector<std::string> missing;
    for (const auto& bone : m_BoneIndices) {
        if (!entity.getBone(bone.first))
            missing.push_back(bone.first);
    }
    if (missing.empty())
        return;
    const std::string meshName = entity.getMesh()->getFileName();
    reportMessage(MessageSeverity::DATA_ERROR,
                  "Error: Animation file '%s' moves the bone '%s', which the mesh '%s' does not "
                  "have (%zu such bones).",
                  m_FileName.c_str(), quoted(missing.front()).c_str(), meshName.c_str(),
                  missing.size());
}

bool Animation::checkKeyframe(unsigned keyframeIndex) const {
    KESTREL_ASSERT(keyframeIndex < m_Keyframes.size());
    return keyframeIndex < m_Keyframes.size();
}

Vector3 Animation::getTranslation(unsigned keyframeIndex) const {
    return checkKeyframe(keyframeIndex) ? m_Keyframes[keyframeIndex].m_Translation : Vector3();
}

void Animation::setTranslation(unsigned keyframeIndex, const Vector3& translation) {
    if (checkKeyframe(keyframeIndex))
        m_Keyframes[keyframeIndex].m_Translation = translation;
}

float Animation::getDuration(unsigned keyframeIndex) const {
    return checkKeyframe(keyframeIndex) ? m_Keyframes[keyframeIndex].m_Duration : 0.0f;
}

void Animation::setDuration(unsigned keyframeIndex, float duration) {
    if (!checkKeyframe(keyframeIndex))
        return;
    m_Keyframes[keyframeIndex].m_Duration = duration;
    recalculateTimes();
}

float Animation::getStartTime(unsigned keyframeIndex) const {
    return checkKeyframe(keyframeIndex) ? m_Keyframes[keyframeIndex].m_StartTime : 0.0f;
}

Vector3 Animation::getBoneRotation(unsigned keyframeIndex, const std::string& name) const {
    if (!checkKeyframe(keyframeIndex))
        return Vector3();
    auto found = m_BoneIndices.find(name);
    if (found == m_BoneIndices.end())
        return Vector3();
    const unsigned boneIndex = found->second;
    const auto& rotations = m_Keyframes[keyframeIndex].m_BoneRotations;
    KESTREL_ASSERT(boneIndex < m_Keyframes[keyframeIndex].m_BoneRotations.size());
    return boneIndex < rotations.size() ? rotations[boneIndex] : Vector3();
}

void Animation::setBoneRotation(unsigned keyframeIndex, const std::string& name,
                                const Vector3& rotation) {
    if (!checkKeyframe(keyframeIndex))
        return;
    auto found = m_BoneIndices.find(name);
    if (found == m_BoneIndices.end()) {
        const unsigned index = static_cast<unsigned>(m_BoneIndices.size());
        found = m_BoneIndices.emplace(name, index).first;
        m_MirroredBoneIndices[mirrorBoneName(name)] = index;
        padBoneRotations();
    }
    const unsigned boneIndex = found->second;
    auto& rotations = m_Keyframes[keyframeIndex].m_BoneRotations;
    KESTREL_ASSERT(boneIndex < m_Keyframes[keyframeIndex].m_BoneRotations.size());
    if (boneIndex < rotations.size())
        rotations[boneIndex] = rotation;
}

unsigned Animation::getKeyframeAtTime(float time) const {
    float end = 0.0f;
    for (unsigned i = 0; i < m_Keyframes.size(); ++i) {
        end += m_Keyframes[i].m_Duration;
        if (end > time)
            return i;
    }
    KESTREL_ASSERT(false && "Requesting time beyond end of animation");
    return m_Keyframes.empty() ? 0 : static_cast<unsigned>(m_Keyframes.size() - 1);
}

unsigned Animation::addKeyframe() {
    m_Keyframes.emplace_back();
    padBoneRotations();
    recalculateTimes();
    return static_cast<unsigned>(m_Keyframes.size() - 1);
}

unsigned Animation::insertKeyframe(unsigned insertAfter) {
    if (!(insertAfter < m_Keyframes.size())) {
        KESTREL_ASSERT(insertAfter < m_Keyframes.size());
        return insertAfter;
    }
    if (insertAfter + 1 == m_Keyframes.size())
        return addKeyframe();
    m_Keyframes.emplace(m_Keyframes.begin() + insertAfter + 1);
    padBoneRotations();
    recalculateTimes();
    return insertAfter + 1;
}

void Animation::swapKeyframes(unsigned keyframeIndex1, unsigned keyframeIndex2) {
    if (!(keyframeIndex1 < m_Keyframes.size() && keyframeIndex2 < m_Keyframes.size())) {
        KESTREL_ASSERT(keyframeIndex1 < m_Keyframes.size() && keyframeIndex2 < m_Keyframes.size());
        return;
    }
    std::swap(m_Keyframes[keyframeIndex1], m_Keyframes[keyframeIndex2]);
    recalculateTimes();
}

void Animation::recalculateTimes() {
    m_LoopingAnimationLength = 0.0f;
    for (Keyframe& keyframe : m_Keyframes) {
        keyframe.m_StartTime = m_LoopingAnimationLength;
        m_AnimationLength = m_LoopingAnimationLength;
        m_LoopingAnimationLength += keyframe.m_Duration;
    }
}

void Animation::padBoneRotations() {
    for (Keyframe& keyframe : m_Keyframes) {
        if (keyframe.m_BoneRotations.size() < m_BoneIndices.size())
            keyframe.m_BoneRotations.resize(m_BoneIndices.size());
    }
}

} // namespace Kestrel
