// AnimatedObjects: the 44 doors, flaps, sliding panels and wall switches of the level, with
// their compiled-in tables and their states. Each object is a box of 24 vertices in the level
// model and of 8 vertices in the collision hull.
#pragma once

#include "d3dx/d3dx8.h"
#include "core/vector_ops.h"
#include "world/object_table.h"

#include <cstdint>

constexpr int OBJECT_CAPACITY = 50;

struct AnimatedObjects {
    uint32_t firstLevelVertex[OBJECT_CAPACITY];
    Vec3 slideOffset[OBJECT_CAPACITY];
    float closedAngle[OBJECT_CAPACITY];
    float openAngle[OBJECT_CAPACITY];
    float openAmount[OBJECT_CAPACITY];
    Vec3 objectSize[OBJECT_CAPACITY];
    Vec3 boxCorners[24];
    Vec3 boxFaceNormals[6];
    Vec3 hullCorners[8];
    Vec3 objectPosition[OBJECT_CAPACITY];
    uint32_t objectCount;
    uint8_t isOpen[OBJECT_CAPACITY];
    uint8_t isMoving[OBJECT_CAPACITY];
    uint32_t firstHullVertex[OBJECT_CAPACITY];
    ID3DXMesh** levelModelMesh;
    ID3DXMesh** hullModelMesh;

    // Fills the tables with their compiled-in content.
    AnimatedObjects();

    // Advances every moving object and rewrites its boxes in the level and hull buffers.
    void UpdateAnimatedObjects();
    // Operates the object the eye looks at; links, sounds and camera flights follow.
    int ObjectClick(Vec3 eye, Vec3 direction);
    // The object a click from eye along direction would operate, or -1.
    int PickedObject(Vec3 eye, Vec3 direction) const;
};

extern AnimatedObjects animatedObjects;
