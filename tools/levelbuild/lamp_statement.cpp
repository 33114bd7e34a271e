// Lamps: a light the baking reads, and the fitting drawn around its glow.
#include "scene_statements.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace levelbuild {

void BuildLamp(LevelScene& scene, const Statement& s) {
    std::string kind = s.Name(0);
    Vec3 p{s.Num(1), s.Num(2), s.Num(3)};
    LampInfo lamp{p, s.Num(4), s.Num(5), s.Num(6), s.Num(7)};
    scene.lamps.push_back(lamp);
    if (kind == "sun") {
        return;
    }
    int metal = MaterialOf(scene, s, "metal");
    int shade = MaterialOf(scene, s, "lampshade");
    float msc = Scale(scene, metal), ssc = Scale(scene, shade);
    auto box = [&](Vec3 lo, Vec3 hi, int mat, float sc) {
        EmitOrientedBox(scene.detail, lo, {hi.x - lo.x, 0, 0}, {0, hi.y - lo.y, 0},
                        {0, 0, hi.z - lo.z}, mat, sc);
    };
    if (kind == "pendant") {
        float ceiling = s.Num(8);
        box({p.x - 0.01f, p.y + 0.15f, p.z - 0.01f}, {p.x + 0.01f, ceiling, p.z + 0.01f}, metal,
            msc);
        box({p.x - 0.06f, ceiling - 0.02f, p.z - 0.06f}, {p.x + 0.06f, ceiling, p.z + 0.06f}, metal,
            msc);
        // Open shade above the bulb so the glow stays visible from below and the side.
        Vec3 centroid{p.x, p.y + 0.1f, p.z};
        float r0 = 0.22f, r1 = 0.07f, yb = p.y + 0.04f, yt = p.y + 0.16f;
        for (int k = 0; k < 8; ++k) {
            float a0 = k * 6.2831853f / 8, a1 = (k + 1) * 6.2831853f / 8;
            Vec3 q0{p.x + r0 * std::cos(a0), yb, p.z + r0 * std::sin(a0)};
            Vec3 q1{p.x + r0 * std::cos(a1), yb, p.z + r0 * std::sin(a1)};
            Vec3 q2{p.x + r1 * std::cos(a1), yt, p.z + r1 * std::sin(a1)};
            Vec3 q3{p.x + r1 * std::cos(a0), yt, p.z + r1 * std::sin(a0)};
            EmitSolidFace(scene.detail, {q0, q1, q2, q3}, centroid, shade, ssc);
            EmitSolidFace(scene.detail, {q0, q1, q2, q3}, centroid, shade, ssc, 0, true);
        }
    } else if (kind == "wall" || kind == "post") {
        // A cap above the glow and an arm back to the wall (or a post down to the ground).
        Vec3 back{s.Num(8), 0, s.Num(9)};
        box({p.x - 0.09f, p.y + 0.1f, p.z - 0.09f}, {p.x + 0.09f, p.y + 0.16f, p.z + 0.09f}, shade,
            ssc);
        Vec3 a{std::min(p.x, back.x) - 0.015f, p.y + 0.1f, std::min(p.z, back.z) - 0.015f};
        Vec3 b{std::max(p.x, back.x) + 0.015f, p.y + 0.13f, std::max(p.z, back.z) + 0.015f};
        box(a, b, metal, msc);
        if (kind == "post") {
            box({back.x - 0.04f, s.Num(10), back.z - 0.04f},
                {back.x + 0.04f, p.y + 0.13f, back.z + 0.04f}, metal, msc);
            EmitHullBox(scene.hull, {back.x - 0.06f, s.Num(10), back.z - 0.06f}, {0.12f, 0, 0},
                        {0, p.y - s.Num(10), 0}, {0, 0, 0.12f});
        }
    } else {
        Fail(s, "lamp kind must be pendant, wall, post or sun");
    }
}

} // namespace levelbuild
