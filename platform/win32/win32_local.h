// Internals shared by the Win32 layer's files: window records, key translation and the
// message queue. Only platform/win32 includes this.
#pragma once

#include "win32/win32_platform.h"
#include "win32/windows.h"

#include <SDL.h>

#include <string>

struct HWND__ {
    SDL_Window* sdlWindow = nullptr;
    WNDPROC windowProc = nullptr;
    std::string className;
    bool destroyed = false;
    int attachedDevices = 0;
    int backBufferWidth = 0;
    int backBufferHeight = 0;
    // Full screen (the window covers the display) rather than a window of the back buffer's size.
    bool coversDisplay = false;
};

// The window whose SDL id this is, or null.
HWND Win32FindWindow(Uint32 sdlWindowId);

// The one live window (the engine has one), or null; mouse and key messages go to it.
HWND Win32MainWindow();

// Maps window pixels to back-buffer pixels and back, with the letterbox the device presents.
void Win32WindowToBackBuffer(HWND hWnd, int windowX, int windowY, int& x, int& y);
void Win32BackBufferToWindow(HWND hWnd, int x, int y, int& windowX, int& windowY);

// Keeps the cursor position in back-buffer pixels as events and warps report it.
void Win32SetCursorState(int x, int y);

// The Windows virtual-key code of an SDL key, or 0 for keys Windows has no code for.
WPARAM Win32VirtualKey(const SDL_Keysym& keysym);

// The character TranslateMessage produces for a key, or 0.
int Win32KeyCharacter(WPARAM virtualKey, bool shift);

// Appends a message to the queue.
void Win32QueueMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
