// Resources found by name and type, the clock, and headless message boxes.
#include "win32/win32_platform.h"
#include "win32/win32_resources.h"
#include "win32/windows.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

TEST(Resources, AddedResourcesAreFoundByNameAndTypeWithoutCase) {
    static const unsigned char bytes[] = {'R', 'I', 'F', 'F', 1, 2, 3};
    Win32AddResource("CRAFTED", "WAVE", bytes, sizeof bytes);
    const HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(nullptr, "crafted", "wave");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(FindResourceA(self, "CRAFTED", "WAVE"), found);
    EXPECT_EQ(SizeofResource(nullptr, found), sizeof bytes);
    const void* data = LockResource(LoadResource(nullptr, found));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, bytes, sizeof bytes), 0);
    EXPECT_EQ(FindResourceA(nullptr, "CRAFTED", "WAV"), nullptr) << "the type must match";
    EXPECT_EQ(FindResourceA(nullptr, "MISSING", "WAVE"), nullptr);
    EXPECT_EQ(LockResource(LoadResource(nullptr, nullptr)), nullptr);
    Win32ClearAddedResources();
    EXPECT_EQ(FindResourceA(nullptr, "CRAFTED", "WAVE"), nullptr);
}

TEST(Resources, IntegerIdsMatchTheirDecimalName) {
    static const unsigned char icon[] = {0x89, 'P', 'N', 'G'};
    Win32AddResource("101", "ICON", icon, sizeof icon);
    EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(101), "ICON"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(102), "ICON"), nullptr);
    Win32ClearAddedResources();
}

// The build embeds the seven synthesised sounds and the level's window icon, nothing else; a
// table that lost its terminator or an entry would miscount here.
TEST(Resources, CompiledInTableHoldsTheSevenSoundsAndTheIconThenEnds) {
    int waves = 0;
    int icons = 0;
    int entries = 0;
    for (const EmbeddedResource* entry = kEmbeddedResources; entry->name != nullptr; ++entry) {
        ASSERT_LT(entries, 64) << "no terminating entry";
        ASSERT_NE(entry->type, nullptr) << entry->name;
        EXPECT_NE(entry->data, nullptr) << entry->name;
        EXPECT_GT(entry->size, 0u) << entry->name;
        waves += std::strcmp(entry->type, "WAVE") == 0;
        icons += std::strcmp(entry->type, "ICON") == 0;
        ++entries;
    }
    EXPECT_EQ(waves, 7);
    EXPECT_EQ(icons, 1);
    EXPECT_EQ(entries, 8);
    for (const char* name : {"DOGS", "BIRDS", "WIND", "DVERE", "KOD", "KOD2", "BTN"}) {
        EXPECT_NE(FindResourceA(nullptr, name, "WAVE"), nullptr) << name;
    }
    EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(101), "ICON"), nullptr);
}

namespace {
DWORD fixedTicks = 0;
DWORD FixedClock() {
    return fixedTicks;
}
} // namespace

TEST(Clock, TicksAdvanceInMillisecondsAndCanBeDriven) {
    const DWORD before = GetTickCount();
    SDL_Delay(30);
    const DWORD elapsed = GetTickCount() - before;
    EXPECT_GE(elapsed, 25u);
    EXPECT_LT(elapsed, 5000u);
    fixedTicks = 0xFFFFFFF0u;
    Win32SetTickSource(FixedClock);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    fixedTicks += 0x20u; // wraps as the platform's counter does
    EXPECT_EQ(GetTickCount(), 0x10u);
    Win32SetTickSource(nullptr);
}

TEST(MessageBox, HeadlessBoxWritesOneLineAndReturnsAtOnce) {
    Win32SetHeadlessMessageBoxes(true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Err: D3DXIntersect", "", MB_OK), IDOK);
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_EQ(output, "Err: D3DXIntersect\n");
}
