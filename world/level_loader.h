// Loading the one level: images, lights, the eight models, the corona buffer, the shading and
// the collectible places.
#pragma once

#include "win32/windows.h"

// Loads everything from the data folder. S_OK, or E_FAIL at the first file that cannot be
// loaded (everything loaded so far stays for shutdown to release).
HRESULT LoadLevel();

// The file LoadLevel failed on, as the engine names it ("data\L1.x"), or an empty string.
const char* LoadLevelFailedFile();

// What that file is to a player: "level model", "image" or "menu image"; empty with no failure.
const char* LoadLevelFailedNoun();

// Places the ten collectibles: nine distinct candidates drawn with rand(), the tenth always
// the fixed candidate.
void PlaceCollectibles();
