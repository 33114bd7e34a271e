// What the game would make of the bot's view: the object or collectible a click from an eye
// along a direction would take, by the same tests the click handlers make, and where the
// animated objects stand now. Planning and playing share these.
#pragma once

#include "player/vector_ops.h"

#include <cmath>

namespace botsight {

inline float Length(const Vec3& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

inline float HorizontalDistance(const Vec3& a, const Vec3& b) {
    return std::hypot(a.x - b.x, a.z - b.z);
}

// The object a click from eye along d would operate, as the click handler picks it, or -1.
int PickedObject(Vec3 eye, Vec3 d);
// Whether a click from eye along direction would take collectible i.
bool CollectibleTakenFrom(int i, Vec3 eye, Vec3 direction);
// The middle of an object's box in the visible level, where it moves with the object.
Vec3 ObjectCentre(int object);
// Whether an object is still on its way to the state it was switched to.
bool ObjectMoving(int object);
bool AnyObjectMoving();

} // namespace botsight
