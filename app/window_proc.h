// The window procedure of the one window: screen-mode flow, key state, in-game command keys,
// the statistics file and left clicks.
#pragma once

#include "win32/windows.h"

// Handles the game's messages; everything else goes to DefWindowProcA.
LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Writes Debug.txt: the level's face count and the current and best frame rates. False when
// the file cannot be opened.
bool WriteStatistics(const char* path);
