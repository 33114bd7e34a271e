// The cursor: hidden over the window, positioned in back-buffer pixels. The position is kept
// here as mouse events report it, so the engine reads the same value for a whole frame and a
// replay can set it exactly.
#include "win32/win32_local.h"

namespace {
POINT cursor = {0, 0};
}

void Win32SetCursorState(int x, int y) {
    cursor.x = x;
    cursor.y = y;
}

HCURSOR SetCursor(HCURSOR hCursor) {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        SDL_ShowCursor(hCursor == nullptr ? SDL_DISABLE : SDL_ENABLE);
    }
    return nullptr;
}

BOOL GetCursorPos(POINT* lpPoint) {
    if (lpPoint == nullptr) {
        return FALSE;
    }
    *lpPoint = cursor;
    return TRUE;
}

BOOL SetCursorPos(int X, int Y) {
    cursor.x = X;
    cursor.y = Y;
    HWND window = Win32MainWindow();
    SDL_Window* sdlWindow = Win32GetSdlWindow(window);
    if (sdlWindow != nullptr && !Win32IsHeadlessDriver() &&
        (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN) != 0) {
        int windowX = 0;
        int windowY = 0;
        Win32BackBufferToWindow(window, X, Y, windowX, windowY);
        SDL_WarpMouseInWindow(sdlWindow, windowX, windowY);
        // The warp reports a motion to the new place; the engine has already accounted for it.
        SDL_FlushEvent(SDL_MOUSEMOTION);
    }
    return TRUE;
}
