// Ambience and event-sound placement: what changes with sound off, the first update, menus,
// the phase and level steps, the sheltered areas, pan by bearing and level by distance.
#include "sound_test_util.h"
#include "world/animated_objects.h"

#include <cmath>
#include <cstdlib>

namespace {

using SoundLogicTest = SoundFixture;

const Vec3 AHEAD(0.0f, 0.0f, 1.0f);

TEST_F(SoundLogicTest, SoundOffChangesNothing) {
    engine.soundsEnabled = 0;
    ambiencePhase = 1.0f;
    ambienceLevel = 0.5f;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(SoundUpdate(2.0f, Vec3(9, 5, 25), AHEAD), S_OK);
    }
    EXPECT_EQ(ambiencePhase, 1.0f);
    EXPECT_EQ(ambienceLevel, 0.5f);
    EXPECT_FALSE(ambienceStarted);
    EXPECT_FALSE(sheltered);
}

TEST_F(SoundLogicTest, FirstUpdateStartsTheLoopsEvenBehindAMenuAndMutesThem) {
    ASSERT_EQ(SoundInit(TestWindow()), S_OK);
    engine.screenMode = SCREEN_MODE_MENU;
    SoundSetVolume(soundTable[KOD], 0.5f); // marks an event sound the menu must not touch
    ASSERT_EQ(SoundUpdate(2.0f, Vec3(0, 0, 10), AHEAD), S_OK);
    EXPECT_TRUE(ambienceStarted);
    for (SoundId id : {DOGS, BIRDS, WIND}) {
        EXPECT_EQ(StatusOf(soundTable[id]), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING) << id;
        EXPECT_EQ(VolumeOf(soundTable[id]), -7000) << id;
    }
    EXPECT_EQ(VolumeOf(soundTable[KOD]), -3500);
    for (SoundId id : {DVERE, KOD, KOD2, BTN}) {
        EXPECT_EQ(StatusOf(soundTable[id]), 0u) << id;
    }

    // Behind the menu, phase, level and shelter still move.
    const float phase = ambiencePhase;
    EXPECT_GT(phase, 0.0f);
    EXPECT_FLOAT_EQ(ambienceLevel, 0.02f);
    SoundUpdate(2.0f, Vec3(9, 5, 25), AHEAD);
    EXPECT_GT(ambiencePhase, phase);
    EXPECT_FLOAT_EQ(ambienceLevel, 0.04f);
    EXPECT_TRUE(sheltered);
    EXPECT_EQ(VolumeOf(soundTable[DOGS]), -7000);

    // Back in game the loops are placed again; they were not restarted.
    engine.screenMode = 0;
    ambiencePhase = 1.0f;
    ambienceLevel = 1.0f;
    SoundUpdate(0.0f, Vec3(0, 0, 10), AHEAD);
    EXPECT_GT(VolumeOf(soundTable[WIND]), -7000);
}

TEST_F(SoundLogicTest, PhaseAdvancesByARandomPaceAndWrapsAtPi) {
    // Each step is speed * (0.001 + 0.002 * r / 1000) with r from 0 to 999.
    std::srand(12345);
    for (int i = 0; i < 500; ++i) {
        const float before = ambiencePhase;
        SoundUpdate(2.0f, Vec3(30, 0, 10), AHEAD);
        float step = ambiencePhase - before;
        if (step < 0) {
            step += 3.14159265f;
        }
        ASSERT_GE(step, 0.002f - 1e-6f) << "update " << i;
        ASSERT_LT(step, 0.006f + 1e-6f) << "update " << i;
        ASSERT_GE(ambiencePhase, 0.0f);
        ASSERT_LE(ambiencePhase, 3.1416f);
    }
    // The draw is the C library's rand() modulo 1000.
    std::srand(99);
    const int r = std::rand() % 1000;
    std::srand(99);
    ambiencePhase = 1.0f;
    SoundUpdate(1.0f, Vec3(30, 0, 10), AHEAD);
    EXPECT_NEAR(ambiencePhase, 1.0f + 0.001f + 0.002f * r / 1000.0f, 1e-6f);

    ambiencePhase = 3.141f;
    SoundUpdate(1.0f, Vec3(30, 0, 10), AHEAD);
    EXPECT_LT(ambiencePhase, 0.003f) << "past pi it comes round";
}

