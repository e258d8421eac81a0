#include "tools/import/skeleton.h"

#include "engine/bone.h"

#include <algorithm>
#include <cmath>

namespace KestrelImport {

namespace {

const double PI = 3.14159265358979323846;

Matrix3d elementary(int axis, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    if (axis == 0)
        return Matrix3d(1, 0, 0, 0, c, -s, 0, s, c);
    if (axis == 1)
        return Matrix3d(c, 0, s, 0, 1, 0, -s, 0, c);
    return Matrix3d(c, -s, 0, s, c, 0, 0, 0, 1);
}

Matrix3d transposed(Matrix3d m) {
    return m.Transpose();
}

Vector3d column(const Matrix4d& m, int c) {
    return Vector3d(m[0][c], m[1][c], m[2][c]);
}

// The rotation closest to the linear part of m, and how far its columns are
// from unit length (scaling the engine cannot hold).
Matrix3d rotationPart(const Matrix4d& m, double& scaleError) {
    Vector3d x = column(m, 0), y = column(m, 1);
    const Vector3d z = column(m, 2);
    const double xLength = x.Length();
    scaleError =
        std::max({std::fabs(xLength - 1), std::fabs(y.Length() - 1), std::fabs(z.Length() - 1)});
    x /= xLength;
    y = (y - x * (x * y)).Normalize();
    const Vector3d w = x ^ y;
    return Matrix3d(x.x, y.x, w.x, x.y, y.y, w.y, x.z, y.z, w.z);
}

Matrix4d placed(const Vector3d& head, const Matrix3d& rotation, const Vector3d& restHead) {
    Matrix4d m(rotation);
    const Vector3d moved = head - rotation * restHead;
    m.a4 = moved.x;
    m.b4 = moved.y;
    m.c4 = moved.z;
    return m;
}

// a moved by whole turns to lie nearest to b.
double unwrap(double a, double b) {
    if (std::fabs(b - a) <= PI)
        return a;
    return a + 2 * PI * std::round((b - a) / (2 * PI));
}

Kestrel::Vector3 toFloat(const Vector3d& v) {
    return Kestrel::Vector3(float(v.x), float(v.y), float(v.z));
}

Vector3d toDouble(const Kestrel::Vector3& v) {
    return Vector3d(v.x, v.y, v.z);
}

double distanceSquared(const Vector3d& a, const Vector3d& b) {
    return (a - b).SquareLength();
}

} // namespace

Matrix3d rotationFor(const Matrix3d& axes, const Vector3d& angles) {
    return axes * elementary(2, angles.z) * elementary(0, angles.x) * elementary(1, angles.y) *
           transposed(axes);
}

Vector3d anglesFor(const Matrix3d& axes, const Matrix3d& rotation, const Vector3d& previous) {
    // In the bone's own frame every engine turn is a right-handed turn by the
    // angle itself (the frame is left-handed and the engine turns clockwise).
    const Matrix3d r = transposed(axes) * rotation * axes;
    const double sx = std::clamp(r[2][1], -1.0, 1.0);
    Vector3d first, second;
    if (std::fabs(sx) > 1.0 - 1e-12) {
        first.x = std::asin(sx);
        first.y = previous.y;
        const Matrix3d n = r * transposed(elementary(1, first.y));
        first.z = std::atan2(n[1][0], n[0][0]);
        second = first;
    } else {
        first =
            Vector3d(std::asin(sx), std::atan2(-r[2][0], r[2][2]), std::atan2(-r[0][1], r[1][1]));
        second = Vector3d(PI - first.x, first.y + PI, first.z + PI);
    }
    for (Vector3d* v : {&first, &second})
        *v = Vector3d(unwrap(v->x, previous.x), unwrap(v->y, previous.y), unwrap(v->z, previous.z));
    return distanceSquared(first, previous) <= distanceSquared(second, previous) ? first : second;
}

Skeleton::Skeleton(const aiScene& scene, const SourcePose& rest) {
    collect(scene);
    if (!m_Nodes.empty())
        bindFrames(scene, rest);
}

// Nodes that skin or carry animated meshes, and every node between them and
// their deepest common ancestor.
void Skeleton::collect(const aiScene& scene) {
    std::set<std::string> animated;
    for (unsigned a = 0; a < scene.mNumAnimations; ++a)
        for (unsigned c = 0; c < scene.mAnimations[a]->mNumChannels; ++c)
            animated.insert(scene.mAnimations[a]->mChannels[c]->mNodeName.C_Str());
    std::set<const aiNode*> members;
    std::vector<std::pair<const aiNode*, bool>> stack{{scene.mRootNode, false}};
    while (!stack.empty()) {
        auto [node, moving] = stack.back();
        stack.pop_back();
        moving = moving || animated.count(node->mName.C_Str());
        for (unsigned i = 0; i < node->mNumMeshes; ++i) {
            const aiMesh* mesh = scene.mMeshes[node->mMeshes[i]];
            for (unsigned b = 0; b < mesh->mNumBones; ++b)
                if (const aiNode* bone = scene.mRootNode->FindNode(mesh->mBones[b]->mName))
                    members.insert(bone);
            if (mesh->mNumBones == 0 && moving)
                members.insert(node);
        }
        for (unsigned i = 0; i < node->mNumChildren; ++i)
            stack.push_back({node->mChildren[i], moving});
    }
    if (members.empty())
        return;
    std::vector<const aiNode*> common;
    for (const aiNode* member : members) {
        std::vector<const aiNode*> path;
        for (const aiNode* n = member; n; n = n->mParent)
            path.insert(path.begin(), n);
        if (common.empty())
            common = path;
        size_t same = 0;
        while (same < common.size() && same < path.size() && common[same] == path[same])
            ++same;
        common.resize(same);
        for (const aiNode* n : path)
            m_Bind[n];
    }
    m_Root = common.back();
    for (const aiNode* n = m_Root->mParent; n; n = n->mParent)
        m_Bind.erase(n);
    // Parents first, children in the order the scene lists them.
    std::vector<const aiNode*> stackOrder{m_Root};
    while (!stackOrder.empty()) {
        const aiNode* n = stackOrder.back();
        stackOrder.pop_back();
        m_Nodes.push_back(n);
        for (unsigned c = n->mNumChildren; c-- > 0;)
            if (m_Bind.count(n->mChildren[c]))
                stackOrder.push_back(n->mChildren[c]);
    }
}

// Bones take their frame from the offset matrix (the first mesh that names
// them); nodes between bones from a child's; the rest from their parent or
// from the scene's own transforms.
void Skeleton::bindFrames(const aiScene& scene, const SourcePose& rest) {
    std::set<const aiNode*> known;
    std::vector<const aiNode*> stack{scene.mRootNode};
    while (!stack.empty()) {
        const aiNode* node = stack.back();
        stack.pop_back();
        for (unsigned i = 0; i < node->mNumMeshes; ++i) {
            const aiMesh* mesh = scene.mMeshes[node->mMeshes[i]];
            for (unsigned b = 0; b < mesh->mNumBones; ++b) {
                const aiNode* bone = scene.mRootNode->FindNode(mesh->mBones[b]->mName);
                if (bone && known.insert(bone).second)
                    m_Bind[bone] =
                        rest.restGlobal(node) * toDouble(mesh->mBones[b]->mOffsetMatrix).Inverse();
            }
        }
        for (unsigned i = 0; i < node->mNumChildren; ++i)
            stack.push_back(node->mChildren[i]);
    }
    for (auto it = m_Nodes.rbegin(); it != m_Nodes.rend(); ++it) {
        if (known.count(*it))
            continue;
        for (unsigned c = 0; c < (*it)->mNumChildren; ++c) {
            const aiNode* child = (*it)->mChildren[c];
            if (known.count(child)) {
                m_Bind[*it] = m_Bind[child] * toDouble(child->mTransformation).Inverse();
                known.insert(*it);
                break;
            }
        }
    }
    for (const aiNode* node : m_Nodes) {
        if (known.count(node))
            continue;
        m_Bind[node] = node != m_Root && known.count(node->mParent)
                           ? m_Bind[node->mParent] * toDouble(node->mTransformation)
                           : rest.restGlobal(node);
        known.insert(node);
    }
    alignWithScene(rest);
}

// Skinning only relates bind frames to vertices, so the whole bind pose may
// move rigidly: it moves to where the scene's own transforms put the root, so
// that a file whose bind pose sits elsewhere gives no root motion.
void Skeleton::alignWithScene(const SourcePose& rest) {
    const Matrix4d correction = rest.restGlobal(m_Root) * Matrix4d(m_Bind[m_Root]).Inverse();
    double scaleError;
    const Matrix3d turn = rotationPart(correction, scaleError);
    const Matrix3d linear(correction);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (std::fabs(linear[r][c] - turn[r][c]) > 1e-6)
                return;
    m_Correction = correction;
    for (auto& [node, bind] : m_Bind)
        bind = correction * bind;
}

void Skeleton::build(double diagonal, std::vector<BoneOutput>& bones) {
    m_Bones.clear();
    bones.clear();
    if (m_Root)
        addBranch(m_Root, -1, toFloat(origin(m_Bind[m_Root])), diagonal, bones);
}

unsigned Skeleton::subtreeSize(const aiNode* node) const {
    unsigned size = 1;
    for (unsigned c = 0; c < node->mNumChildren; ++c)
        if (contains(node->mChildren[c]))
            size += subtreeSize(node->mChildren[c]);
    return size;
}

// Towards the head of the child with the largest branch; a leaf points along
// its bind frame's y axis, half as long as its parent.
Vector3d Skeleton::chooseTail(const aiNode* node, const Vector3d& head, int parent,
                              double diagonal) const {
    const aiNode* best = nullptr;
    for (unsigned c = 0; c < node->mNumChildren; ++c) {
        const aiNode* child = node->mChildren[c];
        if (contains(child) && (origin(m_Bind.at(child)) - head).Length() > 1e-4 * diagonal &&
            (!best || subtreeSize(child) > subtreeSize(best)))
            best = child;
    }
    if (best)
        return origin(m_Bind.at(best));
    Vector3d direction = column(m_Bind.at(node), 1);
    if (direction.Length() < 1e-12)
        direction = Vector3d(0, 1, 0);
    double length = 0.05 * diagonal;
    if (parent >= 0 && (m_Bones[parent].m_Tail - m_Bones[parent].m_Head).Length() > 1e-4 * diagonal)
        length = 0.5 * (m_Bones[parent].m_Tail - m_Bones[parent].m_Head).Length();
    return head + direction.Normalize() * length;
}

// One bone as the loader will build it: its axes come from the engine itself.
int Skeleton::appendBone(const aiNode* node, int parent, const Kestrel::Vector3& head,
                         const Kestrel::Vector3& tail, std::vector<BoneOutput>& out) {
    Kestrel::Bone engineBone("");
    engineBone.setTail(tail - head);
    Bone bone;
    bone.m_Node = node;
    bone.m_Parent = parent;
    bone.m_Head = toDouble(head);
    bone.m_Tail = toDouble(head + engineBone.getTail());
    const Kestrel::Vector3 axes[3] = {engineBone.getXAxis(), engineBone.getYAxis(),
                                      engineBone.getZAxis()};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            bone.m_Axes[r][c] = (&axes[c].x)[r];
    bone.m_InverseBind = node ? Matrix4d(m_Bind.at(node)).Inverse() : Matrix4d();
    m_Bones.push_back(bone);
    out.push_back({node ? node->mName.C_Str() : "", parent, head, tail, node == nullptr});
    if (node)
        m_BoneOfNode[node] = int(m_Bones.size()) - 1;
    return int(m_Bones.size()) - 1;
}

// The node's bone, then its branches: a child whose head is not this tail
// hangs on a connector from the tail to its head.
void Skeleton::addBranch(const aiNode* node, int parent, const Kestrel::Vector3& head,
                         double diagonal, std::vector<BoneOutput>& out) {
    const Vector3d tail = chooseTail(node, toDouble(head), parent, diagonal);
    const int bone = appendBone(node, parent, head, toFloat(tail), out);
    for (unsigned c = 0; c < node->mNumChildren; ++c) {
        const aiNode* child = node->mChildren[c];
        if (!contains(child))
            continue;
        const Kestrel::Vector3 end = out[bone].m_Tail;
        const Vector3d childHead = origin(m_Bind.at(child));
        if ((childHead - toDouble(end)).Length() <= 1e-6 * diagonal) {
            addBranch(child, bone, end, diagonal, out);
            continue;
        }
        const int connector = appendBone(nullptr, bone, end, toFloat(childHead), out);
        out[connector].m_Name = std::string(child->mName.C_Str()) + "_connector";
        addBranch(child, connector, out[connector].m_Tail, diagonal, out);
    }
}

void Skeleton::convert(const SourcePose& pose, const std::vector<Vector3d>& previous,
                       std::vector<Vector3d>& angles, Conversion& conversion) const {
    const size_t count = m_Bones.size();
    angles.resize(count);
    Losses& losses = conversion.m_Losses;
    losses.m_Moved.resize(count);
    losses.m_Scaled.resize(count);
    std::vector<Matrix3d>& turns = conversion.m_Turns;
    std::vector<Matrix4d>&skins = conversion.m_Skins, &targets = conversion.m_Targets;
    turns.resize(count);
    skins.resize(count);
    targets.resize(count);
    if (conversion.m_Nodes.size() != count) {
        conversion.m_Nodes.resize(count);
        for (size_t k = 0; k < count; ++k)
            if (m_Bones[k].m_Node)
                conversion.m_Nodes[k] = pose.indexOf(m_Bones[k].m_Node);
    }
    static const Matrix3d NO_TURN;
    static const Matrix4d NO_MOVE;
    for (size_t k = 0; k < count; ++k) {
        const Bone& bone = m_Bones[k];
        const bool root = bone.m_Parent < 0;
        const Matrix3d& parentTurn = root ? NO_TURN : turns[bone.m_Parent];
        const Matrix4d& parentTarget = root ? NO_MOVE : targets[bone.m_Parent];
        const Vector3d head = root ? bone.m_Head : skins[bone.m_Parent] * bone.m_Head;
        angles[k] = Vector3d();
        turns[k] = parentTurn;
        targets[k] = parentTarget;
        if (bone.m_Node) {
            const Matrix4d target = pose.global(conversion.m_Nodes[k]) * bone.m_InverseBind;
            double scaleError;
            const Matrix3d world = rotationPart(target, scaleError);
            angles[k] = anglesFor(bone.m_Axes, transposed(parentTurn) * world, previous[k]);
            // The angles give back exactly the turn they were found for.
            turns[k] = world;
            losses.m_Moved[k] = std::max(
                losses.m_Moved[k], (target * bone.m_Head - parentTarget * bone.m_Head).Length());
            losses.m_Scaled[k] = std::max(losses.m_Scaled[k], scaleError);
            targets[k] = target;
        }
        skins[k] = placed(head, turns[k], bone.m_Head);
    }
}

void Skeleton::addLosses(const Conversion& conversion) {
    const Losses& found = conversion.m_Losses;
    for (auto [mine, theirs] : {std::pair(&m_Losses.m_Moved, &found.m_Moved),
                                std::pair(&m_Losses.m_Scaled, &found.m_Scaled)}) {
        mine->resize(std::max(mine->size(), theirs->size()));
        for (size_t k = 0; k < theirs->size(); ++k)
            (*mine)[k] = std::max((*mine)[k], (*theirs)[k]);
    }
}

std::map<const aiNode*, double> Skeleton::perNode(const std::vector<double>& perBone) const {
    std::map<const aiNode*, double> byNode;
    for (size_t k = 0; k < perBone.size(); ++k)
        if (m_Bones[k].m_Node)
            byNode[m_Bones[k].m_Node] = perBone[k];
    return byNode;
}

} // namespace KestrelImport
