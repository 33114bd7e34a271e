// Clicks: which object a click reaches, every link rule with its sound and camera flight, and
// picking up collectibles by distance, angle and line of sight up to the end screen. The level
// model is a mesh of the real size whose object boxes and walls the tests place in front of
// the eye; the sounds are the game's own, played on the silent audio device.
#include "player/interaction.h"

#include "core/engine_state.h"
#include "dsound/dsound_mixer.h"
#include "support/memory_mesh.h"
#include "world/mesh_model.h"
#include "sound/sound.h"
#include "sound/sound_logic.h"
#include "world/animated_objects.h"
#include "world/world_models.h"
#include "world/world_update.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <set>

namespace {

// Every object's faces and some walls before them.
constexpr DWORD LEVEL_FACES = FIRST_OBJECT_LEVEL_FACE + OBJECT_FACES * OBJECT_COUNT;
constexpr DWORD WALL_FACE = 100;
const Vec3 EYE(0.0f, 1.0f, 0.0f);
const Vec3 AHEAD(0.0f, 0.0f, 1.0f);

// A square facing the eye across the view line, at distance z ahead, spanning x0 to x1.
void SetSquare(MemoryMesh& mesh, DWORD face, float z, float x0 = -0.5f, float x1 = 0.5f) {
    mesh.SetQuad(face, Vec3(x0, 0.5f, z), Vec3(x0, 1.5f, z), Vec3(x1, 1.5f, z), Vec3(x1, 0.5f, z));
}

class ClickTest : public ::testing::Test {
  protected:
    // The sound device mixes only on demand, so a started sound stays playing until the next
    // test stops it; it never looks inside the window handle.
    static void SetUpTestSuite() {
        DsoundSetManualMixing(true, 44100);
        engine.soundsEnabled = 1;
        SoundInit(reinterpret_cast<HWND>(0x1000));
    }
    static void TearDownTestSuite() {
        for (SoundObject*& sound : soundTable) {
            SoundDestroy(sound);
            sound = nullptr;
        }
        SoundDeviceRelease();
        DsoundSetManualMixing(false);
    }

    void SetUp() override {
        engine.screenMode = SCREEN_MODE_GAME;
        engine.soundsEnabled = 1;
        engine.cameraSequenceActive = 0;
        engine.cameraScriptStep = 7;
        std::fill(std::begin(engine.collectibleActive), std::end(engine.collectibleActive), 0);
        std::memset(animatedObjects.isOpen, 0, sizeof animatedObjects.isOpen);
        std::memset(animatedObjects.isMoving, 0, sizeof animatedObjects.isMoving);
        waterDrainActive = 0;
        lastActivatedObject = -5;
        levelModels[LEVEL_MODEL].mesh = &mesh;
        animatedObjects.levelModelMesh = &levelModels[LEVEL_MODEL].mesh;
        StopSounds();
    }
    void TearDown() override {
        levelModels[LEVEL_MODEL].mesh = nullptr;
        animatedObjects.levelModelMesh = nullptr;
    }

    static void StopSounds() {
        for (SoundObject* sound : soundTable) {
            if (sound != nullptr) {
                sound->buffers[0]->Stop();
                sound->buffers[0]->SetCurrentPosition(0);
            }
        }
    }
    // The one event sound playing, if exactly one is.
    static std::optional<SoundId> PlayingSound() {
        std::optional<SoundId> playing;
        for (const SoundId id : {DVERE, KOD, KOD2, BTN}) {
            if (soundTable[id] == nullptr) {
                ADD_FAILURE() << "sound " << id << " not loaded";
                continue;
            }
            DWORD status = 0;
            soundTable[id]->buffers[0]->GetStatus(&status);
            if ((status & DSBSTATUS_PLAYING) != 0) {
                if (playing.has_value()) {
                    ADD_FAILURE() << "two sounds play";
                }
                playing = id;
            }
        }
        return playing;
    }

    // Puts object i's box face in front of the eye at distance z.
    void PlaceObject(int i, float z) { SetSquare(mesh, FIRST_OBJECT_LEVEL_FACE + 12 * i, z); }
    void ClearObject(int i) {
        const Vec3 far(500.0f, 500.0f, 500.0f);
        mesh.SetQuad(FIRST_OBJECT_LEVEL_FACE + 12 * i, far, far, far, far);
    }
    void Click() { animatedObjects.ObjectClick(EYE, AHEAD * 3.0f); }

