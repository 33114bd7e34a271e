// Reading Setup.txt, the game's only configuration, into EngineState.
#pragma once

#include "core/engine_state.h"

#include <cstdio>

// Reads the eleven settings lines from an open file. Reading stops at the first line that
// does not match its pattern; every setting not read keeps the value it has when no file
// exists (640 by 480, 16-bit colour, the compiled-in flags), so a broken file never leaves a
// zero screen size.
void ReadSetupFile(std::FILE* file, EngineState& state);

// Opens the file at path (normally "Setup.txt" in the working folder) and reads it; with no
// file, the missing-file defaults apply.
void ReadSetup(const char* path, EngineState& state);
