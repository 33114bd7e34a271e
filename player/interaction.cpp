// Left clicks: the door, switch or button in view is toggled together with the objects linked
// to it, plays its sound and may start a camera flight or the water drain; then the nearest
// collectible in view is picked up. Both aim with ray casts against the visible level model.
#include "player/interaction.h"

#include "core/engine_state.h"
#include "player/ray_cast.h"
#include "sound/sound.h"
#include "sound/sound_logic.h"
#include "world/animated_objects.h"
#include "world/world_models.h"
#include "world/world_update.h"

#include <algorithm>
#include <cstdint>

namespace {

// Clicking one object of a pair gives the other the same state.
struct CopyRule {
    int clicked;
    int follower;
    bool moves; // the follower is set moving; switches that never move are only recoloured
};
constexpr CopyRule COPY_RULES[] = {
    {3, 4, true},
    {4, 3, true},
    {6, 11, true},
    {8, 12, true},
    {11, 6, true},
    {12, 8, true},
    {31, 32, true},
    {32, 31, true},
    {33, 34, true},
    {34, 33, true},
    {35, 36, true},
    {36, 35, true},
    {ENTRANCE_SWITCH, HALL_SWITCH, false},
    {UPPER_BUTTON, 41, false},
};
// Switches that only their driving switch turns on; clicking them can only turn them off.
constexpr int DRIVEN_SWITCHES[] = {HALL_SWITCH, 41};
// Doors that stay shut while their switch is off; a door with a partner shuts the pair.
struct LockRule {
    int door;
    int lockSwitch;
    int partner; // -1 for none
};
constexpr LockRule LOCK_RULES[] = {
    {3, HALL_SWITCH, 4}, {4, HALL_SWITCH, 3}, {17, 40, -1}, {10, 39, -1}, {25, 41, -1},
};

// A scripted flight that an object starts: its step, eye and the point it looks at.
struct Flight {
    int object;
    int step;
    Vec3 eye;
    Vec3 target;
};
const Flight FLIGHTS[] = {
    {ENTRANCE_SWITCH, 4, Vec3(5.8f, 4.0f, 17.5f), Vec3(5.14f, 3.75f, 20.0f)},
    {UPPER_BUTTON, 5, Vec3(-2.0f, 6.25f, 25.7f), Vec3(-3.14f, 6.0f, 26.5f)},
    {DRAIN_BUTTON, 6, Vec3(-9.5f, 2.8f, 19.5f), Vec3(-5.5f, 2.1f, 19.0f)},
};

uint8_t Inverted(uint8_t value) {
    return value == 0 ? 1 : 0;
}

// The face of the nearest hit within reach in front of the eye, or -1.
int64_t PickFace(ID3DXMesh* mesh, Vec3 eye, Vec3 d) {
    float nearest = 2.0f * RAY_BACK_OFFSET;
    int64_t face = -1;
    for (const LevelRayHit& hit : CastRayFromBehind(mesh, eye, d)) {
        if (hit.distance > RAY_BACK_OFFSET && hit.distance < nearest) {
            nearest = hit.distance;
            face = hit.face;
        }
    }
    return nearest < RAY_BACK_OFFSET + CLICK_REACH ? face : -1;
}

void ApplyLinks(uint8_t* isOpen, uint8_t* isMoving, int picked) {
    for (const CopyRule& rule : COPY_RULES) {
        if (picked == rule.clicked) {
            isOpen[rule.follower] = isOpen[rule.clicked];
            if (rule.moves) {
                isMoving[rule.follower] = 1;
            }
        }
    }
    for (const int driven : DRIVEN_SWITCHES) {
        if (picked == driven && isOpen[driven] != 0) {
            isOpen[driven] = 0;
        }
    }
    for (const LockRule& rule : LOCK_RULES) {
        if (picked == rule.door && isOpen[rule.lockSwitch] == 0 && isOpen[rule.door] != 0) {
            isOpen[rule.door] = Inverted(isOpen[rule.door]);
            if (rule.partner >= 0) {
                isOpen[rule.partner] = Inverted(isOpen[rule.partner]);
            }
        }
    }
}

// Doors creak; the two buttons click; a switch that went on sounds different from one that
// went or stayed off.
SoundId ClickSound(int picked, uint8_t isOpenNow, uint8_t wasOpen) {
    if (picked < ENTRANCE_SWITCH) {
        return DVERE;
    }
    if (picked == UPPER_BUTTON || picked == DRAIN_BUTTON) {
        return BTN;
    }
    if (isOpenNow == wasOpen && wasOpen != 0) {
        return KOD;
    }
    return KOD2;
}

void StartFlight(const Flight& flight) {
    engine.cameraSequenceActive = 1;
    engine.cameraScriptStep = flight.step;
    engine.cameraPosition = flight.eye;
    engine.cameraDirection = flight.target - flight.eye;
}

} // namespace

