// Demo text format, one item per line:
//   ovrel-demo 1                        header and version
//   seed 1234                           the value the C random generator was seeded with
//   down Up / up Up                     WM_KEYDOWN / WM_KEYUP with the key's name
//   click 320 240 / release 320 240     WM_LBUTTONDOWN / WM_LBUTTONUP at a back-buffer pixel
//   right-click X Y / right-release X Y WM_RBUTTONDOWN / WM_RBUTTONUP
//   close                               WM_CLOSE (the window was closed)
//   message 0x0104 27 0                 any other kept message: code, wParam, lParam
//   frame 7 cursor 320 240 clock 117    frame 7 ran with this cursor and clock; the message
//                                       lines above it (since frame 6) were taken before it
//   end                                 the demo is complete; messages just above it were
//                                       taken after the last frame
// Lines starting with '#' and blank lines are comments.
#include "tools/runner/demo_file.h"

#include "tools/runner/key_names.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* HEADER = "ovrel-demo";
constexpr int VERSION = 1;

struct MouseName {
    UINT message;
    const char* name;
};

constexpr MouseName MOUSE_NAMES[] = {
    {WM_LBUTTONDOWN, "click"},
    {WM_LBUTTONUP, "release"},
    {WM_RBUTTONDOWN, "right-click"},
    {WM_RBUTTONUP, "right-release"},
};

void WriteMessage(std::ostream& out, const DemoMessage& msg) {
    // Keys go by name, unless the code has none that reads back (a hand-written message line
    // may carry any wParam): those stay message lines, so that what was read writes back.
    WPARAM named = 0;
    if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) &&
        KeyFromName(KeyName(msg.wParam), named) && named == msg.wParam) {
        out << (msg.message == WM_KEYDOWN ? "down " : "up ") << KeyName(msg.wParam) << '\n';
        return;
    }
    for (const MouseName& mouse : MOUSE_NAMES) {
        if (mouse.message == msg.message) {
            out << mouse.name << ' ' << GET_X_LPARAM(msg.lParam) << ' ' << GET_Y_LPARAM(msg.lParam)
                << '\n';
            return;
        }
    }
    if (msg.message == WM_CLOSE) {
        out << "close\n";
        return;
    }
    char code[16];
    std::snprintf(code, sizeof(code), "0x%04X", msg.message);
    out << "message " << code << ' ' << static_cast<uint64_t>(msg.wParam) << ' '
        << static_cast<int64_t>(msg.lParam) << '\n';
}

// The key lParam a keyboard driver would give: one press, and for a release the previous
// state and transition bits. The window procedure does not read it.
LPARAM KeyLParam(bool down) {
    return down ? 1 : static_cast<LPARAM>(static_cast<int32_t>(0xC0000001u));
}

// Parses one message line; false when the line is not a message.
bool ParseMessage(const std::string& word, std::istringstream& rest, DemoMessage& msg,
                  std::string& problem) {
    if (word == "down" || word == "up") {
        std::string name;
        WPARAM key = 0;
        if (!(rest >> name) || !KeyFromName(name, key)) {
            problem = "unknown key '" + name + "'";
            return false;
        }
        msg.message = word == "down" ? WM_KEYDOWN : WM_KEYUP;
        msg.wParam = key;
        msg.lParam = KeyLParam(word == "down");
        return true;
    }
    for (const MouseName& mouse : MOUSE_NAMES) {
        if (word == mouse.name) {
            int x = 0;
            int y = 0;
            if (!(rest >> x >> y)) {
                problem = "a mouse button needs x and y";
                return false;
            }
            msg.message = mouse.message;
            msg.wParam = mouse.message == WM_LBUTTONDOWN   ? MK_LBUTTON
                         : mouse.message == WM_RBUTTONDOWN ? MK_RBUTTON
                                                           : 0;
            msg.lParam = MAKELPARAM(x, y);
            return true;
        }
    }
    if (word == "close") {
        msg = {WM_CLOSE, 0, 0};
        return true;
    }
    if (word == "message") {
        std::string code;
        uint64_t wParam = 0;
        int64_t lParam = 0;
        if (!(rest >> code >> wParam >> lParam)) {
            problem = "message needs a code, wParam and lParam";
            return false;
        }
        char* end = nullptr;
        const unsigned long value = std::strtoul(code.c_str(), &end, 0);
        if (end == code.c_str() || *end != '\0') {
            problem = "bad message code '" + code + "'";
            return false;
        }
        msg.message = static_cast<UINT>(value);
        msg.wParam = static_cast<WPARAM>(wParam);
        msg.lParam = static_cast<LPARAM>(lParam);
        return true;
    }
    problem = "unknown line '" + word + "'";
    return false;
}

} // namespace

