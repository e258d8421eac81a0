#include "engine/problemreport.h"

#include "engine/assert.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace Kestrel {
namespace {

const size_t MAX_QUOTED = 40;

bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

} // namespace

bool ProblemReport::admit() {
    return ++m_Count <= MAX_PRINTED;
}

void ProblemReport::add(unsigned line, const std::string& what) {
    if (admit())
        reportMessage(MessageSeverity::DATA_ERROR, "Error: %s file '%s' line %u: %s.", m_Kind,
                      m_Path.c_str(), line, what.c_str());
}

void ProblemReport::add(const std::string& what) {
    if (admit())
        reportMessage(MessageSeverity::DATA_ERROR, "Error: %s file '%s' %s.", m_Kind,
                      m_Path.c_str(), what.c_str());
}

void ProblemReport::finish() {
    if (m_Finished)
        return;
    m_Finished = true;
    if (m_Count > MAX_PRINTED)
        reportMessage(MessageSeverity::DATA_ERROR, "Error: %s file '%s' has %u more problems.",
                      m_Kind, m_Path.c_str(), m_Count - MAX_PRINTED);
}

bool isNumberText(const std::string& text) {
    const char* start = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start)
        return false;
    while (*end && isSpace(*end))
        ++end;
    // strtod also reads "inf", "nan" and hexadecimal numbers; the files hold decimals.
    for (const char* c = start; c < end; ++c) {
        if (std::isalpha(static_cast<unsigned char>(*c)) && *c != 'e' && *c != 'E')
            return false;
    }
    // Beyond float range the value would be infinite.
    return *end == '\0' && std::isfinite(static_cast<float>(value));
}

std::string vectorProblem(const std::string& text, unsigned minCount, unsigned maxCount) {
    const size_t open = text.find('(');
    if (open == std::string::npos)
        return "'" + quoted(text) + "' is a vector without parentheses";
    if (text.find(')', open) == std::string::npos)
        return "'" + quoted(text) + "' is a vector without its closing parenthesis";
    unsigned count = 0;
    size_t cursor = open + 1;
    while (cursor < text.size()) {
        cursor = text.find_first_not_of(",)", cursor);
        if (cursor == std::string::npos)
            break;
        size_t end = text.find_first_of(",)", cursor);
        if (end == std::string::npos)
            end = text.size();
        const std::string piece = text.substr(cursor, end - cursor);
        cursor = end;
        // Trailing white space, such as a carriage return, is no piece.
        if (piece.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (!isNumberText(piece))
            return "'" + quoted(piece) + "' is not a number";
        ++count;
    }
    if (count < minCount || count > maxCount)
        return "'" + quoted(text) + "' has " + std::to_string(count) + " numbers, not " +
               std::to_string(minCount) +
               (maxCount > minCount ? " to " + std::to_string(maxCount) : std::string());
    return std::string();
}

std::string quoted(const std::string& text) {
    std::string shown = text.substr(0, MAX_QUOTED);
    for (char& c : shown) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || u > 126)
            c = '?';
    }
    if (text.size() > MAX_QUOTED)
        shown += "...";
    return shown;
}

} // namespace Kestrel
