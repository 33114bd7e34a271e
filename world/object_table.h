// The compiled-in table of the level's 44 doors, flaps, sliding panels and wall switches, and
// where their boxes lie in the level and hull models. The engine, the level builder and the
// bot all read the level's objects from here.
#pragma once

#include "core/vector_ops.h"

#include <cstdint>

constexpr int OBJECT_COUNT = 44;
// Objects up to this index are doors, flaps and panels; the ones above are switches and
// buttons, which never move (equal angles, no slide).
constexpr uint32_t LAST_DOOR = 36;
// The smallest switch has no coloured front.
constexpr uint32_t UNCOLOURED_SWITCH = 42;

// Object i's box is the 24 level vertices from 9250 + 24 i, the 12 level faces from
// 5474 + 12 i and the 8 hull vertices from 4301 + 8 i.
constexpr uint32_t FIRST_OBJECT_LEVEL_VERTEX = 9250;
constexpr uint32_t FIRST_OBJECT_LEVEL_FACE = 5474;
constexpr uint32_t FIRST_OBJECT_HULL_VERTEX = 4301;
constexpr int OBJECT_VERTICES = 24;
constexpr int OBJECT_FACES = 12;
constexpr int OBJECT_HULL_VERTICES = 8;

struct ObjectTableEntry {
    Vec3 position;     // hinge reference position
    Vec3 size;         // width, height, thickness
    float closedAngle; // yaw in degrees at openAmount 0
    float openAngle;   // yaw in degrees at openAmount 1
    Vec3 slideOffset;  // displacement at openAmount 1
};

extern const ObjectTableEntry OBJECT_TABLE[OBJECT_COUNT];
