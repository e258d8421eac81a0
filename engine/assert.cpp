#include "engine/assert.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace Kestrel {
namespace {

const char* baseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// A data error printed just before stays before the report when both streams
// reach one terminal or file.
void printAssertion(const char* condition, const char* file, int line) {
    std::fflush(stdout);
    std::fprintf(stderr, "Assertion failed: %s (%s:%d)\n", condition, baseName(file), line);
}

void printMessage(MessageSeverity severity, const char* text) {
    if (severity == MessageSeverity::DATA_ERROR) {
        std::printf("%s\n", text);
        return;
    }
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", text);
}

AssertionHandler g_AssertionHandler = printAssertion;
MessageHandler g_MessageHandler = printMessage;

} // namespace

void reportAssertion(const char* condition, const char* file, int line) {
    g_AssertionHandler(condition, file, line);
}

AssertionHandler setAssertionHandler(AssertionHandler handler) {
    AssertionHandler previous = g_AssertionHandler;
    g_AssertionHandler = handler ? handler : printAssertion;
    return previous;
}

void reportMessage(MessageSeverity severity, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    std::vector<char> text(length > 0 ? size_t(length) + 1 : 1, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size(), format, arguments);
    va_end(arguments);
    g_MessageHandler(severity, text.data());
}

MessageHandler setMessageHandler(MessageHandler handler) {
    MessageHandler previous = g_MessageHandler;
    g_MessageHandler = handler ? handler : printMessage;
    return previous;
}

} // namespace Kestrel
