// Records the engine's assertion reports for the lifetime of the object instead
// of printing them, so a test can check exactly which conditions were reported.
#pragma once

#include "engine/assert.h"

#include <algorithm>
#include <string>
#include <vector>

namespace TestSupport {

// Installs an engine handler for the object's lifetime, then puts back the one
// it replaced.
template <typename Handler, Handler (*INSTALL)(Handler)>
class HandlerSwap {
public:
    explicit HandlerSwap(Handler handler) : m_Previous(INSTALL(handler)) {}
    ~HandlerSwap() { INSTALL(m_Previous); }
    HandlerSwap(const HandlerSwap&) = delete;
    HandlerSwap& operator=(const HandlerSwap&) = delete;

private:
    Handler m_Previous;
};

class AssertionRecorder {
public:
    AssertionRecorder() { clear(); }
    ~AssertionRecorder() { clear(); }

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
    HandlerSwap<Kestrel::AssertionHandler, Kestrel::setAssertionHandler> m_Swap{record};
};

} // namespace TestSupport
