// Setup.txt: eleven lines in fixed order and an optional twelfth, each matched with a scanf
// pattern, so a blank or the closing newline of a pattern matches any run of white space (also
// none). The whole text is matched from memory so that a line that does not fit can be named
// by its number.
#include "app/setup_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

// Far more than eleven settings lines need; a larger file is read only this far.
constexpr size_t SETUP_TEXT_LIMIT = 1 << 20;

constexpr int SETTING_COUNT = 12;
// The twelfth line came later; a file that ends before it reads as it always did.
constexpr int OPTIONAL_FROM = 12;

struct Setting {
    const char* pattern;
    void (*apply)(EngineState& state, int value);
};

int Flag(int value) {
    return value != 0 ? 1 : 0;
}

const Setting SETTINGS[SETTING_COUNT] = {
    {"WIDTH= %d\n", [](EngineState& s, int v) { s.screenWidth = v; }},
    {"HEIGHT= %d\n", [](EngineState& s, int v) { s.screenHeight = v; }},
    {"COLOR_BITS [16,32]= %d\n",
     [](EngineState& s, int v) { s.backBufferFormat = v == 32 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5; }},
    {"RENDERING [0..software,1..hardware]= %d\n",
     [](EngineState& s, int v) { s.hardwareRendering = v == 1 ? 1 : 0; }},
    {"SOUNDS [0,1]= %d\n", [](EngineState& s, int v) { s.soundsEnabled = Flag(v); }},
    {"TRUE_SHADOWS [0,1]= %d\n", [](EngineState& s, int v) { s.trueShadows = Flag(v); }},
    {"LIGHTS [0,1]= %d\n", [](EngineState& s, int v) { s.lightsEnabled = Flag(v); }},
    {"SKY_BOX [0,1]= %d\n", [](EngineState& s, int v) { s.skyBoxEnabled = Flag(v); }},
    {"FOG [0,1]= %d\n", [](EngineState& s, int v) { s.fogEnabled = Flag(v); }},
    {"INVERT_MOUSE [0,1]= %d\n", [](EngineState& s, int v) { s.invertMouse = Flag(v); }},
    {"GAME_SPEED= %d\n",
     [](EngineState& s, int v) { s.gameSpeed = static_cast<float>(v / 1000.0); }},
    {"WINDOWED [0,1]= %d\n", [](EngineState& s, int v) { s.windowed = Flag(v); }},
};

constexpr int GAME_SPEED_LINE = 11;
constexpr float DEFAULT_GAME_SPEED = 2.0f;

void ApplyMissingFileDefaults(EngineState& state) {
    state.screenWidth = 640;
    state.screenHeight = 480;
    state.backBufferFormat = D3DFMT_R5G6B5;
}

void UpdateScreenRect(EngineState& state) {
    state.screenRect = {0, 0, state.screenWidth, state.screenHeight};
}

// The pattern as a person would write the line: "SOUNDS [0,1]= <number>".
std::string ShownPattern(const char* pattern) {
    std::string shown = pattern;
    shown.replace(shown.find("%d"), 2, "<number>");
    shown.pop_back(); // the closing "\n"
    return shown;
}

// The setting's name, the pattern's first word: "SOUNDS".
std::string SettingName(const char* pattern) {
    const std::string text = pattern;
    return text.substr(0, text.find_first_of(" ="));
}

int LineNumberAt(const std::string& text, size_t offset) {
    int line = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        line += text[i] == '\n' ? 1 : 0;
    }
    return line;
}