TEST_F(SoundLogicTest, LevelRisesInTheOpenAndSinksUnderShelterOneFrameLate) {
    const Vec3 open(30, 0, 10);
    const Vec3 underRoof(9, 5, 25);
    for (int i = 0; i < 60; ++i) {
        SoundUpdate(2.0f, open, AHEAD);
    }
    EXPECT_NEAR(ambienceLevel, 1.0f, 0.02f) << "climbs at 0.02 a frame and stops near 1";
    EXPECT_LE(ambienceLevel, 1.0f + 0.02f);
    ambienceLevel = 1.0f;
    const float top = ambienceLevel;

    // The first frame under shelter still counts as open: the test uses the last frame's.
    SoundUpdate(2.0f, underRoof, AHEAD);
    EXPECT_EQ(ambienceLevel, top);
    EXPECT_TRUE(sheltered);
    SoundUpdate(2.0f, underRoof, AHEAD);
    EXPECT_NEAR(ambienceLevel, top - 0.02f, 1e-6f);

    // It stops at the first step that reaches 0.4 or below, overshooting by up to one step.
    ambienceLevel = 0.41f;
    SoundUpdate(2.0f, underRoof, AHEAD);
    EXPECT_NEAR(ambienceLevel, 0.39f, 1e-6f);
    SoundUpdate(2.0f, underRoof, AHEAD);
    EXPECT_NEAR(ambienceLevel, 0.39f, 1e-6f);
}

TEST(SoundShelter, AreasDependOnHeight) {
    const struct {
        Vec3 at;
        bool sheltered;
    } cases[] = {
        {{9, 5, 25}, true},       // area 1
        {{12, 5, 25}, true},      // area 3, upper: any x
        {{12, 3, 25}, false},     // area 3, lower: x up to 11 only
        {{12, 4.7f, 25}, false},  // 4.7 itself is lower
        {{11, 3, 28}, true},      // lower area 3, inclusive corner
        {{11, 3, 28.01f}, false}, //
        {{10, 0, 23}, true},      // area 1 corner
        {{4, 0, 20}, true},       // area 2
        {{-1, 0, 21}, false},     // left of area 2, below area 1
        {{14, 0, 22}, true},      // area 4 corner
        {{20, 6, 28}, true},      // area 4, upper
        {{20, 0, 28.5f}, false},  //
        {{8, 3, 2}, true},        // area 5, lower only
        {{8, 5, 2}, false},       //
        {{5, 0, 4}, true},        // area 5 corner
        {{4.9f, 0, 4}, false},    //
        {{30, 0, 10}, false},     // open ground
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ListenerSheltered(c.at), c.sheltered)
            << "at (" << c.at.x << ", " << c.at.y << ", " << c.at.z << ")";
    }
}

TEST_F(SoundLogicTest, AmbienceGainsFollowThePhase) {
    ASSERT_EQ(SoundInit(TestWindow()), S_OK);
    // Listener at (0, 0, 10): dogs 15 away (level 1), birds sqrt(286) = 16.912 away (level
    // 0.96177), wind sqrt(717) = 26.777 away (level 0.76446). Speed 0 holds phase and level.
    const Vec3 listener(0, 0, 10);
    const struct {
        float phase;
        float level;
        LONG dogs;
        LONG birds;
        LONG wind;
    } cases[] = {
        // pi/6: sin 60 = 0.86603, sin 90 = 1, sin 30 / 2 = 0.25
        {0.52359878f, 1.0f, -938, -268, -5662},
        // 5 pi/6: dogs past mid-cycle are silent; birds again at the top
        {2.61799388f, 1.0f, -7000, -268, -5662},
        // pi/2: birds silent in the middle third; wind at its half level
        {1.57079633f, 1.0f, -7000, -7000, -4324},
        // pi/6 under shelter at level 0.4
        {0.52359878f, 0.4f, -4575, -4307, -6465},
    };
    for (const auto& c : cases) {
        ambiencePhase = c.phase;
        ambienceLevel = c.level;
        sheltered = false;
        SoundUpdate(0.0f, listener, AHEAD);
        EXPECT_NEAR(VolumeOf(soundTable[DOGS]), c.dogs, 1) << "phase " << c.phase;
        EXPECT_NEAR(VolumeOf(soundTable[BIRDS]), c.birds, 1) << "phase " << c.phase;
        EXPECT_NEAR(VolumeOf(soundTable[WIND]), c.wind, 1) << "phase " << c.phase;
    }
}

TEST_F(SoundLogicTest, PanFollowsTheHorizontalBearing) {
    ASSERT_EQ(SoundDeviceCreate(TestWindow()), S_OK);
    SoundObject* sound = SoundCreate("BTN", 1);
    ASSERT_NE(sound, nullptr);
    const Vec3 origin(0, 0, 0);
    const struct {
        Vec3 direction;
        Vec3 source;
        LONG pan;
        const char* what;
    } cases[] = {
        {AHEAD, {10, 0, 0}, 10000, "right"},
        {AHEAD, {-10, 0, 0}, -10000, "left"},
        {AHEAD, {0, 0, 10}, 0, "ahead"},
        {AHEAD, {0, 0, -10}, 0, "behind"},
        {AHEAD, {0, 10, 0}, 0, "above"},
        {AHEAD, {0, -3, 0}, 0, "below"},
        {AHEAD, {10, 0, 10}, 7071, "right and ahead, 45 degrees"},
        {{0, 5, 1}, {10, 0, 0}, 10000, "looking up changes nothing"},
        {{0, 0, 7}, {-10, 0, 0}, -10000, "direction need not be unit length"},
        {{1, 0, 0}, {0, 0, -10}, 10000, "facing +x, -z is on the right"},
        {{0, 1, 0}, {10, 0, 0}, 0, "looking straight up: no horizontal facing"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SoundPlace(sound, origin, c.direction, c.source, 1.0f), S_OK);
        EXPECT_NEAR(PanOf(sound), c.pan, 1) << c.what;
    }
    EXPECT_EQ(SoundPlace(nullptr, origin, AHEAD, Vec3(1, 0, 0), 1.0f), S_OK);
    SoundDestroy(sound);
}

