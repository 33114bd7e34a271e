// Tokenising the level description.
#include "level_source.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace levelbuild {

namespace {

bool ParseFloat(const std::string& text, float& value) {
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size();
}

[[noreturn]] void Fail(const Statement& s, const std::string& what) {
    throw std::runtime_error("line " + std::to_string(s.line) + " (" + s.keyword + "): " + what);
}

} // namespace

float Statement::Num(size_t i) const {
    float value = 0;
    if (i >= args.size() || !ParseFloat(args[i], value)) {
        Fail(*this, "argument " + std::to_string(i + 1) + " must be a number");
    }
    return value;
}

const std::string& Statement::Name(size_t i) const {
    if (i >= args.size()) {
        Fail(*this, "missing argument " + std::to_string(i + 1));
    }
    return args[i];
}

bool Statement::Has(const std::string& word) const {
    for (const std::string& a : args) {
        if (a == word) {
            return true;
        }
    }
    return false;
}

std::string Statement::NameAfter(const std::string& word, const std::string& fallback) const {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == word) {
            return Name(i + 1);
        }
    }
    return fallback;
}

std::vector<std::vector<float>> Statement::Groups(const std::string& word, size_t count) const {
    std::vector<std::vector<float>> groups;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != word) {
            continue;
        }
        std::vector<float> g;
        for (size_t k = 0; k < count; ++k) {
            g.push_back(Num(i + 1 + k));
        }
        groups.push_back(g);
        i += count;
    }
    return groups;
}

std::vector<Statement> ReadLevelSource(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    std::vector<Statement> statements;
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos) {
            line.erase(hash);
        }
        std::istringstream words(line);
        Statement s;
        s.line = number;
        if (!(words >> s.keyword)) {
            continue;
        }
        std::string w;
        while (words >> w) {
            s.args.push_back(w);
        }
        statements.push_back(s);
    }
    return statements;
}

} // namespace levelbuild
