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

// Logs updates, draws and destruction into a shared journal; given a parent,
// it moves to the end of that parent's children during its first update.
class Probe : public Transformable {
public:
    Probe(std::vector<std::string>& journal, std::string name, Transformable* moveUnder = nullptr)
        : m_Journal(journal), m_Name(std::move(name)), m_MoveUnder(moveUnder) {}
    ~Probe() override { m_Journal.push_back("~" + m_Name); }
    void update(float dt) override {
        m_Journal.push_back("update " + m_Name);
        Transformable::update(dt);
        if (m_MoveUnder)
            setParent(m_MoveUnder);
        m_MoveUnder = nullptr;
    }
    void draw() override {
        m_Journal.push_back("draw " + m_Name);
        Transformable::draw();
    }

private:
    std::vector<std::string>& m_Journal;
    std::string m_Name;
    Transformable* m_MoveUnder;
};

// Scale, then turn about y, x and z in that order, then move.
TEST(TransformableTest, WorldMatrixScalesThenTurnsYXZThenMoves) {
    const struct {
        Vector3 position, rotation, scale, point, expected;
    } cases[] = {
        {{1, 2, 3}, {0, 90, 0}, {2, 2, 2}, {1, 0, 0}, {1, 2, 1}},
        {{0, 0, 0}, {0, 0, 90}, {1, 1, 1}, {1, 0, 0}, {0, 1, 0}},
        {{0, 0, 0}, {90, 0, 90}, {1, 1, 1}, {0, 1, 0}, {0, 0, 1}},
        {{0, 0, 0}, {90, 90, 90}, {1, 1, 1}, {1, 0, 0}, {-1, 0, 0}},
    };
    for (const auto& c : cases) {
        Transformable t;
        t.setPosition(c.position);
        t.setRotation(c.rotation.x, c.rotation.y, c.rotation.z);
        t.setScale(c.scale.x, c.scale.y, c.scale.z);
        t.update(0.0f);
        EXPECT_TRUE(near(t.transformPoint(c.point), c.expected)) << &c - cases;
    }
}

// Marked children are deleted during the parent's update, a child moving to the
// end is updated again there and skips no sibling, only updated children are
// drawn, and a node deleted takes its subtree with it and leaves its parent.
TEST(TransformableTest, UpdateWalksDeletesAndAppendsInOnePass) {
    std::vector<std::string> journal;
    Transformable parent;
    auto* a = new Probe(journal, "A", &parent);
    auto* b = new Probe(journal, "B");
    auto* c = new Probe(journal, "C");
    a->setParent(&parent);
    b->setParent(&parent);
    c->setParent(&parent);
    b->markForDeletion();
    parent.update(0.016f);
    EXPECT_EQ(journal, (std::vector<std::string>{"update A", "~B", "update C", "update A"}));
    ASSERT_EQ(parent.getChildCount(), 2u);
    EXPECT_EQ(parent.getChild(0), c);
    EXPECT_EQ(parent.getChild(1), a);

    (new Probe(journal, "fresh"))->setParent(&parent);
    journal.clear();
    parent.draw();
    EXPECT_EQ(journal, (std::vector<std::string>{"draw C", "draw A"}));

    (new Probe(journal, "g"))->setParent(c);
    journal.clear();
    delete c;
    EXPECT_EQ(journal, (std::vector<std::string>{"~C", "~g"}));
    ASSERT_EQ(parent.getChildCount(), 2u);

    // An empty child list is no error; an index beyond a full one is.
    TestSupport::AssertionRecorder recorder;
    EXPECT_EQ(Transformable().getChild(0), nullptr);
    EXPECT_TRUE(recorder.reports().empty());
    EXPECT_EQ(parent.getChild(3), nullptr);
    EXPECT_EQ(recorder.reports(), std::vector<std::string>{"index < m_Children.size()"});

    // A node hung below itself would make the walks endless.
    a->setParent(a);
    parent.setParent(a);
    EXPECT_EQ(recorder.reports().size(), 3u);
    EXPECT_TRUE(a->getParent() == &parent && !parent.getParent());
}

} // namespace
