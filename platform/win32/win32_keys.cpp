// Windows virtual-key codes for SDL keys, and the characters TranslateMessage makes of them.
#include "win32/win32_local.h"

namespace {

struct KeyPair {
    SDL_Keycode sdl;
    WPARAM virtualKey;
};

// Keys whose code does not follow from their character.
constexpr KeyPair KEY_TABLE[] = {
    {SDLK_BACKSPACE, VK_BACK},
    {SDLK_TAB, VK_TAB},
    {SDLK_CLEAR, VK_CLEAR},
    {SDLK_RETURN, VK_RETURN},
    {SDLK_RETURN2, VK_RETURN},
    {SDLK_PAUSE, VK_PAUSE},
    {SDLK_CAPSLOCK, VK_CAPITAL},
    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, VK_SPACE},
    {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},
    {SDLK_END, VK_END},
    {SDLK_HOME, VK_HOME},
    {SDLK_LEFT, VK_LEFT},
    {SDLK_UP, VK_UP},
    {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},
    {SDLK_SELECT, VK_SELECT},
    {SDLK_EXECUTE, VK_EXECUTE},
    {SDLK_PRINTSCREEN, VK_SNAPSHOT},
    {SDLK_INSERT, VK_INSERT},
    {SDLK_DELETE, VK_DELETE},
    {SDLK_HELP, VK_HELP},
    {SDLK_LGUI, VK_LWIN},
    {SDLK_RGUI, VK_RWIN},
    {SDLK_APPLICATION, VK_APPS},
    {SDLK_MENU, VK_APPS},
    {SDLK_SLEEP, VK_SLEEP},
    {SDLK_KP_MULTIPLY, VK_MULTIPLY},
    {SDLK_KP_PLUS, VK_ADD},
    {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_PERIOD, VK_DECIMAL},
    {SDLK_KP_DECIMAL, VK_DECIMAL},
    {SDLK_KP_DIVIDE, VK_DIVIDE},
    {SDLK_NUMLOCKCLEAR, VK_NUMLOCK},
    {SDLK_SCROLLLOCK, VK_SCROLL},
    // WM_KEYDOWN reports the generic modifier codes, not the left and right ones.
    {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},
    {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},
    {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},
    {SDLK_MUTE, VK_VOLUME_MUTE},
    {SDLK_VOLUMEDOWN, VK_VOLUME_DOWN},
    {SDLK_VOLUMEUP, VK_VOLUME_UP},
    {SDLK_AUDIONEXT, VK_MEDIA_NEXT_TRACK},
    {SDLK_AUDIOPREV, VK_MEDIA_PREV_TRACK},
    {SDLK_AUDIOSTOP, VK_MEDIA_STOP},
    {SDLK_AUDIOPLAY, VK_MEDIA_PLAY_PAUSE},
    {SDLK_SEMICOLON, VK_OEM_1},
    {SDLK_EQUALS, VK_OEM_PLUS},
    {SDLK_PLUS, VK_OEM_PLUS},
    {SDLK_COMMA, VK_OEM_COMMA},
    {SDLK_MINUS, VK_OEM_MINUS},
    {SDLK_PERIOD, VK_OEM_PERIOD},
    {SDLK_SLASH, VK_OEM_2},
    {SDLK_BACKQUOTE, VK_OEM_3},
    {SDLK_LEFTBRACKET, VK_OEM_4},
    {SDLK_BACKSLASH, VK_OEM_5},
    {SDLK_RIGHTBRACKET, VK_OEM_6},
    {SDLK_QUOTE, VK_OEM_7},
    {SDLK_LESS, VK_OEM_102},
};

} // namespace

WPARAM Win32VirtualKey(const SDL_Keysym& keysym) {
    const SDL_Keycode key = keysym.sym;
    if (key >= SDLK_a && key <= SDLK_z) {
        return static_cast<WPARAM>('A' + (key - SDLK_a));
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return static_cast<WPARAM>('0' + (key - SDLK_0));
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return VK_F1 + static_cast<WPARAM>(key - SDLK_F1);
    }
    if (key >= SDLK_F13 && key <= SDLK_F24) {
        return VK_F1 + 12 + static_cast<WPARAM>(key - SDLK_F13);
    }
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
        return VK_NUMPAD0 + 1 + static_cast<WPARAM>(key - SDLK_KP_1);
    }
    if (key == SDLK_KP_0) {
        return VK_NUMPAD0;
    }
    for (const KeyPair& pair : KEY_TABLE) {
        if (pair.sdl == key) {
            return pair.virtualKey;
        }
    }
    // Letters of other layouts: fall back to the key's position on a US keyboard.
    const SDL_Scancode scancode = keysym.scancode;
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
        return static_cast<WPARAM>('A' + (scancode - SDL_SCANCODE_A));
    }
    return 0;
}

int Win32KeyCharacter(WPARAM virtualKey, bool shift) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        return shift ? static_cast<int>(virtualKey) : static_cast<int>(virtualKey - 'A' + 'a');
    }
    if (virtualKey >= '0' && virtualKey <= '9') {
        return static_cast<int>(virtualKey);
    }
    switch (virtualKey) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_SPACE:
        return static_cast<int>(virtualKey);
    default:
        return 0;
    }
}
