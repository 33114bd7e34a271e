// The eight global models: the level block of six, the sky box and the collectible.
// They are constructed before the entry point runs and released after it returns, in the
// reverse order of construction.
#pragma once

#include "world/mesh_model.h"

constexpr int LEVEL_BLOCK_SIZE = 6;

// Entries of the level block, in loading order of their files.
constexpr int LEVEL_MODEL = 0;         // data\L1.x, the level
constexpr int SHADOW_MARKER_MODEL = 1; // data\L1add0.x
constexpr int DETAIL_MODEL = 2;        // data\L1add2.x, cut-out detail
constexpr int WATER_MODEL = 3;         // data\L1add5.x
constexpr int HULL_MODEL = 4;          // data\L1add3.x, the collision hull
constexpr int EXTRA_MODEL = 5;         // data\L1add1.x

extern MeshModel levelModels[LEVEL_BLOCK_SIZE];
extern MeshModel skyBoxModel;      // data\L1add4.x
extern MeshModel collectibleModel; // data\kelmar.x
