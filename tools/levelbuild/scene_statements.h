// The statement handlers that BuildScene dispatches to, one file per kind of statement, and
// the helpers they share. Each handler adds its statement's geometry to the scene and throws
// std::runtime_error, naming the line, on a bad statement.
#pragma once

#include "level_builder.h"

#include <cstddef>
#include <string>
#include <vector>

namespace levelbuild {

inline const Vec3 UP{0, 1, 0};

// Throws the error for statement s, prefixed with its line and keyword.
[[noreturn]] void Fail(const Statement& s, const std::string& what);

// The id of a declared material; an unknown name fails statement s.
int MaterialOf(LevelScene& scene, const Statement& s, const std::string& name);

// Texture metres per repeat of a material.
float Scale(const LevelScene& scene, int material);

// Marks the level triangles from firstTriangle on that lie in a shadow rectangle.
void MarkShadowed(LevelScene& scene, size_t firstTriangle);

// Opening of an animated object in a wall or front running from origin along axis.
Hole ObjectHole(const Statement& s, int object, Vec3 origin, Vec3 axis, Vec3 normal,
                float halfThickness, float y0, bool fromObjectBottom);

void BuildWall(LevelScene& scene, const Statement& s);
// Stops in the openings of the given doors of a wall running from start along d, closing the
// slit between each swinging leaf and its opening on the side the leaf does not swing to.
void BuildDoorStops(LevelScene& scene, const std::vector<int>& doors,
                    const std::vector<Hole>& holes, Vec3 start, Vec3 d, Vec3 nA, float thick,
                    int material);

void BuildSlab(LevelScene& scene, const Statement& s);

// A flight of steps: origin at the foot's left corner, climbing along, width across; steps
// of run by rise from a floor at y0, their solid reaching down to base.
struct StairFlight {
    Vec3 origin, along, across;
    float width, run, rise, y0, base;
    int steps;
    int tread, riser, nosing; // materials
};
void EmitStairSteps(LevelScene& scene, const StairFlight& flight);
void BuildStairs(LevelScene& scene, const Statement& s);
void BuildRamp(LevelScene& scene, const Statement& s);
void BuildPaving(LevelScene& scene, const Statement& s);

void BuildBox(LevelScene& scene, const Statement& s);
void BuildTable(LevelScene& scene, const Statement& s);
void BuildCabinet(LevelScene& scene, const Statement& s);

void BuildPool(LevelScene& scene, const Statement& s);
void BuildWater(LevelScene& scene, const Statement& s);

void BuildLamp(LevelScene& scene, const Statement& s);

void BuildTree(LevelScene& scene, const Statement& s);
// Hedges and railings: one cut-out plane textured uPerMetre times per metre, with a thin hull
// wall when hullDefault is set.
void BuildFence(LevelScene& scene, const Statement& s, const std::string& material, float uPerMetre,
                bool hullDefault);
void BuildSky(LevelScene& scene, const Statement& s);

} // namespace levelbuild
