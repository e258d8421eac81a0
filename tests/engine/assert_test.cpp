#include "engine/assert.h"

#include "support/message_recorder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdio_ext.h>
#include <string>

using Kestrel::MessageSeverity;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

void ignore(MessageSeverity, const char*) {}

// The default prints data errors on standard output and driver errors on
// standard error, each with one line end, as the engine always has; a handler
// installed in its place sees the formatted text and nothing is printed.
TEST(AssertTest, MessagesReachTheHandlerAndTheDefaultPrintsThemByKind) {
    CaptureStdout();
    CaptureStderr();
    Kestrel::reportMessage(MessageSeverity::DATA_ERROR, "Error: %s file '%s' line %u.", "Mesh",
                           "ant.kst", 12u);
    Kestrel::reportMessage(MessageSeverity::DRIVER_ERROR, "%s\n%s", "Error Linking", "0:1: bad");
    EXPECT_EQ(GetCapturedStderr(), "Error Linking\n0:1: bad\n");
    EXPECT_EQ(GetCapturedStdout(), "Error: Mesh file 'ant.kst' line 12.\n");

    {
        TestSupport::MessageRecorder messages;
        CaptureStdout();
        Kestrel::reportMessage(MessageSeverity::DATA_ERROR, "%s", std::string(3000, 'x').c_str());
        EXPECT_EQ(GetCapturedStdout(), "");
        EXPECT_EQ(messages.text(), std::string(3000, 'x') + "\n");
    }
    // Installing null puts the default back.
    const Kestrel::MessageHandler original = Kestrel::setMessageHandler(ignore);
    EXPECT_EQ(Kestrel::setMessageHandler(nullptr), ignore);
    EXPECT_EQ(Kestrel::setMessageHandler(nullptr), original);
    CaptureStdout();
    Kestrel::reportMessage(MessageSeverity::DATA_ERROR, "back");
    EXPECT_EQ(GetCapturedStdout(), "back\n");
}

// A data error printed just before an assertion report stays before it when
// both streams go to one file.
TEST(AssertTest, AnAssertionReportFlushesStandardOutputFirst) {
    CaptureStdout();
    CaptureStderr();
    std::printf("pending");
    ASSERT_GT(__fpending(stdout), 0u);
    Kestrel::reportAssertion("index < count", "engine/deep/place.cpp", 7);
    EXPECT_EQ(__fpending(stdout), 0u);
    EXPECT_EQ(GetCapturedStderr(), "Assertion failed: index < count (place.cpp:7)\n");
    EXPECT_EQ(GetCapturedStdout(), "pending");
}

} // namespace
