// Full screen or a window: a full-screen device covers the display with its window, a windowed
// one shows a window of the back buffer's size, and Alt+Enter switches between the two while
// the game runs. Either way the device presents the back buffer letterboxed into whatever size
// the window has, and the cursor maps through the same letterbox, so nothing else changes.
#include "win32/win32_local.h"

#include <algorithm>

void Win32CoverDisplay(HWND hWnd) {
    SDL_Window* sdlWindow = Win32GetSdlWindow(hWnd);
    if (sdlWindow == nullptr) {
        return;
    }
    // Without a window manager (a bare X server) the full-screen request alone changes nothing
    // on screen, so the window is also made borderless and placed over the display itself.
    const int displayIndex = std::max(SDL_GetWindowDisplayIndex(sdlWindow), 0);
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(displayIndex, &bounds) == 0) {
        SDL_SetWindowBordered(sdlWindow, SDL_FALSE);
        SDL_SetWindowPosition(sdlWindow, bounds.x, bounds.y);
        SDL_SetWindowSize(sdlWindow, bounds.w, bounds.h);
    }
    SDL_SetWindowFullscreen(sdlWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
    hWnd->coversDisplay = true;
}

void Win32ShowAsWindow(HWND hWnd) {
    SDL_Window* sdlWindow = Win32GetSdlWindow(hWnd);
    if (sdlWindow == nullptr) {
        return;
    }
    SDL_SetWindowFullscreen(sdlWindow, 0);
    SDL_SetWindowBordered(sdlWindow, SDL_TRUE);
    if (hWnd->backBufferWidth > 0 && hWnd->backBufferHeight > 0) {
        SDL_SetWindowSize(sdlWindow, hWnd->backBufferWidth, hWnd->backBufferHeight);
    }
    const int displayIndex = std::max(SDL_GetWindowDisplayIndex(sdlWindow), 0);
    SDL_SetWindowPosition(sdlWindow, SDL_WINDOWPOS_CENTERED_DISPLAY(displayIndex),
                          SDL_WINDOWPOS_CENTERED_DISPLAY(displayIndex));
    hWnd->coversDisplay = false;
}

void Win32ToggleFullScreen(HWND hWnd) {
    if (Win32GetSdlWindow(hWnd) == nullptr) {
        return;
    }
    if (hWnd->coversDisplay) {
        Win32ShowAsWindow(hWnd);
    } else {
        Win32CoverDisplay(hWnd);
    }
}

bool Win32CoversDisplay(HWND hWnd) {
    return Win32GetSdlWindow(hWnd) != nullptr && hWnd->coversDisplay;
}
