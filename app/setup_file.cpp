// Setup.txt: eleven lines in fixed order, each matched with a scanf pattern, so a blank or the
// closing newline of a pattern matches any run of white space (also none).
#include "app/setup_file.h"

namespace {

void ApplyMissingFileDefaults(EngineState& state) {
    state.screenWidth = 640;
    state.screenHeight = 480;
    state.backBufferFormat = D3DFMT_R5G6B5;
}

void UpdateScreenRect(EngineState& state) {
    state.screenRect = {0, 0, state.screenWidth, state.screenHeight};
}

// Reads one line's value with its pattern; false when the line does not match.
bool ReadValue(std::FILE* file, const char* pattern, int& value) {
    return std::fscanf(file, pattern, &value) == 1;
}

} // namespace

void ReadSetupFile(std::FILE* file, EngineState& state) {
    ApplyMissingFileDefaults(state);
    int value = 0;
    // Each step reads one line; the first line that does not fit ends the reading.
    do {
        if (!ReadValue(file, "WIDTH= %d\n", value)) {
            break;
        }
        state.screenWidth = value;
        if (!ReadValue(file, "HEIGHT= %d\n", value)) {
            break;
        }
        state.screenHeight = value;
        if (!ReadValue(file, "COLOR_BITS [16,32]= %d\n", value)) {
            break;
        }
        state.backBufferFormat = value == 32 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5;
        if (!ReadValue(file, "RENDERING [0..software,1..hardware]= %d\n", value)) {
            break;
        }
        state.hardwareRendering = value == 1 ? 1 : 0;
        if (!ReadValue(file, "SOUNDS [0,1]= %d\n", value)) {
            break;
        }
        state.soundsEnabled = value != 0 ? 1 : 0;
        if (!ReadValue(file, "TRUE_SHADOWS [0,1]= %d\n", value)) {
            break;
        }
        state.trueShadows = value != 0 ? 1 : 0;
        if (!ReadValue(file, "LIGHTS [0,1]= %d\n", value)) {
            break;
        }
        state.lightsEnabled = value != 0 ? 1 : 0;
        if (!ReadValue(file, "SKY_BOX [0,1]= %d\n", value)) {
            break;
        }
        state.skyBoxEnabled = value != 0 ? 1 : 0;
        if (!ReadValue(file, "FOG [0,1]= %d\n", value)) {
            break;
        }
        state.fogEnabled = value != 0 ? 1 : 0;
        if (!ReadValue(file, "INVERT_MOUSE [0,1]= %d\n", value)) {
            break;
        }
        state.invertMouse = value != 0 ? 1 : 0;
        if (!ReadValue(file, "GAME_SPEED= %d\n", value)) {
            break;
        }
        state.gameSpeed = static_cast<float>(value / 1000.0);
    } while (false);
    UpdateScreenRect(state);
}

void ReadSetup(const char* path, EngineState& state) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        ApplyMissingFileDefaults(state);
        UpdateScreenRect(state);
        return;
    }
    ReadSetupFile(file, state);
    std::fclose(file);
}