// What the line holds from where matching stopped, short and printable.
std::string ShownLineText(const std::string& text, size_t offset) {
    constexpr size_t SHOWN_LIMIT = 60;
    std::string shown;
    for (size_t i = offset; i < text.size() && text[i] != '\n' && text[i] != '\r'; ++i) {
        if (shown.size() == SHOWN_LIMIT) {
            shown += "...";
            break;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        shown += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return shown;
}

std::string UnmatchedLineWarning(const std::string& text, size_t offset, int setting,
                                 const char* fileName) {
    const char* pattern = SETTINGS[setting].pattern;
    const std::string line = std::to_string(LineNumberAt(text, offset));
    const std::string rest =
        "; " + SettingName(pattern) +
        (setting + 1 < SETTING_COUNT ? " and the settings after it keep" : " keeps") +
        " the default";
    if (offset >= text.size()) {
        return std::string(fileName) + " ends before line " + line + ", which should read \"" +
               ShownPattern(pattern) + "\"" + rest;
    }
    const std::string shown = ShownLineText(text, offset);
    return std::string(fileName) + " line " + line +
           (shown.empty() ? " (empty)" : " (\"" + shown + "\")") + " does not match \"" +
           ShownPattern(pattern) + "\"" + rest;
}

std::string GameSpeedWarning(const std::string& text, size_t offset, int value,
                             const char* fileName) {
    return std::string(fileName) + " line " + std::to_string(LineNumberAt(text, offset)) +
           ": GAME_SPEED " + std::to_string(value) + " is outside " +
           std::to_string(GAME_SPEED_MIN) + " to " + std::to_string(GAME_SPEED_MAX) +
           "; the game runs at the default speed, 2000";
}

std::string ReadError(int error) {
    return std::strerror(error);
}

} // namespace

std::vector<std::string> ReadSetupText(const std::string& text, EngineState& state,
                                       const char* fileName) {
    std::vector<std::string> warnings;
    ApplyMissingFileDefaults(state);
    // sscanf reads up to a NUL; one inside the file ends the matching there, as a character
    // that matches no pattern would.
    const char* start = text.c_str();
    size_t offset = 0;
    for (int setting = 0; setting < SETTING_COUNT; ++setting) {
        const std::string pattern = std::string(SETTINGS[setting].pattern) + "%n";
        int value = 0;
        int consumed = -1;
        if (std::sscanf(start + offset, pattern.c_str(), &value, &consumed) != 1 || consumed < 0) {
            const bool optionalMissing = setting + 1 >= OPTIONAL_FROM && offset >= text.size();
            if (!optionalMissing) {
                warnings.push_back(UnmatchedLineWarning(text, offset, setting, fileName));
            }
            break;
        }
        if (setting + 1 == GAME_SPEED_LINE && (value < GAME_SPEED_MIN || value > GAME_SPEED_MAX)) {
            warnings.push_back(GameSpeedWarning(text, offset, value, fileName));
            state.gameSpeed = DEFAULT_GAME_SPEED;
        } else {
            SETTINGS[setting].apply(state, value);
        }
        offset += static_cast<size_t>(consumed);
    }
    UpdateScreenRect(state);
    return warnings;
}

std::vector<std::string> ReadSetupFile(std::FILE* file, EngineState& state, const char* fileName) {
    std::string text;
    char buffer[4096];
    size_t got = 0;
    while (text.size() < SETUP_TEXT_LIMIT &&
           (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
    }
    if (std::ferror(file) != 0) {
        const int error = errno;
        ApplyMissingFileDefaults(state);
        UpdateScreenRect(state);
        return {std::string("cannot read ") + fileName + ": " + ReadError(error) +
                "; every setting keeps its default"};
    }
    return ReadSetupText(text, state, fileName);
}

std::vector<std::string> ReadSetup(const char* path, EngineState& state) {
    struct stat info {};
    if (stat(path, &info) == 0 && S_ISDIR(info.st_mode)) {
        ApplyMissingFileDefaults(state);
        UpdateScreenRect(state);
        return {std::string(path) + " is a folder, not a settings file; every setting keeps "
                                    "its default"};
    }
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        const int error = errno;
        ApplyMissingFileDefaults(state);
        UpdateScreenRect(state);
        if (error == ENOENT) {
            return {};
        }
        return {std::string("cannot open ") + path + ": " + ReadError(error) +
                "; every setting keeps its default"};
    }
    std::vector<std::string> warnings = ReadSetupFile(file, state, path);
    std::fclose(file);
    return warnings;
}
