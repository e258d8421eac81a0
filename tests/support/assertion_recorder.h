// Records the engine's assertion reports for the lifetime of the object instead
// of printing them, so a test can check exactly which conditions were reported.
#pragma once

#include "engine/assert.h"

#include <string>
#include <vector>

namespace TestSupport {

class AssertionRecorder {
public:
    AssertionRecorder();
    ~AssertionRecorder();
    AssertionRecorder(const AssertionRecorder&) = delete;
    AssertionRecorder& operator=(const AssertionRecorder&) = delete;

    const std::vector<std::string>& reports() const;
    bool reported(const std::string& condition) const;
    void clear();

private:
    Kestrel::AssertionHandler m_Previous;
};

} // namespace TestSupport
