// A particle that stays where it is put and shows one cell of the effect
// texture (a quarter square unless changed). It lives while its size is
// positive and logs each update to the journal it may be given, not owned.
#pragma once

#include "engine/particlemanager.h"

#include <string>
#include <vector>

namespace TestSupport {

class StillParticle : public Kestrel::Particle {
public:
    StillParticle(const Kestrel::Vector3& position, float size,
                  std::vector<std::string>* journal = nullptr)
        : m_Journal(journal) {
        m_Position = position;
        m_Size = size;
    }
    bool update(float) override {
        if (m_Journal)
            m_Journal->push_back("particle");
        return m_Size > 0.0f;
    }
    const Kestrel::Vector2& getTexCoordMin() const override { return m_Min; }
    const Kestrel::Vector2& getTexCoordMax() const override { return m_Max; }

    Kestrel::Vector2 m_Min{0.0f, 0.0f};
    Kestrel::Vector2 m_Max{0.25f, 0.25f};

private:
    std::vector<std::string>* m_Journal;
};

} // namespace TestSupport