bool DemoKeepsMessage(UINT message) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_CLOSE:
        return true;
    default:
        return false;
    }
}

void WriteDemo(std::ostream& out, const Demo& demo) {
    out << "# Ovrel demo: the messages taken before each frame, then the frame's cursor and "
           "clock\n";
    out << HEADER << ' ' << VERSION << '\n';
    out << "seed " << demo.seed << '\n';
    for (size_t i = 0; i < demo.frames.size(); ++i) {
        const DemoFrame& frame = demo.frames[i];
        for (const DemoMessage& msg : frame.messages) {
            WriteMessage(out, msg);
        }
        out << "frame " << i << " cursor " << frame.cursor.x << ' ' << frame.cursor.y << " clock "
            << frame.clock << '\n';
    }
    for (const DemoMessage& msg : demo.trailing) {
        WriteMessage(out, msg);
    }
    out << "end\n";
}

bool SaveDemo(const std::string& path, const Demo& demo) {
    std::ofstream out(path);
    if (!out) {
        return false;
    }
    WriteDemo(out, demo);
    return static_cast<bool>(out);
}

bool ReadDemo(std::istream& in, Demo& demo, std::string& error) {
    demo = Demo();
    std::string line;
    int lineNumber = 0;
    bool headerSeen = false;
    bool seedSeen = false;
    std::vector<DemoMessage> pending;
    auto fail = [&](const std::string& problem) {
        error = "line " + std::to_string(lineNumber) + ": " + problem;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word[0] == '#') {
            continue;
        }
        if (!headerSeen) {
            int version = 0;
            if (word != HEADER || !(words >> version) || version != VERSION) {
                return fail("not an ovrel-demo 1 file");
            }
            headerSeen = true;
        } else if (word == "seed") {
            if (!(words >> demo.seed)) {
                return fail("seed needs a number");
            }
            seedSeen = true;
        } else if (word == "frame") {
            size_t index = 0;
            std::string cursorWord;
            std::string clockWord;
            DemoFrame frame;
            long x = 0;
            long y = 0;
            uint64_t clock = 0;
            if (!(words >> index >> cursorWord >> x >> y >> clockWord >> clock) ||
                cursorWord != "cursor" || clockWord != "clock") {
                return fail("expected 'frame N cursor X Y clock MS'");
            }
            if (index != demo.frames.size()) {
                return fail("frame " + std::to_string(index) + " where frame " +
                            std::to_string(demo.frames.size()) + " was due");
            }
            frame.cursor = {static_cast<LONG>(x), static_cast<LONG>(y)};
            frame.clock = static_cast<DWORD>(clock);
            frame.messages.swap(pending);
            demo.frames.push_back(std::move(frame));
        } else if (word == "end") {
            if (!seedSeen) {
                return fail("the demo has no seed");
            }
            demo.trailing.swap(pending);
            return true;
        } else {
            DemoMessage msg;
            std::string problem;
            if (!ParseMessage(word, words, msg, problem)) {
                return fail(problem);
            }
            pending.push_back(msg);
        }
    }
    if (!headerSeen) {
        error = "empty file, not an ovrel-demo 1 file";
        return false;
    }
    error = "line " + std::to_string(lineNumber) + ": the demo ends without 'end' (cut short?)";
    return false;
}

bool LoadDemo(const std::string& path, Demo& demo, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    return ReadDemo(in, demo, error);
}
