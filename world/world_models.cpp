// The eight global models and the animated objects. They are defined together, in this
// order, because the objects hold pointers into the models and because the models must be
// released in the reverse order of construction (level block from entry 5 down to 0) when
// the process ends, after ReleaseAll.
#include "world/world_models.h"

#include "world/animated_objects.h"

MeshModel levelModels[LEVEL_BLOCK_SIZE];
MeshModel skyBoxModel;
MeshModel collectibleModel;
AnimatedObjects animatedObjects;
