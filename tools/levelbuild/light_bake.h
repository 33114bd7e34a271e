// The light of the level: the sun with sharp shadows, the sky dimmed by what hides it
// (ambient occlusion), a soft fill and the lamps, each lamp and the sun tested for shadow by a
// ray against the level's own geometry. Used for the vertex colours and the light maps.
#pragma once

#include "mesh.h"
#include "ray_scene.h"

#include <cstdint>
#include <vector>

namespace levelbuild {

struct Rgb {
    float r = 0, g = 0, b = 0;
};
inline Rgb operator+(Rgb a, Rgb b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb operator*(Rgb a, float s) {
    return {a.r * s, a.g * s, a.b * s};
}

struct PointLight {
    Vec3 position;
    float range;
    Rgb color;
};

struct LightRig {
    Vec3 toSun{0, 1, 0}; // unit vector towards the sun
    Rgb sun, sky, fill;
    std::vector<PointLight> lamps;
};

// The level's rig: the sun seen from the level's centre in the direction of sunPosition, and
// the lamps as given.
LightRig MakeLightRig(Vec3 sunPosition, Vec3 levelCentre, const std::vector<PointLight>& lamps);

// Light from the sun and the lamps at a point of a surface with the given normal: the part
// that casts sharp shadows.
Rgb DirectLight(const LightRig& rig, const RayScene& rays, Vec3 point, Vec3 normal);

// Light from the sky and the fill at a point, dimmed by the geometry around it: the part that
// changes slowly across a surface.
Rgb SoftLight(const LightRig& rig, const RayScene& rays, Vec3 point, Vec3 normal);

// The displayed brightness of a light value: linear up to a knee, then easing into white.
Rgb ToneMap(Rgb light);

// 32-bit ARGB of a tone-mapped light value, opaque.
uint32_t PackLight(Rgb light);

// Bakes every vertex's colour; softOut, when given, receives each vertex's soft light so that
// light maps can blend with the vertex colours around them.
void BakeVertexLight(const LightRig& rig, const RayScene& rays, Mesh& mesh,
                     std::vector<Rgb>* softOut = nullptr);

} // namespace levelbuild
