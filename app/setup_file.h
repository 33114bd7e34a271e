// Reading Setup.txt, the game's only configuration, into EngineState.
#pragma once

#include "core/engine_state.h"

#include <cstdio>
#include <string>
#include <vector>

// GAME_SPEED values the game takes, in thousandths; others keep the default speed of 2.0. Zero
// freezes the opening flight and a negative speed runs it backwards out of the level; far above
// the default a frame's step outruns what the walking and the flights were made for.
constexpr int GAME_SPEED_MIN = 1;
constexpr int GAME_SPEED_MAX = 10000;

// Reads the settings from the file's text: eleven lines in fixed order and an optional twelfth
// (WINDOWED). Reading stops at the first line that does not match its pattern; every setting
// not read keeps the value it has when no file exists (640 by 480, 16-bit colour, the
// compiled-in flags), so a broken file never leaves a zero screen size. Returns one warning
// line per problem (naming the file as fileName), empty when the file was read as it stands.
std::vector<std::string> ReadSetupText(const std::string& text, EngineState& state,
                                       const char* fileName = "Setup.txt");

// The same for an open file, read from its current position to its end.
std::vector<std::string> ReadSetupFile(std::FILE* file, EngineState& state,
                                       const char* fileName = "Setup.txt");

// Opens the file at path (normally "Setup.txt" in the working folder) and reads it. A missing
// file gives the defaults without a warning; a folder or an unreadable file gives them with one.
std::vector<std::string> ReadSetup(const char* path, EngineState& state);
