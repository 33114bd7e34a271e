// Demo files: the written text, reading it back, key names, and the faults a reader must
// refuse (cut-short files, frames out of order, unknown keys).
#include "tools/runner/demo_file.h"
#include "tools/runner/key_names.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

Demo SampleDemo() {
    Demo demo;
    demo.seed = 4242;
    DemoFrame first;
    first.messages.push_back({WM_KEYDOWN, VK_RETURN, 1});
    first.messages.push_back({WM_KEYUP, VK_RETURN, 0});
    first.cursor = {0, 0};
    first.clock = 0;
    DemoFrame second;
    second.messages.push_back({WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(320, 240)});
    second.messages.push_back({WM_SYSKEYDOWN, VK_MENU, 0x20000001});
    second.cursor = {333, 251};
    second.clock = 17;
    demo.frames = {first, second};
    demo.trailing.push_back({WM_KEYDOWN, VK_ESCAPE, 1});
    return demo;
}

bool Read(const std::string& text, Demo& demo, std::string& error) {
    std::istringstream in(text);
    return ReadDemo(in, demo, error);
}

TEST(DemoFile, WritesKeysByNameClicksWithPositionAndOneLinePerFrame) {
    std::ostringstream out;
    WriteDemo(out, SampleDemo());
    const std::string text = out.str();
    EXPECT_NE(text.find("ovrel-demo 1\nseed 4242\ndown Return\nup Return\n"
                        "frame 0 cursor 0 0 clock 0\n"
                        "click 320 240\nmessage 0x0104 18 536870913\n"
                        "frame 1 cursor 333 251 clock 17\ndown Escape\nend\n"),
              std::string::npos)
        << text;
}

TEST(DemoFile, ReadsBackWhatItWrote) {
    std::ostringstream out;
    const Demo original = SampleDemo();
    WriteDemo(out, original);
    Demo read;
    std::string error;
    ASSERT_TRUE(Read(out.str(), read, error)) << error;
    EXPECT_EQ(read.seed, 4242u);
    ASSERT_EQ(read.frames.size(), 2u);
    ASSERT_EQ(read.frames[0].messages.size(), 2u);
    EXPECT_EQ(read.frames[0].messages[0].message, WM_KEYDOWN);
    EXPECT_EQ(read.frames[0].messages[0].wParam, VK_RETURN);
    EXPECT_EQ(read.frames[0].messages[1].message, WM_KEYUP);
    ASSERT_EQ(read.frames[1].messages.size(), 2u);
    EXPECT_EQ(read.frames[1].messages[0].message, WM_LBUTTONDOWN);
    EXPECT_EQ(GET_X_LPARAM(read.frames[1].messages[0].lParam), 320);
    EXPECT_EQ(GET_Y_LPARAM(read.frames[1].messages[0].lParam), 240);
    EXPECT_EQ(read.frames[1].messages[1].message, WM_SYSKEYDOWN);
    EXPECT_EQ(read.frames[1].messages[1].lParam, 0x20000001);
    EXPECT_EQ(read.frames[1].cursor.x, 333);
    EXPECT_EQ(read.frames[1].cursor.y, 251);
    EXPECT_EQ(read.frames[1].clock, 17u);
    ASSERT_EQ(read.trailing.size(), 1u);
    EXPECT_EQ(read.trailing[0].wParam, VK_ESCAPE);
}

// Key codes with no name that reads back (only a hand-written message line has them) are
// written as message lines, so that every demo that reads writes text that reads again. The
// file is one that fuzzing found.
TEST(DemoFile, KeysWithoutANameWriteBackAsMessageLines) {
    std::ifstream file(std::string(OVREL_CORPUS_DIR) +
                       "/regressions/demo_file/key-code-without-a-name.txt");
    const std::string found((std::istreambuf_iterator<char>(file)), {});
    ASSERT_FALSE(found.empty());
    for (const std::string& text :
         {found, std::string("ovrel-demo 1\nseed 1\nmessage 0x0100 2721 0\n"
                             "message 0x0101 0 0\nframe 0 cursor 0 0 clock 0\nend\n")}) {
        Demo demo;
        std::string error;
        ASSERT_TRUE(Read(text, demo, error)) << error;
        std::ostringstream written;
        WriteDemo(written, demo);
        Demo again;
        ASSERT_TRUE(Read(written.str(), again, error)) << error << "\n" << written.str();
        std::ostringstream rewritten;
        WriteDemo(rewritten, again);
        EXPECT_EQ(rewritten.str(), written.str());
    }
    Demo demo;
    std::string error;
    ASSERT_TRUE(Read("ovrel-demo 1\nseed 1\nmessage 0x0100 2721 0\n"
                     "frame 0 cursor 0 0 clock 0\nend\n",
                     demo, error));
    std::ostringstream written;
    WriteDemo(written, demo);
    EXPECT_NE(written.str().find("message 0x0100 2721 0\n"), std::string::npos) << written.str();
}

