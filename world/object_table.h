// The compiled-in table of the level's 44 doors, flaps, sliding panels and wall switches.
#pragma once

#include "player/vector_ops.h"

struct ObjectTableEntry {
    Vec3 position;     // hinge reference position
    Vec3 size;         // width, height, thickness
    float closedAngle; // yaw in degrees at openAmount 0
    float openAngle;   // yaw in degrees at openAmount 1
    Vec3 slideOffset;  // displacement at openAmount 1
};

extern const ObjectTableEntry OBJECT_TABLE[44];
