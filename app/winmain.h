// The program's entry point and its three phases: start-up, the frame loop (one pass at a
// time, so that tools can drive it), and shutdown.
#pragma once

#include "win32/windows.h"

#include <string>

struct EngineStartOptions {
    const char* setupPath = "Setup.txt";
    // Tools and replays fix the random seed; the game seeds from the time.
    bool fixedSeed = false;
    unsigned seed = 0;
};

// Runs the start-up steps in order. On failure returns a negative result and fills failure
// with one line naming the step and its cause; the caller then runs EngineShutdown.
HRESULT EngineStartUp(HINSTANCE hInstance, const EngineStartOptions& options, std::string& failure);

// One pass of the frame loop: takes and dispatches one pending message, or runs one frame
// when the queue is empty. Returns false once WM_QUIT has been taken. frameRan tells whether
// this pass ran a frame.
bool EnginePass(bool& frameRan);

// One frame, chosen by the screen mode and the camera sequence.
void RunFrame();

// Releases everything, destroys the window and unregisters its class.
void EngineShutdown();

// The game window made by start-up (null before it and after shutdown); tools post input
// to it.
HWND EngineWindow();

// The whole program: start-up, the loop until WM_QUIT, shutdown. Returns 0, or 1 after a
// failed start-up (whose cause has been printed to stderr).
int WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);
