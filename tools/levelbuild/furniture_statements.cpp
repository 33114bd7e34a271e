// Furniture statements: plain boxes, tables, and cabinets whose fronts open for flaps.
#include "scene_statements.h"

#include <string>
#include <vector>

namespace levelbuild {

void BuildBox(LevelScene& scene, const Statement& s) {
    int mat = MaterialOf(scene, s, s.Name(0));
    Vec3 lo{s.Num(1), s.Num(2), s.Num(3)}, hi{s.Num(4), s.Num(5), s.Num(6)};
    Mesh& target = s.Has("detail") ? scene.detail : s.Has("cutout") ? scene.cutout : scene.level;
    int skip = s.Has("nobottom") ? (1 << 2) : 0;
    EmitOrientedBox(target, lo, {hi.x - lo.x, 0, 0}, {0, hi.y - lo.y, 0}, {0, 0, hi.z - lo.z}, mat,
                    Scale(scene, mat), skip, s.Has("grid") ? scene.cell : 0);
    if (!s.Has("nohull") && !s.Has("detail") && !s.Has("cutout")) {
        EmitHullBox(scene.hull, lo, {hi.x - lo.x, 0, 0}, {0, hi.y - lo.y, 0}, {0, 0, hi.z - lo.z});
    }
}

void BuildTable(LevelScene& scene, const Statement& s) {
    int mat = MaterialOf(scene, s, s.Name(0));
    float x0 = s.Num(1), z0 = s.Num(2), x1 = s.Num(3), z1 = s.Num(4), y = s.Num(5), top = s.Num(6);
    float sc = Scale(scene, mat), leg = 0.06f, t = 0.05f;
    EmitOrientedBox(scene.level, {x0, top - t, z0}, {x1 - x0, 0, 0}, {0, t, 0}, {0, 0, z1 - z0},
                    mat, sc);
    float lx[2] = {x0 + 0.04f, x1 - 0.04f - leg}, lz[2] = {z0 + 0.04f, z1 - 0.04f - leg};
    for (float a : lx) {
        for (float b : lz) {
            EmitOrientedBox(scene.level, {a, y, b}, {leg, 0, 0}, {0, top - t - y, 0}, {0, 0, leg},
                            mat, sc, 1 << 2);
        }
    }
    if (!s.Has("nohull")) {
        EmitHullBox(scene.hull, {x0, y, z0}, {x1 - x0, 0, 0}, {0, top - y, 0}, {0, 0, z1 - z0});
    }
}

void BuildCabinet(LevelScene& scene, const Statement& s) {
    int mat = MaterialOf(scene, s, s.Name(0));
    Vec3 lo{s.Num(1), s.Num(2), s.Num(3)}, hi{s.Num(4), s.Num(5), s.Num(6)};
    std::string face = s.Name(7);
    float sc = Scale(scene, mat);
    // Front plane: origin, s axis, t axis (up), inward direction, depth.
    Vec3 origin, axis, inward;
    float width, depth;
    bool flip;
    int skipFace;
    if (face == "-z") {
        origin = {lo.x, lo.y, lo.z}, axis = {1, 0, 0}, inward = {0, 0, 1};
        width = hi.x - lo.x, depth = hi.z - lo.z, flip = true, skipFace = 1 << 4;
    } else if (face == "+z") {
        origin = {lo.x, lo.y, hi.z}, axis = {1, 0, 0}, inward = {0, 0, -1};
        width = hi.x - lo.x, depth = hi.z - lo.z, flip = false, skipFace = 1 << 5;
    } else if (face == "-x") {
        origin = {lo.x, lo.y, lo.z}, axis = {0, 0, 1}, inward = {1, 0, 0};
        width = hi.z - lo.z, depth = hi.x - lo.x, flip = false, skipFace = 1 << 0;
    } else if (face == "+x") {
        origin = {hi.x, lo.y, lo.z}, axis = {0, 0, 1}, inward = {-1, 0, 0};
        width = hi.z - lo.z, depth = hi.x - lo.x, flip = true, skipFace = 1 << 1;
    } else {
        Fail(s, "front must be -x, +x, -z or +z");
    }
    std::vector<Hole> holes;
    Vec3 normal = inward * -1.0f;
    for (auto& g : s.Groups("flap", 1)) {
        Vec3 centreLine = origin + inward * 0.0f;
        Hole h = ObjectHole(s, static_cast<int>(g[0]), centreLine, axis, normal, 0.1f, lo.y, true);
        // A little smaller than the door, so that the closed door covers its opening.
        h.s0 += 0.05f, h.s1 -= 0.05f, h.t0 += 0.025f, h.t1 -= 0.03f;
        holes.push_back(h);
    }
    for (auto& g : s.Groups("hole", 4)) {
        holes.push_back({g[0], g[1], g[2], g[3]});
    }
    float height = hi.y - lo.y;
    EmitFace(scene.level, origin, axis, UP, width, height, {}, {}, holes, flip, mat, 0, sc);
    EmitOrientedBox(scene.level, lo, {hi.x - lo.x, 0, 0}, {0, height, 0}, {0, 0, hi.z - lo.z}, mat,
                    sc, skipFace);
    float recess = depth - 0.03f;
    for (const Hole& h : holes) {
        Vec3 a = origin + axis * h.s0 + UP * h.t0;
        Vec3 A = axis * (h.s1 - h.s0), B = UP * (h.t1 - h.t0), C = inward * recess;
        Vec3 centroid = a + (A + B + C) * 0.5f;
        auto P = [&](float i, float j, float k) { return a + A * i + B * j + C * k; };
        // Inner back, sides, top and bottom, all facing into the recess.
        EmitSolidFace(scene.level, {P(0, 0, 1), P(1, 0, 1), P(1, 1, 1), P(0, 1, 1)}, centroid, mat,
                      sc, 0, true);
        EmitSolidFace(scene.level, {P(0, 0, 0), P(0, 1, 0), P(0, 1, 1), P(0, 0, 1)}, centroid, mat,
                      sc, 0, true);
        EmitSolidFace(scene.level, {P(1, 0, 0), P(1, 1, 0), P(1, 1, 1), P(1, 0, 1)}, centroid, mat,
                      sc, 0, true);
        EmitSolidFace(scene.level, {P(0, 1, 0), P(1, 1, 0), P(1, 1, 1), P(0, 1, 1)}, centroid, mat,
                      sc, 0, true);
        EmitSolidFace(scene.level, {P(0, 0, 0), P(1, 0, 0), P(1, 0, 1), P(0, 0, 1)}, centroid, mat,
                      sc, 0, true);
    }
    if (!s.Has("nohull")) {
        EmitHullBox(scene.hull, lo, {hi.x - lo.x, 0, 0}, {0, height, 0}, {0, 0, hi.z - lo.z});
    }
}

} // namespace levelbuild
