// Reading the level description: a line-based text file of statements (a keyword followed
// by numbers, names and options), with '#' comments.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace levelbuild {

struct Statement {
    std::string keyword;
    std::vector<std::string> args;
    int line = 0;

    // Number argument i; throws std::runtime_error naming the line if it is not a number.
    float Num(size_t i) const;
    // Name argument i; throws if missing.
    const std::string& Name(size_t i) const;
    // Whether a bare word appears among the arguments.
    bool Has(const std::string& word) const;
    // The name following word, or fallback when word does not appear; throws if word is
    // last.
    std::string NameAfter(const std::string& word, const std::string& fallback) const;
    // Numbers following each occurrence of word, count at a time.
    std::vector<std::vector<float>> Groups(const std::string& word, size_t count) const;
};

// Reads every statement of a file; throws std::runtime_error if the file cannot be read.
std::vector<Statement> ReadLevelSource(const std::string& path);

} // namespace levelbuild
