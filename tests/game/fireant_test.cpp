#include "game/fireant.h"

#include "game/field.h"

#include "engine/bone.h"
#include "engine/particlemanager.h"
#include "engine/scenenode.h"
#include "game/flame.h"

#include <algorithm>
#include <list>
#include <vector>

using Kestrel::Vector3;
using namespace TestSupport;

namespace {

class FireAntTest : public FieldTest {
protected:
    std::vector<Flame*> flames() const {
        std::vector<Flame*> found;
        for (Kestrel::Particle* p : particles()) {
            if (Flame* flame = dynamic_cast<Flame*>(p))
                found.push_back(flame);
        }
        return found;
    }
    // Flames make the only other kind of particle.
    size_t smokes() const { return particles().size() - flames().size(); }
    const std::list<Kestrel::Particle*>& particles() const {
        return world()->m_Scene->getParticleManager()->getParticles();
    }

    Flame* addFlame(const Vector3& at, const Vector3& direction) {
        Flame* flame = new Flame(at, direction);
        world()->m_Scene->getParticleManager()->addParticle(flame);
        return flame;
    }
};

// Like a soldier it walks up at 2 units a second; the frame the countdown runs
// out it neither moves nor turns. Then, standing, it sends a flame from its head
// at the first frame after each 0.2 s (every 13th) until the breath ends.
TEST_F(FireAntTest, ApproachesThenBreathesAFlameEveryFifthOfASecond) {
    FireAnt* ant = addEnemy<FireAnt>(8.0f, 12.0f);
    const float countdown = ant->getFireCountdown();
    EXPECT_GE(countdown, 2.0f);
    EXPECT_LE(countdown, 4.0f);
    step(1);
    const Vector3 start = ant->getPosition();
    step(30);
    EXPECT_TRUE(near(ant->getFireCountdown(), countdown - 31 * FRAME, 1e-4f));
    EXPECT_TRUE(near(start.z - ant->getPosition().z, 30 * 2.0f * FRAME, 1e-3f));
    EXPECT_EQ(ant->getCurrentAnimation(), animation("antwalk.ksta"));
    Vector3 where = start;
    float heading = 0.0f;
    for (int frame = 0; ant->getFireCountdown() > 0.0f && frame < 400; ++frame) {
        where = ant->getPosition();
        heading = ant->getRotationY();
        step(1);
    }
    EXPECT_EQ(ant->getRotationY(), heading);
    EXPECT_EQ(ant->getCurrentAnimation(), animation("antfire.ksta"));
    EXPECT_TRUE(flames().empty());

    Kestrel::Bone* head = ant->getBone("Head");
    ASSERT_NE(head, nullptr);
    std::vector<int> emitted;
    for (int frame = 1; ant->getFireCountdown() <= 0.0f && frame < 400; ++frame) {
        EXPECT_TRUE(near(ant->getPosition(), where));
        const Vector3 mouth = head->transformPoint(Vector3(0.0f, 0.0f, 0.2f));
        const Vector3 back = head->transformPoint(Vector3(0.0f, 0.0f, 1.0f));
        const Vector3 ahead = Vector3(mouth.x - back.x, 0.0f, mouth.z - back.z).normalized();
        step(1);
        if (ant->getFlameTimer() != 0.0f)
            continue;
        emitted.push_back(frame);
        // Born at the mouth, then moved one frame along the head's -z, level,
        // toward the player.
        ASSERT_FALSE(flames().empty());
        Flame* newest = flames().back();
        EXPECT_TRUE(near(newest->m_Direction, ahead, 1e-4f));
        EXPECT_TRUE(near(newest->m_Position, mouth + ahead * (5 * FRAME), 1e-3f));
        EXPECT_LT(ahead.z, -0.7f);
    }
    ASSERT_GE(emitted.size(), 3u);
    for (size_t i = 1; i < emitted.size(); ++i)
        EXPECT_EQ(emitted[i] - emitted[i - 1], 13);
    // After the breath the next countdown is drawn afresh between 2 and 4 s;
    // enough draws reach both ends.
    EXPECT_GE(ant->getFireCountdown(), 2.0f);
    EXPECT_LE(ant->getFireCountdown(), 4.0f);
    float shortest = 10.0f, longest = 0.0f;
    for (int i = 0; i < 200; ++i) {
        ant->resetFireCountdown();
        shortest = std::min(shortest, ant->getFireCountdown());
        longest = std::max(longest, ant->getFireCountdown());
    }
    EXPECT_TRUE(near(shortest, 2.0f, 0.05f));
    EXPECT_TRUE(near(longest, 4.0f, 0.05f));
}

// A flame grows for a second and lives two, smoking about nine times; smoke
// lives 0.8 s.
TEST_F(FireAntTest, AFlameGrowsSmokesAndDiesAfterTwoSeconds) {
    // Straight along z over flat ground at x = 12.
    Flame* flame = addFlame(Vector3(12.0f, 0.3f, 1.0f), Vector3(0.0f, 0.0f, 3.0f));
    EXPECT_EQ(flame->m_Size, 0.0f);
    size_t puffs = 0, last = 0;
    for (int frame = 1; frame <= 126; ++frame) {
        step(1);
        const size_t now = smokes();
        puffs += now > last ? now - last : 0;
        last = now;
        if (frame == 25) {
            EXPECT_TRUE(near(flame->m_Size, 25 * FRAME, 1e-4f));
            EXPECT_TRUE(
                near(flame->m_Position, Vector3(12.0f, 0.3f, 1.0f + 25 * 5 * FRAME), 1e-3f));
        }
        if (frame == 75) {
            EXPECT_EQ(flame->m_Size, 1.0f);
        }
        // Alive up to an age of 2 (125 frames), gone once past it.
        EXPECT_EQ(flames().size(), frame <= 124 ? 1u : 0u) << frame;
    }
    EXPECT_GE(puffs, 8u);
    EXPECT_LE(puffs, 10u);
    step(60);
    EXPECT_EQ(smokes(), 0u);
}

TEST_F(FireAntTest, AFlameGoesOutInTheGround) {
    // Low over flat ground toward the raised block at x = 4..5, z = 6..7, which
    // it meets just past x = 3, about 0.45 s in.
    addFlame(Vector3(1.0f, 0.05f, 6.5f), Vector3(1.0f, 0.0f, 0.0f));
    step(20);
    ASSERT_EQ(flames().size(), 1u);
    step(10);
    EXPECT_TRUE(flames().empty());
}

// Where the flame was last seen tells a hit from a flame that died on its own
// (in the ground, of age), which a protected ant cannot.
TEST_F(FireAntTest, AFlameThatReachesThePlayerIsUsedUpAndKillsUnlessProtected) {
    for (const bool isProtected : {true, false}) {
        SCOPED_TRACE(isProtected ? "protected" : "unprotected");
        player()->m_InvulnerableTime = isProtected ? 1e9f : 0.0f;
        PlayerAnt* victim = player();
        const Vector3 p = victim->getPosition();
        Flame* flame = addFlame(p + Vector3(0.0f, 0.2f, 3.0f), Vector3(0.0f, 0.0f, -1.0f));
        flame->m_Age = 0.5f;
        Vector3 lastSeen = flame->m_Position;
        const auto gone = [&] {
            lastSeen = flames().empty() ? lastSeen : flame->m_Position;
            return flames().empty();
        };
        ASSERT_TRUE(stepUntil(gone, 60));
        EXPECT_LT((lastSeen - p).length(), 1.0f);
        EXPECT_EQ(victim->isDead(), !isProtected);
        EXPECT_EQ(world()->m_AntsLeft, isProtected ? 9 : 8);
    }
}

// 0.8 s to shrink from 0.8 to 0.4, rising 0.5 and drifting 0.25 per second.
TEST_F(FireAntTest, SmokeScattersByAQuarterAndDriftsUpAndAlongX) {
    // Enough puffs to reach both ends of the scatter on each axis.
    const Vector3 at(5.0f, 1.0f, 5.0f);
    Vector3 low(1.0f, 1.0f, 1.0f), high(-1.0f, -1.0f, -1.0f);
    for (int i = 0; i < 600; ++i) {
        const Vector3 offset = Flame::Smoke(at).m_Position - at;
        low[i % 3] = std::min(low[i % 3], offset[i % 3]);
        high[i % 3] = std::max(high[i % 3], offset[i % 3]);
    }
    EXPECT_TRUE(near(low, Vector3(-0.25f, 0.0f, -0.25f), 0.02f));
    EXPECT_TRUE(near(high, Vector3(0.25f, 0.0f, 0.25f), 0.02f));
    Flame::Smoke smoke(at);
    EXPECT_EQ(smoke.m_Size, 0.8f);
    const Vector3 start = smoke.m_Position;
    int updates = 1;
    while (smoke.update(0.1f) && updates < 100)
        ++updates;
    EXPECT_TRUE(updates == 8 || updates == 9) << updates;
    EXPECT_TRUE(near(smoke.m_Position - start, Vector3(0.025f, 0.05f, 0.0f) * updates, 1e-4f));
}

// 0.2 in front at the ant's height, along its facing; then one frame of flight.
TEST_F(FireAntTest, WithoutAHeadFlamesLeaveTheFrontOfTheAntUntilItDies) {
    useBonelessMesh("fireant.kst");
    FireAnt* ant = addEnemy<FireAnt>(8.0f, 12.0f);
    ASSERT_EQ(ant->getBone("Head"), nullptr);
    ASSERT_TRUE(stepUntil([&] { return !flames().empty(); }, 400));
    Flame* flame = flames().back();
    const Vector3 facing = ant->getFacing();
    EXPECT_TRUE(near(flame->m_Direction, facing, 1e-5f));
    EXPECT_TRUE(near(flame->m_Position, ant->getPosition() + facing * (0.2f + 5 * FRAME), 1e-4f));
    // Killed mid-breath it stops breathing.
    ASSERT_TRUE(ant->die());
    const float timer = ant->getFlameTimer();
    step(40);
    EXPECT_EQ(ant->getFlameTimer(), timer);
}

} // namespace
