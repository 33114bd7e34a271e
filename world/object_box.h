// How an animated object's box is made from its place, size, angles and slide at an opening
// amount. The engine rebuilds every moving box this way and the level builder writes the
// first frame's boxes the same way, so the built models carry each box exactly where the
// engine puts it.
#pragma once

#include "core/vector_ops.h"

// Unit-cube corner selectors along width, height and thickness, four per box face, in the
// vertex order the level file stores each object box.
inline constexpr Vec3 BOX_CORNERS[24] = {
    Vec3(0, 1, 0), Vec3(1, 1, 0), Vec3(1, 0, 0), Vec3(0, 0, 0), // front
    Vec3(0, 0, 1), Vec3(1, 0, 1), Vec3(1, 1, 1), Vec3(0, 1, 1), // back
    Vec3(1, 0, 1), Vec3(1, 0, 0), Vec3(1, 1, 0), Vec3(1, 1, 1), // right
    Vec3(0, 0, 1), Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(1, 0, 1), // bottom
    Vec3(0, 1, 1), Vec3(0, 1, 0), Vec3(0, 0, 0), Vec3(0, 0, 1), // left
    Vec3(1, 1, 1), Vec3(1, 1, 0), Vec3(0, 1, 0), Vec3(0, 1, 1), // top
};

// The normal of each box face in the box's own axes.
inline constexpr Vec3 BOX_FACE_NORMALS[6] = {
    Vec3(0, 0, -1), Vec3(0, 0, 1), Vec3(1, 0, 0), Vec3(0, -1, 0), Vec3(-1, 0, 0), Vec3(0, 1, 0),
};

// The eight corners of an object's box in the collision hull, in the hull file's order.
inline constexpr Vec3 HULL_CORNERS[8] = {
    Vec3(1, 0, 0), Vec3(0, 0, 0), Vec3(0, 1, 0), Vec3(1, 1, 0),
    Vec3(0, 0, 1), Vec3(1, 0, 1), Vec3(1, 1, 1), Vec3(0, 1, 1),
};

// A box's own axes (across its width, up, through its thickness), the same scaled by its
// size, and the corner that selector (0, 0, 0) picks.
struct ObjectBoxFrame {
    Vec3 u, v, w;
    Vec3 width, height, thickness;
    Vec3 origin;
};

// The box of an object at an opening amount from 0 (closed) to 1 (open).
ObjectBoxFrame ObjectBoxFrameAt(Vec3 position, Vec3 size, float closedAngle, float openAngle,
                                Vec3 slideOffset, float openAmount);

// The box point a corner selector picks, summed in the engine's order.
inline Vec3 ObjectBoxPoint(const ObjectBoxFrame& box, const Vec3& corner) {
    return ((box.origin + box.width * corner.x) + box.height * corner.y) + box.thickness * corner.z;
}

// A face normal given in the box's own axes, turned with the box.
inline Vec3 ObjectBoxNormal(const ObjectBoxFrame& box, const Vec3& faceNormal) {
    return (box.u * faceNormal.x + box.v * faceNormal.y) + box.w * faceNormal.z;
}
