// Tells what is wrong in one data file, one engine message per
// problem ("Error: Mesh file 'ant.kst' line 12: ..."). A file of random bytes
// has thousands of problems: only the first few are printed, then their count.
#pragma once

#include <string>

namespace Kestrel {

class ProblemReport {
public:
    static const unsigned MAX_PRINTED = 8;

    // kind names the file type in messages: "Mesh", "Animation".
    ProblemReport(const char* kind, const std::string& path) : m_Kind(kind), m_Path(path) {}
    ProblemReport(const ProblemReport&) = delete;
    ProblemReport& operator=(const ProblemReport&) = delete;

    void add(unsigned line, const std::string& what);
    void add(const std::string& what);
    // Prints how many problems went unprinted, once.
    void finish();

    unsigned getCount() const { return m_Count; }
    const std::string& getPath() const { return m_Path; }

private:
    bool admit();

    const char* m_Kind;
    std::string m_Path;
    unsigned m_Count = 0;
    bool m_Finished = false;
};

// What is wrong with a vector value "(x,y,z)" as parseNumbers reads it: empty
// when it has its parentheses and minCount to maxCount numbers.
std::string vectorProblem(const std::string& text, unsigned minCount, unsigned maxCount);
// True when text, white space around it aside, is one decimal number that a
// float holds.
bool isNumberText(const std::string& text);
// The text as it may appear in a message: at most 40 characters, control
// characters and bytes above 126 as '?'.
std::string quoted(const std::string& text);

} // namespace Kestrel
