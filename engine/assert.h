// The engine's two ways of speaking to its program. A broken precondition is
// reported with its condition text and source place, and the operation goes on;
// every other message (a data file refused, a driver's compile log) goes to one
// message sink. Both are handlers the program may replace; tests record them.
#pragma once

namespace Kestrel {

using AssertionHandler = void (*)(const char* condition, const char* file, int line);

void reportAssertion(const char* condition, const char* file, int line);

// Installs a handler (null restores the default, which prints to standard
// error) and returns the one it replaces.
AssertionHandler setAssertionHandler(AssertionHandler handler);

enum class MessageSeverity {
    // A data file missing, broken or refused in part; the engine goes on
    // without what it could not read. Printed on standard output by default.
    DATA_ERROR,
    // What the OpenGL driver refused or lacks: a shader's compile or link log,
    // missing entry points. Printed on standard error by default.
    DRIVER_ERROR,
};

// text is one message, possibly of several lines, without a final line end.
using MessageHandler = void (*)(MessageSeverity severity, const char* text);

// printf-style; the text is formatted once and handed to the message handler.
void reportMessage(MessageSeverity severity, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Installs a handler (null restores the default) and returns the one it replaces.
MessageHandler setMessageHandler(MessageHandler handler);

} // namespace Kestrel

// The report quotes the condition as written.
#define KESTREL_ASSERT(condition)                                                                  \
    ((condition) ? (void)0 : ::Kestrel::reportAssertion(#condition, __FILE__, __LINE__))

// For conditions whose reported text is spelled differently from the C++ (null
// for nullptr), so that reports keep the engine's established texts.
#define KESTREL_ASSERT_TEXT(condition, text)                                                       \
    ((condition) ? (void)0 : ::Kestrel::reportAssertion(text, __FILE__, __LINE__))
