// MessageBoxA: SDL's modal message box, or one line on stderr where there is no display to
// show it on, so that a headless run never blocks.
#include "win32/win32_local.h"

#include <cstdio>

namespace {
int headlessSetting = -1; // -1: decide by the video driver
}

void Win32SetHeadlessMessageBoxes(bool headless) {
    headlessSetting = headless ? 1 : 0;
}

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT) {
    const char* text = lpText != nullptr ? lpText : "";
    const char* caption = lpCaption != nullptr ? lpCaption : "";
    const bool headless =
        headlessSetting == 1 ||
        (headlessSetting == -1 && (SDL_WasInit(SDL_INIT_VIDEO) == 0 || Win32IsHeadlessDriver()));
    if (!headless) {
        SDL_Window* owner = Win32GetSdlWindow(hWnd);
        if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, owner) == 0) {
            return IDOK;
        }
    }
    if (caption[0] != '\0') {
        std::fprintf(stderr, "%s: %s\n", caption, text);
    } else {
        std::fprintf(stderr, "%s\n", text);
    }
    return IDOK;
}
