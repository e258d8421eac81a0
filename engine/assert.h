// The engine's precondition check: reports the condition text with its source
// place and lets the operation go on, as the engine's callers expect. Tests swap
// the handler to record reports instead of printing them.
#pragma once

namespace Kestrel {

using AssertionHandler = void (*)(const char* condition, const char* file, int line);

void reportAssertion(const char* condition, const char* file, int line);

// Installs a handler (null restores the default, which prints to standard
// error) and returns the one it replaces.
AssertionHandler setAssertionHandler(AssertionHandler handler);

} // namespace Kestrel

// The report quotes the condition as written.
#define KESTREL_ASSERT(condition)                                                                  \
    ((condition) ? (void)0 : ::Kestrel::reportAssertion(#condition, __FILE__, __LINE__))

// For conditions whose reported text is spelled differently from the C++ (null
// for nullptr), so that reports keep the engine's established texts.
#define KESTREL_ASSERT_TEXT(condition, text)                                                       \
    ((condition) ? (void)0 : ::Kestrel::reportAssertion(text, __FILE__, __LINE__))
