// Left-click interaction: picking the door, switch or button in view (AnimatedObjects::
// ObjectClick, declared with the record), picking up collectibles, and the line-of-sight ray
// test that the light coronas share.
#pragma once

#include "core/vector_ops.h"
#include "world/object_table.h"

// Objects with a flight of the scripted camera, a sound of their own or a link.
constexpr int ENTRANCE_SWITCH = 37; // starts flight 4, drives the hall light switch 38
constexpr int HALL_SWITCH = 38;     // lets doors 3 and 4 open
constexpr int UPPER_BUTTON = 42;    // starts flight 5, drives switch 41
constexpr int DRAIN_BUTTON = 43;    // starts flight 6 and the water drain
// Clicks reach this far in front of the eye.
constexpr float CLICK_REACH = 2.0f;
// Collectibles can be taken from this far away.
constexpr float COLLECT_REACH = 3.0f;

// Picks up the first active collectible, in index order, that lies within reach, close to
// the view direction and in sight; shows the end screen once none is left.
void CollectibleClick(Vec3 eye, Vec3 direction);

// Whether collectible i lies within reach of eye, close to the view direction and in sight,
// as a click tests it; whether it is still there is not asked.
bool CollectibleInView(int i, Vec3 eye, Vec3 direction);

// True when no face of the level model lies on the ray from eye along the unit vector d closer
// than distance.
bool LineOfSightClear(Vec3 eye, Vec3 d, float distance);