    MemoryMesh mesh{LEVEL_FACES};
};

TEST_F(ClickTest, SoundsLoadedOnTheSilentDevice) {
    for (const SoundId id : {DVERE, KOD, KOD2, BTN}) {
        ASSERT_NE(soundTable[id], nullptr) << "sound " << id;
    }
}

struct LinkCase {
    int clicked;
    std::vector<int> openBefore;
    std::vector<int> openAfter;
    std::vector<int> movingAfter;
    SoundId sound;
    int flightStep; // 0 for none
};

std::ostream& operator<<(std::ostream& out, const LinkCase& c) {
    return out << "click " << c.clicked;
}

TEST_F(ClickTest, EveryLinkRuleWithItsSound) {
    const LinkCase cases[] = {
        // A plain door.
        {0, {}, {0}, {0}, DVERE, 0},
        // Double doors 3 and 4 open only while the hall switch 38 is on.
        {3, {}, {}, {3, 4}, DVERE, 0},
        {4, {}, {}, {3, 4}, DVERE, 0},
        {3, {38}, {3, 4, 38}, {3, 4}, DVERE, 0},
        {4, {38}, {3, 4, 38}, {3, 4}, DVERE, 0},
        {3, {3, 4, 38}, {38}, {3, 4}, DVERE, 0},
        {4, {3, 4}, {}, {3, 4}, DVERE, 0},
        // The other pairs always move together.
        {6, {}, {6, 11}, {6, 11}, DVERE, 0},
        {11, {}, {6, 11}, {6, 11}, DVERE, 0},
        {8, {}, {8, 12}, {8, 12}, DVERE, 0},
        {12, {8, 12}, {}, {8, 12}, DVERE, 0},
        {31, {}, {31, 32}, {31, 32}, DVERE, 0},
        {32, {}, {31, 32}, {31, 32}, DVERE, 0},
        {33, {}, {33, 34}, {33, 34}, DVERE, 0},
        {34, {}, {33, 34}, {33, 34}, DVERE, 0},
        {35, {}, {35, 36}, {35, 36}, DVERE, 0},
        {36, {35, 36}, {}, {35, 36}, DVERE, 0},
        // Doors held shut by their switches.
        {17, {}, {}, {17}, DVERE, 0},
        {17, {40}, {17, 40}, {17}, DVERE, 0},
        {17, {17}, {}, {17}, DVERE, 0},
        {10, {}, {}, {10}, DVERE, 0},
        {10, {39}, {10, 39}, {10}, DVERE, 0},
        {25, {}, {}, {25}, DVERE, 0},
        {25, {41}, {25, 41}, {25}, DVERE, 0},
        // The entrance switch drives the hall switch and shows the doors it frees.
        {37, {}, {37, 38}, {37}, KOD, 4},
        {37, {37, 38}, {}, {37}, KOD2, 4},
        // The hall switch itself can only be turned off.
        {38, {}, {}, {38}, KOD2, 0},
        {38, {38}, {}, {38}, KOD2, 0},
        // Free switches.
        {39, {}, {39}, {39}, KOD, 0},
        {39, {39}, {}, {39}, KOD2, 0},
        {40, {}, {40}, {40}, KOD, 0},
        // The upper button drives switch 41, which can itself only be turned off.
        {42, {}, {41, 42}, {42}, BTN, 5},
        {42, {41, 42}, {}, {42}, BTN, 5},
        {41, {}, {}, {41}, KOD2, 0},
        {41, {41}, {}, {41}, KOD2, 0},
        // The drain button stays off and starts the drain.
        {43, {}, {}, {43}, BTN, 6},
    };
    for (const LinkCase& c : cases) {
        SetUp();
        for (int i = 0; i < OBJECT_COUNT; ++i) {
            ClearObject(i);
        }
        PlaceObject(c.clicked, 1.5f);
        for (const int i : c.openBefore) {
            animatedObjects.isOpen[i] = 1;
        }
        Click();
        const std::set<int> open(c.openAfter.begin(), c.openAfter.end());
        const std::set<int> moving(c.movingAfter.begin(), c.movingAfter.end());
        for (int i = 0; i < OBJECT_CAPACITY; ++i) {
            EXPECT_EQ(animatedObjects.isOpen[i], open.count(i)) << c << ": isOpen " << i;
            EXPECT_EQ(animatedObjects.isMoving[i], moving.count(i)) << c << ": isMoving " << i;
        }
        EXPECT_EQ(PlayingSound(), std::optional<SoundId>(c.sound)) << c;
        EXPECT_EQ(lastActivatedObject, c.clicked) << c;
        EXPECT_EQ(engine.cameraSequenceActive, c.flightStep != 0 ? 1 : 0) << c;
        EXPECT_EQ(engine.cameraScriptStep, c.flightStep != 0 ? c.flightStep : 7) << c;
        EXPECT_EQ(waterDrainActive, c.clicked == DRAIN_BUTTON ? 1 : 0) << c;
    }
}

TEST_F(ClickTest, SwitchFlightsStartFromTheirEyeLookingAtTheirTarget) {
    struct Case {
        int object;
        Vec3 eye;
        Vec3 direction; // target - eye, by hand
    };
    const Case cases[] = {
        {37, Vec3(5.8f, 4.0f, 17.5f), Vec3(-0.66f, -0.25f, 2.5f)},
        {42, Vec3(-2.0f, 6.25f, 25.7f), Vec3(-1.14f, -0.25f, 0.8f)},
        {43, Vec3(-9.5f, 2.8f, 19.5f), Vec3(4.0f, -0.7f, -0.5f)},
    };
    for (const Case& c : cases) {
        SetUp();
        PlaceObject(c.object, 1.0f);
        Click();
        EXPECT_EQ(engine.cameraPosition, c.eye) << c.object;
        EXPECT_NEAR(engine.cameraDirection.x, c.direction.x, 1e-5f) << c.object;
        EXPECT_NEAR(engine.cameraDirection.y, c.direction.y, 1e-5f) << c.object;
        EXPECT_NEAR(engine.cameraDirection.z, c.direction.z, 1e-5f) << c.object;
        ClearObject(c.object);
    }
}

TEST_F(ClickTest, ReachesTwoUnitsAheadAndOnlyTheNearestFace) {
    PlaceObject(0, 2.01f);
    Click();
    EXPECT_EQ(animatedObjects.isOpen[0], 0);
    EXPECT_EQ(PlayingSound(), std::nullopt);
    EXPECT_EQ(lastActivatedObject, -5);

    PlaceObject(0, 1.99f);
    Click();
    EXPECT_EQ(animatedObjects.isOpen[0], 1);

    // Behind the eye does not count; the nearest face ahead does.
    PlaceObject(0, -0.5f);
    PlaceObject(1, 1.5f);
    PlaceObject(2, 1.0f);
    Click();
    EXPECT_EQ(animatedObjects.isOpen[0], 1);
    EXPECT_EQ(animatedObjects.isOpen[1], 0);
    EXPECT_EQ(animatedObjects.isOpen[2], 1);

    // A wall before the object takes the click.
    SetSquare(mesh, WALL_FACE, 0.5f);
    Click();
    EXPECT_EQ(animatedObjects.isOpen[2], 1);
    EXPECT_EQ(animatedObjects.isMoving[1], 0);
}

TEST_F(ClickTest, FaceRangesMapToObjects) {
    struct Case {
        DWORD face;
        int object; // -1 for none
    };
    const Case cases[] = {
        {5473, -1},          {5474, 0}, {5484, 0}, {5486, 1}, {5474 + 12 * 43 + 10, 43},
        {5474 + 12 * 44, -1}};
    for (const Case& c : cases) {
        MemoryMesh level(LEVEL_FACES + 4);
        SetSquare(level, c.face, 1.0f);
        levelModels[LEVEL_MODEL].mesh = &level;
        SetUp();
        levelModels[LEVEL_MODEL].mesh = &level;
        Click();
        for (int i = 0; i < OBJECT_COUNT; ++i) {
            EXPECT_EQ(animatedObjects.isMoving[i], i == c.object ? 1 : 0)
                << "face " << c.face << " object " << i;
        }
    }
}

TEST_F(ClickTest, WithoutSoundObjectsStillToggleButNothingIsRecorded) {
    engine.soundsEnabled = 0;
    PlaceObject(5, 1.0f);
    Click();
    EXPECT_EQ(animatedObjects.isOpen[5], 1);
    EXPECT_EQ(PlayingSound(), std::nullopt);
    EXPECT_EQ(lastActivatedObject, -5);
}

TEST_F(ClickTest, FailedRayTestShowsItsMessageAndChangesNothing) {
    PlaceObject(0, 1.0f);
    mesh.vertexBuffer.failLock = true;
    mesh.indexBuffer.failLock = true;
    testing::internal::CaptureStderr();
    Click();
    const std::string shown = testing::internal::GetCapturedStderr();
    // Headless, the box prints its caption before the text only when there is one.
    EXPECT_EQ(shown, "Err: D3DXIntersect\n");
    EXPECT_EQ(animatedObjects.isOpen[0], 0);
    EXPECT_TRUE(mesh.Balanced());
}

class CollectibleTest : public ClickTest {
  protected:
    void Place(int i, Vec3 raisedPoint) {
        engine.collectibleActive[i] = 1;
        engine.collectiblePositions[i] = raisedPoint - Vec3(0.0f, 0.1f, 0.0f);
    }
    // The raised point distance ahead of the eye, turned by angle degrees to the right.
    static Vec3 Ahead(float distance, float degrees = 0.0f) {
        const double a = degrees * 3.14159265358979 / 180.0;
        return EYE + Vec3(static_cast<float>(distance * std::sin(a)), 0.0f,
                          static_cast<float>(distance * std::cos(a)));
    }
    void Click() { CollectibleClick(EYE, AHEAD * 0.5f); }
};

TEST_F(CollectibleTest, TakenWithinThreeUnits) {
    Place(0, Ahead(3.01f));
    Place(1, Ahead(10.0f));
    Click();
    EXPECT_EQ(engine.collectibleActive[0], 1);
    Place(0, Ahead(2.99f));
    Click();
    EXPECT_EQ(engine.collectibleActive[0], 0);
    EXPECT_EQ(engine.screenMode, SCREEN_MODE_GAME);
}

TEST_F(CollectibleTest, TakenOnlyCloseToTheViewDirection) {
    Place(1, Ahead(10.0f));       // keeps the game going
    Place(0, Ahead(2.0f, 15.0f)); // cos 15 degrees = 0.966 < 0.97
    Click();
    EXPECT_EQ(engine.collectibleActive[0], 1);
    Place(0, Ahead(2.0f, -13.0f)); // cos 13 degrees = 0.974
    Click();
    EXPECT_EQ(engine.collectibleActive[0], 0);
}

TEST_F(CollectibleTest, WallsHideCollectiblesButLaterOnesCanStillBeTaken) {
    Place(2, Ahead(10.0f));
    // Collectible 0 a little right, behind a wall that covers only the right side.
    Place(0, EYE + Vec3(0.3f, 0.0f, 2.0f));
    Place(1, EYE + Vec3(-0.3f, 0.0f, 2.0f));
    SetSquare(mesh, WALL_FACE, 1.0f, 0.1f, 1.0f);
    Click();
    EXPECT_EQ(engine.collectibleActive[0], 1);
    EXPECT_EQ(engine.collectibleActive[1], 0);
    // A wall behind the collectible does not hide it.
    SetSquare(mesh, WALL_FACE, 2.5f, -1.0f, 1.0f);
    Click();
    EXPECT_EQ(engine.collectibleActive[0], 0);
}

TEST_F(CollectibleTest, OnePerClickInIndexOrder) {
    Place(9, Ahead(10.0f));
    Place(5, Ahead(1.0f));
    Place(2, Ahead(2.0f));
    Click();
    EXPECT_EQ(engine.collectibleActive[2], 0);
    EXPECT_EQ(engine.collectibleActive[5], 1);
    Click();
    EXPECT_EQ(engine.collectibleActive[5], 0);
}

TEST_F(CollectibleTest, TakingTheTenthShowsTheEndScreen) {
    for (int i = 0; i < COLLECTIBLE_COUNT; ++i) {
        Place(i, Ahead(2.0f));
    }
    for (int taken = 1; taken <= COLLECTIBLE_COUNT; ++taken) {
        Click();
        EXPECT_EQ(engine.collectibleActive[taken - 1], 0);
        EXPECT_EQ(engine.screenMode, taken < COLLECTIBLE_COUNT ? SCREEN_MODE_GAME : SCREEN_MODE_END)
            << taken << " taken";
    }
}

TEST_F(ClickTest, LineOfSightEndsAtTheGivenDistance) {
    SetSquare(mesh, WALL_FACE, 1.0f);
    EXPECT_TRUE(LineOfSightClear(EYE, AHEAD, 0.99f));
    EXPECT_FALSE(LineOfSightClear(EYE, AHEAD, 1.01f));
    // Faces behind the eye never block.
    SetSquare(mesh, WALL_FACE, -1.0f);
    EXPECT_TRUE(LineOfSightClear(EYE, AHEAD, 5.0f));
}

} // namespace
