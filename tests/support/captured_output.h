// What test code prints. A capture always ends, even when a fatal assertion
// leaves the code early, so its text is kept and the next capture can start.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace TestSupport {

inline std::string capturedStdout(const std::function<void()>& code) {
    ::testing::internal::CaptureStdout();
    code();
    return ::testing::internal::GetCapturedStdout();
}

// Output that holds the message, or no output at all when the message is empty.
inline ::testing::AssertionResult printed(const std::string& output, const std::string& message) {
    if (message.empty() ? output.empty() : output.find(message) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << (message.empty() ? "expected no output" : "expected \"" + message + "\"")
           << ", got \"" << output << "\"";
}

} // namespace TestSupport
