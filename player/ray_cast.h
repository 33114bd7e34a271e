// The ray casts of clicks and coronas against the visible level model. A cast starts 100 units
// behind the eye on the same line, and its hit distances are measured from there.
#pragma once

#include "d3dx/d3dx8.h"
#include "core/vector_ops.h"

#include <vector>

// How far behind the eye every cast starts.
constexpr float RAY_BACK_OFFSET = 100.0f;

// One hit of a cast: the face and its distance from the cast's origin.
struct LevelRayHit {
    DWORD face;
    float distance;
};
// The shorter name the runner's bot reads the casts with. The record must never be called
// RayHit itself: the ray test has a record of that name with another layout.
using RayHit = LevelRayHit;

// Casts from eye - 100 d along d against mesh and returns every hit in the order the ray test
// reports them. A failing ray test shows "Err: D3DXIntersect" and yields no hits; a null mesh
// yields no hits.
std::vector<LevelRayHit> CastRayFromBehind(ID3DXMesh* mesh, Vec3 eye, Vec3 d);
