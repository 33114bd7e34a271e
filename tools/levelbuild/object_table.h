// The game's animated objects as the engine has them compiled in (hinge position, size, yaw
// angles, slide), and the box geometry the engine builds from them, so that the level and
// the hull carry each box exactly where the first frame puts it.
#pragma once

#include "mesh.h"

#include <array>

namespace levelbuild {

struct AnimatedObject {
    Vec3 position;
    Vec3 size; // width, height, thickness
    float closedAngle;
    float openAngle;
    Vec3 slide;
};

constexpr int OBJECT_COUNT = 44;
constexpr int FIRST_BOX_VERTEX = 9250;
constexpr int FIRST_BOX_FACE = 5474;
constexpr int FIRST_HULL_BOX_VERTEX = 4301;

extern const std::array<AnimatedObject, OBJECT_COUNT> OBJECTS;
extern const Vec3 BOX_CORNERS[24];
extern const Vec3 BOX_FACE_NORMALS[6];
extern const Vec3 HULL_CORNERS[8];

// The 24 box vertices (positions and normals) of object i at an opening amount 0..1, in the
// engine's own float arithmetic.
void ObjectBox(int i, float openAmount, Vec3 positions[24], Vec3 normals[24]);

// The eight hull corners of object i at an opening amount.
void ObjectHullCorners(int i, float openAmount, Vec3 corners[8]);

// Footprint of object i when closed: the two ends of its width edge at half thickness.
void ObjectClosedSpan(int i, Vec3& from, Vec3& to);

} // namespace levelbuild
