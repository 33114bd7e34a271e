// What the other platform modules and the tools need from the Win32 layer beyond the Win32
// names themselves: the SDL window behind a window handle, the back-buffer mapping of the
// cursor, the failure text of the last platform error, and hooks for replays and tests.
// Engine code never includes this header.
#pragma once

#include "win32/windows.h"

#include <string>

struct SDL_Window;

// True when SDL runs without a real display (offscreen or dummy video driver).
bool Win32IsHeadlessDriver();

// Starts SDL's video and event subsystems once; false (with the error text set) when no
// video driver can be opened, for example on a machine without a display.
bool Win32InitVideo();

// The SDL window of a window handle, or null for a handle that is not a live window.
SDL_Window* Win32GetSdlWindow(HWND hWnd);

// A device renders into its own back buffer and shows it letterboxed in the window; the
// cursor functions and mouse messages then work in back-buffer pixels. A size of 0 by 0
// maps window pixels one to one.
void Win32SetBackBufferSize(HWND hWnd, int width, int height);

// A full-screen device covers the display with its window; a windowed one shows a window of
// the back buffer's size. Alt+Enter switches between the two; the letterbox and the cursor
// mapping follow the window's size either way.
void Win32CoverDisplay(HWND hWnd);
void Win32ShowAsWindow(HWND hWnd);
void Win32ToggleFullScreen(HWND hWnd);
bool Win32CoversDisplay(HWND hWnd);

// While a device renders into a window, the window's SDL resources stay alive even after
// DestroyWindow; they go when the device lets go of the window.
void Win32AttachDevice(HWND hWnd);
void Win32DetachDevice(HWND hWnd);

// The last platform failure, one line naming what failed and why. Every platform entry point
// that fails for a reason a person can act on sets it; start-up prints it.
void Win32SetErrorText(const std::string& text);
const std::string& Win32GetErrorText();

// Replays and tests drive the clock: with a source set, GetTickCount returns its value.
using Win32TickSource = DWORD (*)();
void Win32SetTickSource(Win32TickSource source);

// With headless message boxes the text goes to stderr and the call returns IDOK at once.
// They are headless by default when SDL runs without a display (offscreen or dummy driver).
void Win32SetHeadlessMessageBoxes(bool headless);

// Delivers SDL's pending events into the message queue without taking a message; tools that
// drive the game themselves (recording a demo) call it to see what the person did.
void Win32PumpEvents();

// Called for every message that PeekMessageA removes from the queue, before it is returned;
// the demo recorder uses it. Null turns it off.
using Win32MessageObserver = void (*)(const MSG& msg);
void Win32SetMessageObserver(Win32MessageObserver observer);
