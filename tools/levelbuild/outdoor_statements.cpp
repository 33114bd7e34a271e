// Outdoor statements: trees, hedges and railings (cut-out planes), and the sky box.
#include "scene_statements.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace levelbuild {

void BuildTree(LevelScene& scene, const Statement& s) {
    float x = s.Num(0), y = s.Num(1), z = s.Num(2), h = s.Num(3), r = s.Num(4);
    int bark = MaterialOf(scene, s, "bark");
    int leaves = MaterialOf(scene, s, "leaves");
    float t = 0.09f + r * 0.03f;
    EmitOrientedBox(scene.detail, {x - t, y, z - t}, {2 * t, 0, 0}, {0, h * 0.6f, 0}, {0, 0, 2 * t},
                    bark, Scale(scene, bark), 1 << 2);
    EmitHullBox(scene.hull, {x - t, y, z - t}, {2 * t, 0, 0}, {0, h * 0.6f, 0}, {0, 0, 2 * t});
    // Three crossed cut-out planes make the crown.
    float bottom = y + h * 0.35f;
    for (int k = 0; k < 3; ++k) {
        float a = k * 3.14159265f / 3 + x * 0.7f;
        Vec3 d{std::cos(a) * r, 0, std::sin(a) * r};
        Vec3 p[4] = {Vec3{x, bottom, z} - d, Vec3{x, y + h, z} - d, Vec3{x, y + h, z} + d,
                     Vec3{x, bottom, z} + d};
        float uv[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
        AddQuad(scene.cutout, p, uv, leaves);
    }
}

void BuildFence(LevelScene& scene, const Statement& s, const std::string& material, float uPerMetre,
                bool hullDefault) {
    int mat = MaterialOf(scene, s, material);
    float x0 = s.Num(0), z0 = s.Num(1), x1 = s.Num(2), z1 = s.Num(3), y = s.Num(4), h = s.Num(5);
    float yEnd = s.args.size() > 6 && s.args[6] != "nohull" ? s.Num(6) : y;
    Vec3 a{x0, y, z0}, b{x1, yEnd, z1};
    float len = Length(b - a);
    Vec3 p[4] = {a, a + UP * h, b + UP * h, b};
    float u1 = std::max(1.0f, std::round(len * uPerMetre));
    float uv[4][2] = {{0, 1}, {0, 0}, {u1, 0}, {u1, 1}};
    AddQuad(scene.cutout, p, uv, mat);
    if (hullDefault && !s.Has("nohull") && yEnd == y) {
        Vec3 d = Normalize(b - a);
        Vec3 n{d.z, 0, -d.x};
        EmitHullBox(scene.hull, a - n * 0.05f, b - a, UP * std::max(h, 1.0f), n * 0.1f);
    }
}

void BuildSky(LevelScene& scene, const Statement& s) {
    Vec3 c{s.Num(0), s.Num(1), s.Num(2)};
    float h = s.Num(3);
    int side = MaterialOf(scene, s, "skyside");
    int top = MaterialOf(scene, s, "skytop");
    int bottom = MaterialOf(scene, s, "skybottom");
    auto P = [&](float x, float y, float z) { return c + Vec3{x * h, y * h, z * h}; };
    // Faces seen from inside; u runs left to right, v top to bottom as seen by the viewer.
    auto face = [&](Vec3 tl, Vec3 tr, Vec3 br, Vec3 bl, int mat) {
        Vec3 p[4] = {tl, tr, br, bl};
        float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        AddQuad(scene.sky, p, uv, mat);
    };
    face(P(-1, 1, 1), P(1, 1, 1), P(1, -1, 1), P(-1, -1, 1), side);     // north, seen from inside
    face(P(1, 1, 1), P(1, 1, -1), P(1, -1, -1), P(1, -1, 1), side);     // east
    face(P(1, 1, -1), P(-1, 1, -1), P(-1, -1, -1), P(1, -1, -1), side); // south
    face(P(-1, 1, -1), P(-1, 1, 1), P(-1, -1, 1), P(-1, -1, -1), side); // west
    face(P(-1, 1, -1), P(1, 1, -1), P(1, 1, 1), P(-1, 1, 1), top);
    face(P(-1, -1, 1), P(1, -1, 1), P(1, -1, -1), P(-1, -1, -1), bottom);
}

} // namespace levelbuild
