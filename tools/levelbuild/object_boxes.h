// The animated objects' boxes in the builder's own vector type, made by the engine's box
// construction from the engine's object table, so that the level and the hull carry each box
// exactly where the first frame puts it.
#pragma once

#include "mesh.h"

namespace levelbuild {

// The 24 box vertices (positions and normals) of object i at an opening amount 0..1.
void ObjectBox(int i, float openAmount, Vec3 positions[24], Vec3 normals[24]);

// The eight hull corners of object i at an opening amount.
void ObjectHullCorners(int i, float openAmount, Vec3 corners[8]);

// Footprint of object i when closed: the two ends of its width edge at half thickness.
void ObjectClosedSpan(int i, Vec3& from, Vec3& to);

} // namespace levelbuild
