// The full-screen images of the title screen, the main menu and the end screen.
#pragma once

#include "win32/windows.h"

// Draws the image of the current screen mode over the whole back buffer and presents it.
HRESULT RenderMenuScreen();
