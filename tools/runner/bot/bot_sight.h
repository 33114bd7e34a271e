// Where the animated objects stand now, as the bot sees them. What a click would take the bot
// asks the engine's own click tests (AnimatedObjects::PickedObject, CollectibleInView).
// Planning and playing share these.
#pragma once

#include "core/vector_ops.h"

#include <cmath>

namespace botsight {

inline float Length(const Vec3& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

inline float HorizontalDistance(const Vec3& a, const Vec3& b) {
    return std::hypot(a.x - b.x, a.z - b.z);
}

// The middle of an object's box in the visible level, where it moves with the object.
Vec3 ObjectCentre(int object);
// Whether an object is still on its way to the state it was switched to.
bool ObjectMoving(int object);
bool AnyObjectMoving();

} // namespace botsight
