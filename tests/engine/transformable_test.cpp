#include "engine/transformable.h"

#include "support/assertion_recorder.h"
#include "support/float_compare.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Kestrel::Transformable;
using Kestrel::Vector3;
using TestSupport::near;

namespace {

// Logs updates, draws and destruction into a shared journal.
class Probe : public Transformable {
public:
    Probe(std::vector<std::string>& journal, std::string name)
        : m_Journal(journal), m_Name(std::move(name)) {}
    ~Probe() override { m_Journal.push_back("~" + m_Name); }
    void update(float dt) override {
        m_Journal.push_back("update " + m_Name);
        Transformable::update(dt);
    }
    void draw() override {
        m_Journal.push_back("draw " + m_Name);
        Transformable::draw();
    }

private:
    std::vector<std::string>& m_Journal;
    std::string m_Name;
};

TEST(TransformableTest, WorldMatrixScalesThenTurnsYXZThenMoves) {
    Transformable t;
    t.setPosition(1, 2, 3);
    t.setRotation(0, 90, 0);
    t.setScale(2, 2, 2);
    t.update(0.0f);
    EXPECT_TRUE(near(t.transformPoint({1, 0, 0}), {1, 2, 1}));

    Transformable z;
    z.setRotation(0, 0, 90);
    z.update(0.0f);
    EXPECT_TRUE(near(z.transformPoint({1, 0, 0}), {0, 1, 0}));

    // x acts before z: (0, 1, 0) goes to (0, 0, 1) by x and stays there under z.
    Transformable xz;
    xz.setRotation(90, 0, 90);
    xz.update(0.0f);
    EXPECT_TRUE(near(xz.transformPoint({0, 1, 0}), {0, 0, 1}));

    // All three: y first, then x, then z.
    Transformable all;
    all.setRotation(90, 90, 90);
    all.update(0.0f);
    // (1,0,0) -y90-> (0,0,-1) -x90-> (0,1,0) -z90-> (-1,0,0)
    EXPECT_TRUE(near(all.transformPoint({1, 0, 0}), {-1, 0, 0}));
}

TEST(TransformableTest, ChildrenAreCarriedByTheirParent) {
    Transformable* parent = new Transformable;
    Transformable* child = new Transformable;
    Transformable* grandchild = new Transformable;
    parent->setPosition(10, 0, 0);
    parent->setRotation(0, 90, 0);
    child->setPosition(0, 0, 5);
    grandchild->setPosition(1, 0, 0);
    child->setParent(parent);
    grandchild->setParent(child);
    parent->update(0.0f);
    // child's origin: (0,0,5) turned 90 about y is (5,0,0), moved to (15,0,0)
    EXPECT_TRUE(near(child->transformPoint({0, 0, 0}), {15, 0, 0}));
    // grandchild's origin is (1,0,5) in the parent's frame: turned to (5,0,-1), moved to (15,0,-1).
    EXPECT_TRUE(near(grandchild->transformPoint({0, 0, 0}), {15, 0, -1}));
    delete parent;
}

TEST(TransformableTest, MarkedChildrenAreDeletedDuringTheParentsUpdate) {
    std::vector<std::string> journal;
    Transformable parent;
    auto* a = new Probe(journal, "A");
    auto* b = new Probe(journal, "B");
    auto* c = new Probe(journal, "C");
    a->setParent(&parent);
    b->setParent(&parent);
    c->setParent(&parent);
    b->markForDeletion();
    parent.update(0.016f);
    EXPECT_EQ(journal, (std::vector<std::string>{"update A", "~B", "update C"}));
    ASSERT_EQ(parent.getChildCount(), 2u);
    EXPECT_EQ(parent.getChild(0), a);
    EXPECT_EQ(parent.getChild(1), c);
}

// A child that adds a sibling while it is being updated.
class Spawner : public Probe {
public:
    Spawner(std::vector<std::string>& journal, Transformable* parent)
        : Probe(journal, "S"), m_Journal(journal), m_Parent(parent) {}
    void update(float dt) override {
        Probe::update(dt);
        if (!m_Spawned) {
            m_Spawned = true;
            (new Probe(m_Journal, "New"))->setParent(m_Parent);
        }
    }

private:
    std::vector<std::string>& m_Journal;
    Transformable* m_Parent;
    bool m_Spawned = false;
};

TEST(TransformableTest, ChildrenAppendedDuringThePassAreUpdatedInTheSamePass) {
    std::vector<std::string> journal;
    Transformable parent;
    (new Spawner(journal, &parent))->setParent(&parent);
    parent.update(0.016f);
    EXPECT_EQ(journal, (std::vector<std::string>{"update S", "update New"}));
}

TEST(TransformableTest, SetParentMovesAndReordersChildren) {
    Transformable first, second;
    Transformable* x = new Transformable;
    Transformable* y = new Transformable;
    x->setParent(&first);
    y->setParent(&first);
    x->setParent(&first); // the same parent again moves x to the end
    EXPECT_EQ(first.getChild(0), y);
    EXPECT_EQ(first.getChild(1), x);

    y->setParent(&second);
    EXPECT_EQ(first.getChildCount(), 1u);
    EXPECT_EQ(second.getChild(0), y);
    EXPECT_EQ(y->getParent(), &second);
}

TEST(TransformableTest, DestroyingANodeDestroysItsWholeSubtreeAndLeavesItsParent) {
    std::vector<std::string> journal;
    Transformable root;
    auto* parent = new Probe(journal, "P");
    parent->setParent(&root);
    for (int i = 0; i < 5; ++i)
        (new Probe(journal, "c" + std::to_string(i)))->setParent(parent);
    (new Probe(journal, "g"))->setParent(parent->getChild(2));
    delete parent;
    EXPECT_EQ(journal.size(), 7u);
    EXPECT_EQ(root.getChildCount(), 0u);
}

TEST(TransformableTest, OnlyChildrenThatWereUpdatedAreDrawn) {
    std::vector<std::string> journal;
    Transformable root;
    (new Probe(journal, "old"))->setParent(&root);
    root.update(0.016f);
    (new Probe(journal, "fresh"))->setParent(&root);
    journal.clear();
    root.draw();
    EXPECT_EQ(journal, (std::vector<std::string>{"draw old"}));
}

TEST(TransformableTest, GetChildOutOfRange) {
    TestSupport::AssertionRecorder recorder;
    Transformable parent;
    EXPECT_EQ(parent.getChild(0), nullptr);
    EXPECT_TRUE(recorder.reports().empty()) << "an empty list is not an error";
    (new Transformable)->setParent(&parent);
    EXPECT_EQ(parent.getChild(1), nullptr);
    EXPECT_EQ(recorder.reports(), std::vector<std::string>{"index < m_Children.size()"});
}

} // namespace
