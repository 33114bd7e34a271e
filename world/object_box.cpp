// The box frame of an animated object: turned about the vertical through its reference
// position, then slid.
#include "world/object_box.h"

#include <cmath>

ObjectBoxFrame ObjectBoxFrameAt(Vec3 position, Vec3 size, float closedAngle, float openAngle,
                                Vec3 slideOffset, float openAmount) {
    const float angle =
        (closedAngle + (openAngle - closedAngle) * openAmount) / 180.0f * 3.1415927f;
    ObjectBoxFrame box;
    box.u = Vec3(cosf(angle), 0.0f, sinf(angle));
    box.v = Vec3(0.0f, 1.0f, 0.0f);
    box.w = Vec3(-sinf(angle), 0.0f, cosf(angle));
    box.width = box.u * size.x;
    box.height = box.v * size.y;
    box.thickness = box.w * size.z;

    // The reference position lies half a thickness in from the box's first corner, both
    // across the panel and along it.
    const Vec3 sideways(box.thickness.z / 2.0f, 0.0f, -box.thickness.x / 2.0f);
    box.origin = (position - box.thickness / 2.0f) - sideways;
    box.origin = box.origin + slideOffset * openAmount;
    return box;
}
