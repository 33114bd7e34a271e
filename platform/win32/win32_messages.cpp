// The message queue: SDL events become Win32 messages with virtual-key codes and back-buffer
// coordinates, PeekMessageA takes them one at a time, DispatchMessageA calls the window
// procedure on the calling thread. Mouse moves are coalesced into one pending WM_MOUSEMOVE,
// as the platform does.
#include "win32/win32_local.h"

#include <deque>

namespace {

std::deque<MSG> queue;
bool quitPosted = false;
int quitCode = 0;
Win32MessageObserver messageObserver = nullptr;

WPARAM MouseButtonFlags() {
    const Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
    WPARAM flags = 0;
    if ((buttons & SDL_BUTTON_LMASK) != 0) {
        flags |= MK_LBUTTON;
    }
    if ((buttons & SDL_BUTTON_RMASK) != 0) {
        flags |= MK_RBUTTON;
    }
    if ((buttons & SDL_BUTTON_MMASK) != 0) {
        flags |= MK_MBUTTON;
    }
    return flags;
}

// Key messages carry the repeat count, the scan code, the previous key state and the
// transition state in lParam.
LPARAM KeyLParam(const SDL_KeyboardEvent& key, bool down) {
    uint32_t value = 1u | ((static_cast<uint32_t>(key.keysym.scancode) & 0xFFu) << 16);
    if (!down) {
        value |= 0xC0000000u;
    } else if (key.repeat != 0) {
        value |= 0x40000000u;
    }
    return static_cast<LPARAM>(static_cast<int32_t>(value));
}

// Keys pressed with Alt held, and Alt itself, are system keys, as the platform sends them: the
// window procedure sees WM_SYSKEYDOWN, so Alt+Enter switching the display mode is no key
// press to the game. A release matches its press, so that a key pressed before Alt and
// released while Alt is down is still seen to go up.
UINT KeyMessage(WPARAM virtualKey, bool down, Uint16 modifiers) {
    static bool pressedAsSystemKey[256] = {};
    const size_t index = virtualKey & 0xFF;
    if (down) {
        pressedAsSystemKey[index] = (modifiers & KMOD_ALT) != 0 || virtualKey == VK_MENU;
        return pressedAsSystemKey[index] ? WM_SYSKEYDOWN : WM_KEYDOWN;
    }
    const bool system = pressedAsSystemKey[index];
    pressedAsSystemKey[index] = false;
    return system ? WM_SYSKEYUP : WM_KEYUP;
}

void TranslateEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        if (HWND window = Win32MainWindow()) {
            Win32QueueMessage(window, WM_CLOSE, 0, 0);
        }
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            if (HWND window = Win32FindWindow(event.window.windowID)) {
                Win32QueueMessage(window, WM_CLOSE, 0, 0);
            }
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const bool down = event.type == SDL_KEYDOWN;
        const WPARAM virtualKey = Win32VirtualKey(event.key.keysym);
        HWND window = Win32FindWindow(event.key.windowID);
        if (window == nullptr) {
            window = Win32MainWindow();
        }
        if (virtualKey == 0 || window == nullptr) {
            break;
        }
        const UINT message = KeyMessage(virtualKey, down, event.key.keysym.mod);
        if (down && event.key.repeat == 0 && message == WM_SYSKEYDOWN && virtualKey == VK_RETURN) {
            Win32ToggleFullScreen(window);
        }
        Win32QueueMessage(window, message, virtualKey, KeyLParam(event.key, down));
        break;
    }
    case SDL_MOUSEMOTION: {
        HWND window = Win32FindWindow(event.motion.windowID);
        if (window == nullptr) {
            break;
        }
        int x = 0;
        int y = 0;
        Win32WindowToBackBuffer(window, event.motion.x, event.motion.y, x, y);
        Win32SetCursorState(x, y);
        if (!queue.empty() && queue.back().message == WM_MOUSEMOVE) {
            queue.back().lParam = MAKELPARAM(x, y);
        } else {
            Win32QueueMessage(window, WM_MOUSEMOVE, MouseButtonFlags(), MAKELPARAM(x, y));
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        HWND window = Win32FindWindow(event.button.windowID);
        if (window == nullptr) {
            break;
        }
        int x = 0;
        int y = 0;
        Win32WindowToBackBuffer(window, event.button.x, event.button.y, x, y);
        Win32SetCursorState(x, y);
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        UINT message = 0;
        if (event.button.button == SDL_BUTTON_LEFT) {
            message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        } else if (event.button.button == SDL_BUTTON_RIGHT) {
            message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        } else if (event.button.button == SDL_BUTTON_MIDDLE) {
            message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        }
        if (message != 0) {
            Win32QueueMessage(window, message, MouseButtonFlags(), MAKELPARAM(x, y));
        }
        break;
    }
    default:
        break;
    }
}

} // namespace

void Win32QueueMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg = {};
    msg.hwnd = hWnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    GetCursorPos(&msg.pt);
    queue.push_back(msg);
}

void Win32PumpEvents() {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) {
        return;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        TranslateEvent(event);
    }
}

void Win32SetMessageObserver(Win32MessageObserver observer) {
    messageObserver = observer;
}

BOOL PeekMessageA(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (lpMsg == nullptr) {
        return FALSE;
    }
    Win32PumpEvents();
    const bool anyMessage = wMsgFilterMin == 0 && wMsgFilterMax == 0;
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        const bool windowMatches = hWnd == nullptr || it->hwnd == hWnd;
        const bool rangeMatches =
            anyMessage || (it->message >= wMsgFilterMin && it->message <= wMsgFilterMax);
        if (windowMatches && rangeMatches) {
            *lpMsg = *it;
            if ((wRemoveMsg & PM_REMOVE) != 0) {
                queue.erase(it);
                if (messageObserver != nullptr) {
                    messageObserver(*lpMsg);
                }
            }
            return TRUE;
        }
    }
    // The quit message comes once the queue holds nothing else.
    if (quitPosted && (anyMessage || (WM_QUIT >= wMsgFilterMin && WM_QUIT <= wMsgFilterMax))) {
        *lpMsg = {};
        lpMsg->message = WM_QUIT;
        lpMsg->wParam = static_cast<WPARAM>(quitCode);
        lpMsg->time = GetTickCount();
        if ((wRemoveMsg & PM_REMOVE) != 0) {
            quitPosted = false;
            if (messageObserver != nullptr) {
                messageObserver(*lpMsg);
            }
        }
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG* lpMsg) {
    if (lpMsg == nullptr || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) {
        return FALSE;
    }
    const bool shift = (SDL_GetModState() & KMOD_SHIFT) != 0;
    const int character = Win32KeyCharacter(lpMsg->wParam, shift);
    if (character == 0) {
        return FALSE;
    }
    Win32QueueMessage(lpMsg->hwnd, WM_CHAR, static_cast<WPARAM>(character), lpMsg->lParam);
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* lpMsg) {
    if (lpMsg == nullptr || lpMsg->hwnd == nullptr) {
        return 0;
    }
    return SendMessageA(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
    if (Msg == WM_CLOSE) {
        DestroyWindow(hWnd);
    }
    return 0;
}

void PostQuitMessage(int nExitCode) {
    quitPosted = true;
    quitCode = nExitCode;
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg == WM_QUIT) {
        PostQuitMessage(static_cast<int>(wParam));
        return TRUE;
    }
    Win32QueueMessage(hWnd, Msg, wParam, lParam);
    return TRUE;
}
