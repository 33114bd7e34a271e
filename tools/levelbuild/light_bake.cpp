// The light model of the bake. Every value is a pure function of the point, its normal and
// the geometry, so vertices and texels can be lit in any order and on any thread.
#include "light_bake.h"

#include "parallel_for.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace levelbuild {

namespace {

// Rays start this far off the surface so that they do not hit it.
constexpr float SURFACE_OFFSET = 0.02f;
constexpr float SUN_REACH = 200.0f;
// A sky ray that travels this far has reached open sky.
constexpr float SKY_REACH = 60.0f;
// Geometry closer than this along a sky ray darkens the fill light (contact shadow).
constexpr float OCCLUSION_REACH = 1.2f;
constexpr int SKY_RAYS = 40;
constexpr float LAMP_STRENGTH = 1.2f;
constexpr float LAMP_FIXTURE_RADIUS = 0.3f;
constexpr float KNEE = 0.8f;

// Cosine-weighted directions over the hemisphere around +z, spread on a golden-angle spiral:
// the same set at every point, so that neighbouring vertices sample alike and no noise shows.
const std::array<Vec3, SKY_RAYS>& SkyDirections() {
    static const std::array<Vec3, SKY_RAYS> directions = [] {
        std::array<Vec3, SKY_RAYS> d{};
        const float golden = 2.39996323f;
        for (int i = 0; i < SKY_RAYS; ++i) {
            float r = std::sqrt((i + 0.5f) / SKY_RAYS);
            float a = i * golden;
            d[i] = {r * std::cos(a), r * std::sin(a), std::sqrt(std::max(0.0f, 1 - r * r))};
        }
        return d;
    }();
    return directions;
}

// Two unit vectors completing a frame with the unit normal n.
void Frame(Vec3 n, Vec3& t, Vec3& b) {
    Vec3 helper = std::fabs(n.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    t = Normalize(Cross(helper, n));
    b = Cross(n, t);
}

float Knee(float c) {
    if (c <= KNEE) {
        return std::max(0.0f, c);
    }
    return KNEE + (1 - KNEE) * (1 - std::exp(-(c - KNEE) / (1 - KNEE)));
}

} // namespace

LightRig MakeLightRig(Vec3 sunPosition, Vec3 levelCentre, const std::vector<PointLight>& lamps) {
    LightRig rig;
    rig.toSun = Normalize(sunPosition - levelCentre);
    rig.sun = {0.80f, 0.75f, 0.64f};
    rig.sky = {0.34f, 0.38f, 0.46f};
    rig.fill = {0.30f, 0.29f, 0.27f};
    rig.lamps = lamps;
    return rig;
}

Rgb DirectLight(const LightRig& rig, const RayScene& rays, Vec3 point, Vec3 normal) {
    Rgb light;
    Vec3 start = point + normal * SURFACE_OFFSET;
    float facing = Dot(normal, rig.toSun);
    if (facing > 0 && !rays.Blocked(start, rig.toSun, SUN_REACH)) {
        light = light + rig.sun * facing;
    }
    for (const PointLight& lamp : rig.lamps) {
        Vec3 to = lamp.position - point;
        float distance = Length(to);
        if (distance >= lamp.range || distance < 1e-4f) {
            continue;
        }
        Vec3 dir = to * (1.0f / distance);
        float cosine = Dot(normal, dir);
        if (cosine <= 0) {
            continue;
        }
        float fade = 1 - distance / lamp.range;
        // Near the bulb the light falls off faster than the range alone says.
        float strength = LAMP_STRENGTH * fade * fade / (1 + 0.08f * distance * distance);
        if (strength * cosine < 1.0f / 512) {
            continue;
        }
        // The lamp's own shade and arm sit within this distance of its glow; they would
        // throw hard black wedges on the wall or ceiling right beside the lamp.
        float reach = Length(lamp.position - start) - LAMP_FIXTURE_RADIUS;
        if (reach <= 0 || !rays.Blocked(start, Normalize(lamp.position - start), reach)) {
            light = light + lamp.color * (strength * cosine);
        }
    }
    return light;
}

Rgb SoftLight(const LightRig& rig, const RayScene& rays, Vec3 point, Vec3 normal) {
    Vec3 t, b;
    Frame(normal, t, b);
    Vec3 start = point + normal * SURFACE_OFFSET;
    int open = 0;
    float unoccluded = 0;
    for (Vec3 d : SkyDirections()) {
        Vec3 dir = t * d.x + b * d.y + normal * d.z;
        float hit = rays.Nearest(start, dir, SKY_REACH);
        if (hit < 0) {
            ++open;
            unoccluded += 1;
        } else {
            unoccluded += std::min(1.0f, hit / OCCLUSION_REACH);
        }
    }
    float skyShare = static_cast<float>(open) / SKY_RAYS;
    float fillShare = unoccluded / SKY_RAYS;
    // Light reaching the upper side of a surface from the sky is brighter than from below.
    float up = 0.75f + 0.25f * normal.y;
    return rig.sky * (skyShare * up) + rig.fill * fillShare;
}

Rgb ToneMap(Rgb light) {
    return {Knee(light.r), Knee(light.g), Knee(light.b)};
}

uint32_t PackLight(Rgb light) {
    Rgb c = ToneMap(light);
    auto byte = [](float f) {
        return static_cast<uint32_t>(std::lround(std::clamp(f, 0.0f, 1.0f) * 255.0f));
    };
    return 0xFF000000u | (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

void BakeVertexLight(const LightRig& rig, const RayScene& rays, Mesh& mesh,
                     std::vector<Rgb>* softOut) {
    std::vector<Rgb> soft(mesh.vertices.size());
    ParallelFor(mesh.vertices.size(), 64, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            Vertex& v = mesh.vertices[i];
            Vec3 n = Normalize(v.normal);
            soft[i] = SoftLight(rig, rays, v.position, n);
            v.color = PackLight(soft[i] + DirectLight(rig, rays, v.position, n));
        }
    });
    if (softOut != nullptr) {
        *softOut = std::move(soft);
    }
}

} // namespace levelbuild
