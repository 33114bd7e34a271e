// Demo files: a readable record of one run's input. The random seed, then for every frame the
// window messages taken before it (keys by name, clicks with their position) and the frame
// line with the cursor position and the clock the frame saw. Replaying the messages, cursor
// and clock frame by frame on the same data and Setup.txt reproduces the run exactly.
#pragma once

#include "win32/windows.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

struct DemoMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

struct DemoFrame {
    std::vector<DemoMessage> messages; // taken before this frame ran, in order
    POINT cursor = {0, 0};             // what GetCursorPos returned when the frame began
    DWORD clock = 0;                   // what GetTickCount returned during the frame
};

struct Demo {
    unsigned seed = 0;
    std::vector<DemoFrame> frames;
    std::vector<DemoMessage> trailing; // taken after the last frame (usually the quit keys)
};

// Messages a demo keeps: keys, mouse buttons and closing the window. Mouse moves live in the
// frame's cursor position, characters are made again by TranslateMessage, and the quit
// message follows from the keys.
bool DemoKeepsMessage(UINT message);

// Writes the demo as text.
void WriteDemo(std::ostream& out, const Demo& demo);
bool SaveDemo(const std::string& path, const Demo& demo);

// Reads a demo; false with error naming the line when the text is not a complete demo.
bool ReadDemo(std::istream& in, Demo& demo, std::string& error);
bool LoadDemo(const std::string& path, Demo& demo, std::string& error);
