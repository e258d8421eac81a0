#include "support/assertion_recorder.h"

#include <algorithm>

namespace TestSupport {
namespace {

std::vector<std::string> g_Reports;

void record(const char* condition, const char*, int) {
    g_Reports.emplace_back(condition);
}

} // namespace

AssertionRecorder::AssertionRecorder() : m_Previous(Kestrel::setAssertionHandler(record)) {
    g_Reports.clear();
}

AssertionRecorder::~AssertionRecorder() {
    Kestrel::setAssertionHandler(m_Previous);
    g_Reports.clear();
}

const std::vector<std::string>& AssertionRecorder::reports() const {
    return g_Reports;
}

bool AssertionRecorder::reported(const std::string& condition) const {
    return std::find(g_Reports.begin(), g_Reports.end(), condition) != g_Reports.end();
}

void AssertionRecorder::clear() {
    g_Reports.clear();
}

} // namespace TestSupport
