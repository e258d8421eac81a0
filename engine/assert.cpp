#include "engine/assert.h"

#include <cstdio>
#include <cstring>

namespace Kestrel {
namespace {

const char* baseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

void printAssertion(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "Assertion failed: %s (%s:%d)\n", condition, baseName(file), line);
}

AssertionHandler g_AssertionHandler = printAssertion;

} // namespace

void reportAssertion(const char* condition, const char* file, int line) {
    g_AssertionHandler(condition, file, line);
}

AssertionHandler setAssertionHandler(AssertionHandler handler) {
    AssertionHandler previous = g_AssertionHandler;
    g_AssertionHandler = handler ? handler : printAssertion;
    return previous;
}

} // namespace Kestrel