TEST(DemoFile, AcceptsCommentsBlankLinesAndAnyCaseKeyNames) {
    Demo demo;
    std::string error;
    ASSERT_TRUE(Read("# made by hand\n\novrel-demo 1\nseed 7\ndown up\ndown a\ndown f12\n"
                     "down keypad3\ndown 0x41\nframe 0 cursor -5 9 clock 3\nend\n",
                     demo, error))
        << error;
    ASSERT_EQ(demo.frames.size(), 1u);
    const auto& m = demo.frames[0].messages;
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0].wParam, VK_UP);
    EXPECT_EQ(m[1].wParam, 0x41u);
    EXPECT_EQ(m[2].wParam, 0x7Bu); // F12
    EXPECT_EQ(m[3].wParam, 0x63u); // keypad 3
    EXPECT_EQ(m[4].wParam, 0x41u);
    EXPECT_EQ(demo.frames[0].cursor.x, -5);
}

TEST(DemoFile, RefusesBrokenFilesNamingTheLine) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"", "not an ovrel-demo"},
        {"ovrel-demo 2\nseed 1\nend\n", "line 1"},
        {"ovrel-demo 1\nseed 1\nframe 0 cursor 0 0 clock 0\n", "without 'end'"},
        {"ovrel-demo 1\nseed 1\nframe 1 cursor 0 0 clock 0\nend\n", "line 3: frame 1"},
        {"ovrel-demo 1\nseed 1\ndown Hyper\nend\n", "line 3: unknown key 'Hyper'"},
        {"ovrel-demo 1\nseed 1\nclick 4\nend\n", "line 3"},
        {"ovrel-demo 1\nseed 1\nframe 0 cursor 1 clock 0\nend\n", "line 3"},
        {"ovrel-demo 1\nend\n", "no seed"},
        {"ovrel-demo 1\nseed 1\nmessage zz 1 2\nend\n", "bad message code"},
        {"ovrel-demo 1\nseed 1\njump\nend\n", "unknown line 'jump'"},
    };
    for (const Case& c : cases) {
        Demo demo;
        std::string error;
        EXPECT_FALSE(Read(c.text, demo, error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << "input:\n"
                                                             << c.text << "error: " << error;
    }
}

TEST(DemoFile, KeepsInputMessagesOnly) {
    EXPECT_TRUE(DemoKeepsMessage(WM_KEYDOWN));
    EXPECT_TRUE(DemoKeepsMessage(WM_LBUTTONDOWN));
    EXPECT_TRUE(DemoKeepsMessage(WM_CLOSE));
    // TranslateMessage makes the characters again, the cursor lives in the frame line and the
    // quit message follows from the keys.
    EXPECT_FALSE(DemoKeepsMessage(WM_CHAR));
    EXPECT_FALSE(DemoKeepsMessage(WM_MOUSEMOVE));
    EXPECT_FALSE(DemoKeepsMessage(WM_QUIT));
}

TEST(KeyNames, EveryCodeSurvivesTheRoundTrip) {
    for (WPARAM code = 1; code < 0x100; ++code) {
        WPARAM back = 0;
        ASSERT_TRUE(KeyFromName(KeyName(code), back)) << KeyName(code);
        EXPECT_EQ(back, code) << KeyName(code);
    }
    EXPECT_EQ(KeyName(VK_LEFT), "Left");
    EXPECT_EQ(KeyName(0x43), "C");
    EXPECT_EQ(KeyName(0xBA), "0xBA");
    WPARAM ignored = 0;
    EXPECT_FALSE(KeyFromName("F25", ignored));
    EXPECT_FALSE(KeyFromName("0x100", ignored));
    EXPECT_FALSE(KeyFromName("", ignored));
}

} // namespace
