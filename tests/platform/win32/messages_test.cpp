// The message queue: SDL events become Win32 messages with virtual-key codes and back-buffer
// coordinates, dispatch reaches the window procedure, closing leads to WM_DESTROY and quit.
#include "win32/win32_platform.h"
#include "win32/windows.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

std::vector<MSG> received;

LRESULT RecordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back({hWnd, message, wParam, lParam, 0, {0, 0}});
    if (message == WM_DESTROY) {
        PostQuitMessage(7);
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

class MessageQueue : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Win32InitVideo()) << Win32GetErrorText();
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.lpszClassName = "message test";
        RegisterClassExA(&windowClass);
        window = CreateWindowExA(0, "message test", "test", 8, 0, 0, 640, 480, GetDesktopWindow(),
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr) << Win32GetErrorText();
        DrainQueue();
        received.clear();
    }
    void TearDown() override {
        DestroyWindow(window);
        DrainQueue();
        UnregisterClassA("message test", GetModuleHandleA(nullptr));
    }
    static void DrainQueue() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != 0) {
        }
    }
    Uint32 WindowId() const { return SDL_GetWindowID(Win32GetSdlWindow(window)); }

    void PushKey(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, bool repeat = false,
                 Uint16 modifiers = KMOD_NONE) {
        SDL_Event event = {};
        event.type = type;
        event.key.windowID = WindowId();
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.sym = key;
        event.key.keysym.scancode = scancode;
        event.key.keysym.mod = modifiers;
        SDL_PushEvent(&event);
    }
    void PushButton(Uint32 type, Uint8 button, int x, int y) {
        SDL_Event event = {};
        event.type = type;
        event.button.windowID = WindowId();
        event.button.button = button;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.button.x = x;
        event.button.y = y;
        SDL_PushEvent(&event);
    }
    MSG Take() {
        MSG msg = {};
        EXPECT_NE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), 0) << "queue empty";
        return msg;
    }

    HWND window = nullptr;
};

} // namespace

TEST_F(MessageQueue, KeysArriveWithTheirVirtualKeyCodes) {
    struct Case {
        SDL_Keycode key;
        SDL_Scancode scancode;
        WPARAM expected;
    };
    const Case cases[] = {
        {SDLK_a, SDL_SCANCODE_A, 'A'},
        {SDLK_y, SDL_SCANCODE_Y, 'Y'},
        {SDLK_c, SDL_SCANCODE_C, 0x43},
        {SDLK_0, SDL_SCANCODE_0, '0'},
        {SDLK_9, SDL_SCANCODE_9, '9'},
        {SDLK_UP, SDL_SCANCODE_UP, 38},
        {SDLK_DOWN, SDL_SCANCODE_DOWN, 40},
        {SDLK_LEFT, SDL_SCANCODE_LEFT, 37},
        {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 39},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0x1B},
        {SDLK_F1, SDL_SCANCODE_F1, 0x70},
        {SDLK_F12, SDL_SCANCODE_F12, 0x7B},
        {SDLK_F13, SDL_SCANCODE_F13, 0x7C},
        {SDLK_SPACE, SDL_SCANCODE_SPACE, 0x20},
        {SDLK_RETURN, SDL_SCANCODE_RETURN, 0x0D},
        {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0x10},
        {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 0x11},
        {SDLK_KP_5, SDL_SCANCODE_KP_5, 0x65},
        {SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, 0x21},
        {SDLK_DELETE, SDL_SCANCODE_DELETE, 0x2E},
    };
    for (const Case& c : cases) {
        PushKey(SDL_KEYDOWN, c.key, c.scancode);
        PushKey(SDL_KEYUP, c.key, c.scancode);
        const MSG down = Take();
        EXPECT_EQ(down.message, WM_KEYDOWN) << SDL_GetKeyName(c.key);
        EXPECT_EQ(down.wParam, c.expected) << SDL_GetKeyName(c.key);
        EXPECT_EQ(down.hwnd, window);
        const MSG up = Take();
        EXPECT_EQ(up.message, WM_KEYUP) << SDL_GetKeyName(c.key);
        EXPECT_EQ(up.wParam, c.expected) << SDL_GetKeyName(c.key);
        EXPECT_NE(up.lParam & 0x80000000, 0) << "transition bit of a release";
    }
}

