// Turns the level description into the game's models: the level, its collision hull, the
// shadow markers, the detail and cut-out models, the water and the sky, with the animated
// objects' boxes at the vertex and face positions the engine addresses.
#pragma once

#include "geometry.h"
#include "image_io.h"
#include "level_source.h"
#include "mesh.h"
#include "mesh_seams.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace levelbuild {

struct LampInfo {
    Vec3 position;
    float range;
    float r, g, b;
};

struct Box3 {
    Vec3 lo, hi;
};

struct FillerArea {
    float x0, z0, x1, z1, y;
};

// Everything the statements produce before the models are put in their final order.
struct LevelScene {
    std::vector<Material> materials;
    std::map<std::string, int> materialIds;
    std::vector<bool> beforeBoxes; // per material: placed before the object boxes
    std::vector<float> texScales;  // per material
    float cell = 1.0f;
    float hullCell = 1.5f;

    Mesh level;
    std::vector<bool> levelShadowed; // per level triangle: copied into the shadow markers
    std::vector<ShadowRect> shadowRects;
    Mesh hull;
    Mesh detail; // drawn, not hit by rays
    Mesh cutout; // alpha-tested, two-sided
    Mesh water;
    Mesh sky;
    std::vector<LampInfo> lamps;
    std::vector<Box3> indoors;
    std::vector<FillerArea> fillers;
    Vec3 sunDirection{-0.45f, -0.7f, 0.55f};
    // Per visible model file: the open edges and T-junctions it may have (water, foliage,
    // floors whose edges run under walls); more fail the build.
    std::map<std::string, SeamCount> seamAllowances;
};

// The final models, each with its own compact material list.
struct LevelModels {
    Mesh level, markers, detail, cutout, water, hull, sky, collectible;
    std::vector<Material> levelMaterials, markerMaterials, detailMaterials, cutoutMaterials,
        waterMaterials, hullMaterials, skyMaterials, collectibleMaterials;
    std::vector<std::string> textures; // every painted texture name used by any model
    std::vector<std::pair<std::string, Image>> bakedImages; // light maps by texture name
    // How the fixed counts were met, for the build log.
    std::string report;
};

// Runs every statement; throws std::runtime_error on a bad statement.
LevelScene BuildScene(const std::vector<Statement>& statements);

// Orders and completes the scene into the final models; throws when the fixed vertex and
// face ranges cannot be met.
LevelModels AssembleModels(LevelScene& scene);

// Counts the seams of the visible models (the level without its object boxes, the detail and
// cut-out models and the water) against the scene's allowances; returns the build log lines
// and throws when a model has more than it is allowed.
std::string CheckModelSeams(const LevelScene& scene, const LevelModels& models);

} // namespace levelbuild
