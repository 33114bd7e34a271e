// The engine's object boxes, handed over in the builder's vector type.
#include "object_boxes.h"

#include "world/object_box.h"
#include "world/object_table.h"

namespace levelbuild {

namespace {

Vec3 FromEngine(const ::Vec3& v) {
    return {v.x, v.y, v.z};
}

ObjectBoxFrame FrameOf(int i, float openAmount) {
    const ObjectTableEntry& o = OBJECT_TABLE[i];
    return ObjectBoxFrameAt(o.position, o.size, o.closedAngle, o.openAngle, o.slideOffset,
                            openAmount);
}

} // namespace

void ObjectBox(int i, float openAmount, Vec3 positions[24], Vec3 normals[24]) {
    const ObjectBoxFrame box = FrameOf(i, openAmount);
    for (int j = 0; j < OBJECT_VERTICES; ++j) {
        positions[j] = FromEngine(ObjectBoxPoint(box, BOX_CORNERS[j]));
        normals[j] = FromEngine(ObjectBoxNormal(box, BOX_FACE_NORMALS[j / 4]));
    }
}

void ObjectHullCorners(int i, float openAmount, Vec3 corners[8]) {
    const ObjectBoxFrame box = FrameOf(i, openAmount);
    for (int j = 0; j < OBJECT_HULL_VERTICES; ++j) {
        corners[j] = FromEngine(ObjectBoxPoint(box, HULL_CORNERS[j]));
    }
}

void ObjectClosedSpan(int i, Vec3& from, Vec3& to) {
    const ObjectBoxFrame box = FrameOf(i, 0.0f);
    const ::Vec3 start = box.origin + box.thickness * 0.5f;
    from = FromEngine(start);
    to = FromEngine(start + box.width);
}

} // namespace levelbuild