TEST_F(MessageQueue, AutoRepeatSendsFurtherKeyDowns) {
    PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A);
    PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, true);
    PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, true);
    const MSG first = Take();
    const MSG second = Take();
    const MSG third = Take();
    for (const MSG& msg : {first, second, third}) {
        EXPECT_EQ(msg.message, WM_KEYDOWN);
        EXPECT_EQ(msg.wParam, 'A');
    }
    EXPECT_EQ(first.lParam & 0x40000000, 0) << "first press: key was up before";
    EXPECT_NE(second.lParam & 0x40000000, 0) << "repeat: key was down before";
}

TEST_F(MessageQueue, DispatchCallsTheWindowProcedureAndTranslateAddsCharacters) {
    PushKey(SDL_KEYDOWN, SDLK_c, SDL_SCANCODE_C);
    MSG msg = Take();
    EXPECT_TRUE(TranslateMessage(&msg));
    DispatchMessageA(&msg);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, WM_KEYDOWN);
    EXPECT_EQ(received[0].wParam, 0x43u);
    const MSG character = Take();
    EXPECT_EQ(character.message, WM_CHAR);
    EXPECT_EQ(character.wParam, static_cast<WPARAM>('c'));
    PushKey(SDL_KEYDOWN, SDLK_UP, SDL_SCANCODE_UP);
    msg = Take();
    EXPECT_FALSE(TranslateMessage(&msg)) << "arrows make no character";
}

TEST_F(MessageQueue, ClicksArriveInBackBufferPixels) {
    // A 320 by 240 back buffer shown in the 640 by 480 window: window pixels halve.
    Win32SetBackBufferSize(window, 320, 240);
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 300, 101);
    PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 300, 101);
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 639, 479);
    const MSG left = Take();
    EXPECT_EQ(left.message, WM_LBUTTONDOWN);
    EXPECT_EQ(GET_X_LPARAM(left.lParam), 150);
    EXPECT_EQ(GET_Y_LPARAM(left.lParam), 50);
    EXPECT_EQ(Take().message, WM_LBUTTONUP);
    const MSG right = Take();
    EXPECT_EQ(right.message, WM_RBUTTONDOWN);
    EXPECT_EQ(GET_X_LPARAM(right.lParam), 319);
    EXPECT_EQ(GET_Y_LPARAM(right.lParam), 239);
    POINT cursor;
    ASSERT_TRUE(GetCursorPos(&cursor));
    EXPECT_EQ(cursor.x, 319);
    EXPECT_EQ(cursor.y, 239);
    Win32SetBackBufferSize(window, 0, 0);
}

// With Alt held keys are system keys, as on the platform, so Alt+Enter is no key press to the
// game; a key pressed before Alt still goes up as a plain key, or it would stay down.
TEST_F(MessageQueue, KeysWithAltAreSystemKeysAndAReleaseMatchesItsPress) {
    PushKey(SDL_KEYDOWN, SDLK_UP, SDL_SCANCODE_UP);
    PushKey(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, false, KMOD_LALT);
    PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, false, KMOD_LALT);
    PushKey(SDL_KEYUP, SDLK_UP, SDL_SCANCODE_UP, false, KMOD_LALT);
    PushKey(SDL_KEYUP, SDLK_LALT, SDL_SCANCODE_LALT);
    PushKey(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A);
    const std::pair<UINT, WPARAM> expected[] = {
        {WM_KEYDOWN, VK_UP}, {WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYDOWN, 'A'},
        {WM_KEYUP, VK_UP},   {WM_SYSKEYUP, VK_MENU},   {WM_SYSKEYUP, 'A'},
    };
    for (const auto& [message, key] : expected) {
        const MSG msg = Take();
        EXPECT_EQ(msg.message, message) << "key " << key;
        EXPECT_EQ(msg.wParam, key);
    }
}