int AnimatedObjects::PickedObject(Vec3 eye, Vec3 direction) const {
    Vec3 d;
    D3DXVec3Normalize(&d, &direction);
    ID3DXMesh* mesh = levelModelMesh != nullptr ? *levelModelMesh : nullptr;
    const int64_t face = PickFace(mesh, eye, d);
    const int count = static_cast<int>(std::min<uint32_t>(objectCount, OBJECT_CAPACITY));
    for (int i = 0; i < count && face >= 0; ++i) {
        const int64_t first = FIRST_OBJECT_LEVEL_FACE + static_cast<int64_t>(OBJECT_FACES) * i;
        if (face >= first && face < first + OBJECT_FACES) {
            return i;
        }
    }
    return -1;
}

int AnimatedObjects::ObjectClick(Vec3 eye, Vec3 direction) {
    const int picked = PickedObject(eye, direction);
    if (picked < 0) {
        return 0;
    }
    isOpen[picked] = Inverted(isOpen[picked]);
    isMoving[picked] = 1;

    const uint8_t wasOpen = isOpen[picked];
    ApplyLinks(isOpen, isMoving, picked);

    if (engine.soundsEnabled != 0) {
        SoundPlay(soundTable[ClickSound(picked, isOpen[picked], wasOpen)], 0);
        lastActivatedObject = picked;
    }

    for (const Flight& flight : FLIGHTS) {
        if (picked == flight.object) {
            StartFlight(flight);
        }
    }
    if (picked == DRAIN_BUTTON) {
        isOpen[DRAIN_BUTTON] = 0;
        waterDrainActive = 1;
    }
    return 0;
}

bool CollectibleInView(int i, Vec3 eye, Vec3 direction) {
    Vec3 d;
    D3DXVec3Normalize(&d, &direction);
    Vec3 v = engine.collectiblePositions[i] + Vec3(0.0f, 0.1f, 0.0f) - eye;
    const float distance = D3DXVec3Length(&v);
    if (distance > COLLECT_REACH) {
        return false;
    }
    D3DXVec3Normalize(&v, &v);
    // About 14 degrees around the view direction.
    if (static_cast<double>(D3DXVec3Dot(&v, &d)) < 0.97) {
        return false;
    }
    return LineOfSightClear(eye, v, distance);
}

void CollectibleClick(Vec3 eye, Vec3 direction) {
    for (int i = 0; i < COLLECTIBLE_COUNT; ++i) {
        if (engine.collectibleActive[i] != 0 && CollectibleInView(i, eye, direction)) {
            engine.collectibleActive[i] = 0;
            break;
        }
    }
    const bool anyLeft =
        std::any_of(engine.collectibleActive, engine.collectibleActive + COLLECTIBLE_COUNT,
                    [](int32_t active) { return active != 0; });
    if (!anyLeft) {
        engine.screenMode = SCREEN_MODE_END;
    }
}

bool LineOfSightClear(Vec3 eye, Vec3 d, float distance) {
    for (const LevelRayHit& hit : CastRayFromBehind(levelModels[LEVEL_MODEL].mesh, eye, d)) {
        if (hit.distance > RAY_BACK_OFFSET && hit.distance - RAY_BACK_OFFSET < distance) {
            return false;
        }
    }
    return true;
}
