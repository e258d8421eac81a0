// Records the engine's assertion reports for the lifetime of the object instead
// of printing them, so a test can check exactly which conditions were reported.
#pragma once

#include "engine/assert.h"

#include <algorithm>
#include <string>
#include <vector>

namespace TestSupport {

class AssertionRecorder {
public:
    AssertionRecorder() : m_Previous(Kestrel::setAssertionHandler(record)) { clear(); }
    ~AssertionRecorder() {
        Kestrel::setAssertionHandler(m_Previous);
        clear();
    }
    AssertionRecorder(const AssertionRecorder&) = delete;
    AssertionRecorder& operator=(const AssertionRecorder&) = delete;

    const std::vector<std::string>& reports() const { return s_Reports; }
    bool reported(const std::string& condition) const {
        return std::find(s_Reports.begin(), s_Reports.end(), condition) != s_Reports.end();
    }
    void clear() { s_Reports.clear(); }

private:
    static void record(const char* condition, const char*, int) {
        s_Reports.emplace_back(condition);
    }

    static inline std::vector<std::string> s_Reports;
    Kestrel::AssertionHandler m_Previous;
};

} // namespace TestSupport
