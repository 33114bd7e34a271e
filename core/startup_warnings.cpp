// Start-up warnings on stderr, kept in order for tests.
#include "core/startup_warnings.h"

#include <cstdio>
#include <set>

namespace {

std::vector<std::string>& Given() {
    static std::vector<std::string> warnings;
    return warnings;
}

std::set<std::string>& WarnedKeys() {
    static std::set<std::string> keys;
    return keys;
}

} // namespace

void StartupWarning(const std::string& text) {
    Given().push_back(text);
    std::fprintf(stderr, "ovrel: warning: %s\n", text.c_str());
    std::fflush(stderr);
}

void StartupWarningOnce(const std::string& key, const std::string& text) {
    if (WarnedKeys().insert(key).second) {
        StartupWarning(text);
    }
}

const std::vector<std::string>& StartupWarnings() {
    return Given();
}

void ClearStartupWarnings() {
    Given().clear();
    WarnedKeys().clear();
}

std::string ShownPath(const char* enginePath) {
    // Model files often double their separators (data\\tex\\gem.png); the system reads a
    // run of them as one, and so does the player.
    std::string shown;
    for (const char* c = enginePath != nullptr ? enginePath : ""; *c != '\0'; ++c) {
        const bool separator = *c == '\\' || *c == '/';
        if (!separator) {
            shown += *c;
        } else if (shown.empty() || shown.back() != '/') {
            shown += '/';
        }
    }
    return shown;
}

std::string CauseWithoutPath(const std::string& cause, const std::string& shownPath) {
    for (const std::string& prefix : {"cannot read " + shownPath + ": ", shownPath + ": "}) {
        if (cause.rfind(prefix, 0) == 0) {
            return cause.substr(prefix.size());
        }
    }
    return cause;
}