TEST_F(SoundLogicTest, LevelFallsWithDistance) {
    ASSERT_EQ(SoundDeviceCreate(TestWindow()), S_OK);
    SoundObject* sound = SoundCreate("BTN", 1);
    ASSERT_NE(sound, nullptr);
    const Vec3 origin(0, 0, 0);
    const struct {
        Vec3 source;
        float gain;
        LONG volume;
    } cases[] = {
        {{0, 0, 5}, 1.0f, 0},         // inside 15: full
        {{0, 0, 15}, 1.0f, 0},        // 1.3 - 0.3 = 1
        {{0, 0, 40}, 1.0f, -3500},    // 0.5
        {{0, 24, 32}, 1.0f, -3500},   // 40 away, partly above
        {{0, 0, 27.5f}, 1.0f, -1750}, // 0.75
        {{0, 0, 65}, 1.0f, -7000},    // silence from 65
        {{0, 0, 100}, 1.0f, -7000},   //
        {{0, 0, 15}, 0.5f, -3500},    // gain scales the level
        {{0, 0, 40}, 0.5f, -5250},    // 0.25
    };
    for (const auto& c : cases) {
        SoundPlace(sound, origin, AHEAD, c.source, c.gain);
        EXPECT_NEAR(VolumeOf(sound), c.volume, 1) << "source (" << c.source.x << ", " << c.source.y
                                                  << ", " << c.source.z << ") gain " << c.gain;
    }
    SoundDestroy(sound);
}

TEST_F(SoundLogicTest, EventSoundsSitAtTheLastOperatedObject) {
    ASSERT_EQ(SoundInit(TestWindow()), S_OK);
    // Before any click the object is 0.
    const Vec3 first = animatedObjects.objectPosition[0];
    SoundUpdate(0.0f, first - Vec3(10, 0, 0), AHEAD);
    for (SoundId id : {DVERE, KOD, KOD2, BTN}) {
        EXPECT_EQ(PanOf(soundTable[id]), 10000) << id;
        EXPECT_EQ(VolumeOf(soundTable[id]), 0) << id;
    }
    lastActivatedObject = 7;
    const Vec3 seventh = animatedObjects.objectPosition[7];
    SoundUpdate(0.0f, seventh + Vec3(10, 0, 0), AHEAD);
    for (SoundId id : {DVERE, KOD, KOD2, BTN}) {
        EXPECT_EQ(PanOf(soundTable[id]), -10000) << id;
    }
    // A negative index leaves them where they were.
    lastActivatedObject = -1;
    SoundUpdate(0.0f, seventh - Vec3(10, 0, 0), AHEAD);
    EXPECT_EQ(PanOf(soundTable[BTN]), -10000);
}

} // namespace

namespace {

struct SideLevels {
    double left;
    double right;
};

SideLevels Loudness(const std::vector<float>& out) {
    double left = 0;
    double right = 0;
    for (size_t i = 0; i + 1 < out.size(); i += 2) {
        left += out[i] * out[i];
        right += out[i + 1] * out[i + 1];
    }
    const double frames = static_cast<double>(out.size() / 2);
    return {std::sqrt(left / frames), std::sqrt(right / frames)};
}

TEST_F(SoundLogicTest, AmbienceIsHeardOnTheSideItComesFromAndNotBehindMenus) {
    ASSERT_EQ(SoundInit(TestWindow()), S_OK);
    // In the open 10 units north of the dogs, at the top of their cycle (phase pi/4).
    const Vec3 listener(-15, 0, 20);
    ambiencePhase = 0.78539816f;
    ambienceLevel = 1.0f;
    SoundUpdate(0.0f, listener, Vec3(1, 0, 0)); // facing east: the dogs are on the right
    const SideLevels east = Loudness(Render(44100));
    SoundUpdate(0.0f, listener, Vec3(-1, 0, 0)); // facing west: on the left
    const SideLevels west = Loudness(Render(44100));
    EXPECT_GT(east.right, 0.02) << "the dogs are heard";
    EXPECT_GT(east.right, 10 * east.left);
    EXPECT_GT(west.left, 0.02);
    EXPECT_GT(west.left, 10 * west.right);

    engine.screenMode = SCREEN_MODE_MENU;
    SoundUpdate(0.0f, listener, Vec3(1, 0, 0));
    const SideLevels menu = Loudness(Render(44100));
    // Each loop is at most about 0.2 RMS at full level; 70 dB down that is below 0.0001.
    EXPECT_LT(menu.left, 0.0003);
    EXPECT_LT(menu.right, 0.0003);
}

} // namespace