TEST_F(MessageQueue, AltEnterSwitchesBetweenTheFullScreenCoverAndAWindowOfTheBackBuffersSize) {
    Win32SetBackBufferSize(window, 320, 240);
    SDL_Window* sdlWindow = Win32GetSdlWindow(window);
    SDL_Rect display = {};
    ASSERT_EQ(SDL_GetDisplayBounds(0, &display), 0) << SDL_GetError();
    ASSERT_FALSE(Win32CoversDisplay(window));
    const auto windowSize = [sdlWindow]() {
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(sdlWindow, &width, &height);
        return std::pair{width, height};
    };
    const auto clickAt = [this](int x, int y) {
        PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, x, y);
        const MSG click = Take();
        EXPECT_EQ(click.message, WM_LBUTTONDOWN);
        return std::pair{static_cast<int>(GET_X_LPARAM(click.lParam)),
                         static_cast<int>(GET_Y_LPARAM(click.lParam))};
    };

    PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN, false, KMOD_LALT);
    const MSG enter = Take();
    EXPECT_EQ(enter.message, WM_SYSKEYDOWN);
    EXPECT_EQ(enter.wParam, VK_RETURN);
    EXPECT_TRUE(Win32CoversDisplay(window));
    EXPECT_EQ(windowSize(), std::pair(display.w, display.h));
    // The back buffer fills the display's height or width, centred; the cursor maps through it.
    const double scale = std::min(display.w / 320.0, display.h / 240.0);
    const int left = static_cast<int>((display.w - 320 * scale) / 2);
    const int top = static_cast<int>((display.h - 240 * scale) / 2);
    EXPECT_EQ(clickAt(display.w / 2, display.h / 2), std::pair(160, 120));
    EXPECT_EQ(clickAt(left + 1, top + 1), std::pair(0, 0));
    EXPECT_EQ(clickAt(display.w - left - 1, display.h - top - 1), std::pair(319, 239));

    // Holding the keys does not switch back and forth.
    PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN, true, KMOD_LALT);
    EXPECT_EQ(Take().message, WM_SYSKEYDOWN);
    EXPECT_TRUE(Win32CoversDisplay(window));
    // Enter without Alt is a key for the game.
    PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN);
    EXPECT_EQ(Take().message, WM_KEYDOWN);
    EXPECT_TRUE(Win32CoversDisplay(window));

    PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN, false, KMOD_RALT);
    EXPECT_EQ(Take().message, WM_SYSKEYDOWN);
    EXPECT_FALSE(Win32CoversDisplay(window));
    EXPECT_EQ(windowSize(), std::pair(320, 240));
    EXPECT_EQ(clickAt(10, 20), std::pair(10, 20)) << "a window of the back buffer's size maps 1:1";
    Win32SetBackBufferSize(window, 0, 0);
}

TEST_F(MessageQueue, CursorPositionIsWhatSetCursorPosPut) {
    ASSERT_TRUE(SetCursorPos(320, 240));
    POINT cursor = {0, 0};
    ASSERT_TRUE(GetCursorPos(&cursor));
    EXPECT_EQ(cursor.x, 320);
    EXPECT_EQ(cursor.y, 240);
}

TEST_F(MessageQueue, ClosingTheWindowDestroysItAndQuits) {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = WindowId();
    SDL_PushEvent(&event);
    MSG msg = Take();
    ASSERT_EQ(msg.message, WM_CLOSE);
    DispatchMessageA(&msg);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, WM_CLOSE);
    EXPECT_EQ(received[1].message, WM_DESTROY);
    msg = Take();
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), 0) << "quit comes once";
    EXPECT_FALSE(DestroyWindow(window)) << "already destroyed";
    window = nullptr;
}

TEST_F(MessageQueue, QuitWaitsForEarlierMessages) {
    PostMessageA(window, 0x0400u, 1, 2);
    PostQuitMessage(0);
    EXPECT_EQ(Take().message, 0x0400u);
    EXPECT_EQ(Take().message, WM_QUIT);
}
