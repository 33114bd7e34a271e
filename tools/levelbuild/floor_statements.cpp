// Statements the player walks on: slabs, stairs, ramps and paving.
#include "scene_statements.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace levelbuild {

namespace {

// Axis frame of a rectangle climbed in direction dir: along runs the climb, across the width.
struct ClimbFrame {
    Vec3 origin, along, across;
    float length, width;
};

ClimbFrame Climb(const Statement& s, float x0, float z0, float x1, float z1,
                 const std::string& dir) {
    ClimbFrame f;
    if (dir == "+z") {
        f = {{x0, 0, z0}, {0, 0, 1}, {1, 0, 0}, z1 - z0, x1 - x0};
    } else if (dir == "-z") {
        f = {{x0, 0, z1}, {0, 0, -1}, {1, 0, 0}, z1 - z0, x1 - x0};
    } else if (dir == "+x") {
        f = {{x0, 0, z0}, {1, 0, 0}, {0, 0, 1}, x1 - x0, z1 - z0};
    } else if (dir == "-x") {
        f = {{x1, 0, z0}, {-1, 0, 0}, {0, 0, 1}, x1 - x0, z1 - z0};
    } else {
        Fail(s, "direction must be +x, -x, +z or -z");
    }
    return f;
}

void HullRamp(LevelScene& scene, const ClimbFrame& f, float sa, float sb, float y0, float y1,
              float base) {
    // Wedge: foot edge at sa on the floor, top edge at sb, vertical back at sb.
    Vec3 o = f.origin;
    auto P = [&](float s, float w, float y) { return o + f.along * s + f.across * w + UP * y; };
    std::vector<Vec3> c = {P(sa, 0, y0),       P(sa, f.width, y0), P(sb, 0, y1),
                           P(sb, f.width, y1), P(sb, 0, base),     P(sb, f.width, base)};
    if (base < y0 - 1e-3f) {
        // Closed prism down to the base under the foot as well.
        c.push_back(P(sa, 0, base));
        c.push_back(P(sa, f.width, base));
        EmitHullSolid(
            scene.hull, c,
            {{0, 1, 3, 2}, {2, 3, 5, 4}, {6, 7, 5, 4}, {0, 1, 7, 6}, {0, 2, 4, 6}, {1, 3, 5, 7}});
    } else {
        EmitHullSolid(scene.hull, c,
                      {{0, 1, 3, 2}, {2, 3, 5, 4}, {0, 1, 5, 4}, {0, 2, 4}, {1, 3, 5}});
    }
}

} // namespace

void BuildSlab(LevelScene& scene, const Statement& s) {
    int top = MaterialOf(scene, s, s.Name(0));
    bool hasBottom = s.Name(1) != "-";
    int bottom = hasBottom ? MaterialOf(scene, s, s.Name(1)) : top;
    float y = s.Num(2), thick = s.Num(3);
    float x0 = s.Num(4), z0 = s.Num(5), x1 = s.Num(6), z1 = s.Num(7);
    float cell = scene.cell;
    for (auto& g : s.Groups("cell", 1)) {
        cell = g[0];
    }
    std::vector<float> sLines, tLines;
    for (const ShadowRect& r : scene.shadowRects) {
        if (std::fabs(r.y - y) < 1e-3f && r.x0 < x1 && r.x1 > x0 && r.z0 < z1 && r.z1 > z0) {
            sLines.push_back(r.z0 - z0);
            sLines.push_back(r.z1 - z0);
            tLines.push_back(r.x0 - x0);
            tLines.push_back(r.x1 - x0);
        }
    }
    size_t first = scene.level.triangles.size();
    // s runs along z, t along x: cross(z, x) is up.
    EmitFace(scene.level, {x0, y, z0}, {0, 0, 1}, {1, 0, 0}, z1 - z0, x1 - x0, sLines, tLines, {},
             false, top, cell, Scale(scene, top));
    MarkShadowed(scene, first);
    if (thick > 0) {
        float yb = y - thick;
        if (hasBottom) {
            EmitFace(scene.level, {x0, yb, z0}, {0, 0, 1}, {1, 0, 0}, z1 - z0, x1 - x0, {}, {}, {},
                     true, bottom, cell, Scale(scene, bottom));
        }
        if (!s.Has("noside")) {
            // A side that lies against a neighbouring slab's side would only tie with the
            // ceiling in depth along its lower edge and speckle it.
            int skip = (1 << 2) | (1 << 3);
            const char* joins[4] = {"joinx0", "joinx1", "joinz0", "joinz1"};
            const int sideFace[4] = {0, 1, 4, 5};
            for (int k = 0; k < 4; ++k) {
                if (s.Has(joins[k])) {
                    skip |= 1 << sideFace[k];
                }
            }
            Vec3 lo{x0, yb, z0};
            EmitOrientedBox(scene.level, lo, {x1 - x0, 0, 0}, {0, thick, 0}, {0, 0, z1 - z0}, top,
                            Scale(scene, top), skip);
        }
    }
    if (!s.Has("nohull")) {
        EmitHullSlab(scene.hull, x0, z0, x1, z1, y - std::max(thick, 0.2f), y, scene.hullCell);
    }
    MarkShadowed(scene, first);
}

void BuildStairs(LevelScene& scene, const Statement& s) {
    int mat = MaterialOf(scene, s, s.Name(0));
    ClimbFrame f = Climb(s, s.Num(1), s.Num(2), s.Num(3), s.Num(4), s.Name(7));
    float y0 = s.Num(5), y1 = s.Num(6);
    int n = static_cast<int>(s.Num(8));
    if (n < 1) {
        Fail(s, "needs at least one step");
    }
    float run = f.length / n, rise = (y1 - y0) / n;
    float base = y0;
    for (auto& g : s.Groups("base", 1)) {
        base = g[0];
    }
    int riser = MaterialOf(scene, s, s.NameAfter("riser", s.Name(0)));
    int nosing = MaterialOf(scene, s, s.NameAfter("nosing", s.Name(0)));
    EmitStairSteps(
        scene, {f.origin, f.along, f.across, f.width, run, rise, y0, base, n, mat, riser, nosing});
    if (s.Has("nohull")) {
        return;
    }
    float sa = -run / 2, sb = f.length - run / 2;
    HullRamp(scene, f, sa, sb, y0, y1, base);
    Vec3 o = f.origin + f.along * sb + UP * base;
    EmitHullBox(scene.hull, o, f.along * (run / 2), UP * (y1 - base), f.across * f.width);
}

void BuildRamp(LevelScene& scene, const Statement& s) {
    int mat = MaterialOf(scene, s, s.Name(0));
    ClimbFrame f = Climb(s, s.Num(1), s.Num(2), s.Num(3), s.Num(4), s.Name(7));
    float y0 = s.Num(5), y1 = s.Num(6);
    float base = std::min(y0, y1) - 0.05f;
    Vec3 o = f.origin;
    auto P = [&](float a, float w, float y) { return o + f.along * a + f.across * w + UP * y; };
    Vec3 centroid = P(f.length * 0.66f, f.width / 2, (base * 2 + y1) / 3);
    float sc = Scale(scene, mat);
    EmitSolidFace(scene.level,
                  {P(0, 0, y0), P(0, f.width, y0), P(f.length, f.width, y1), P(f.length, 0, y1)},
                  centroid, mat, sc, scene.cell);
    EmitSolidFace(scene.level,
                  {P(0, 0, base), P(0, 0, y0), P(f.length, 0, y1), P(f.length, 0, base)}, centroid,
                  mat, sc);
    EmitSolidFace(scene.level,
                  {P(0, f.width, base), P(0, f.width, y0), P(f.length, f.width, y1),
                   P(f.length, f.width, base)},
                  centroid, mat, sc);
    if (!s.Has("nohull")) {
        HullRamp(scene, f, 0, f.length, y0, y1, base);
    }
}

void BuildPaving(LevelScene& scene, const Statement& s) {
    int mat = MaterialOf(scene, s, s.Name(0));
    float x0 = s.Num(1), z0 = s.Num(2), x1 = s.Num(3), z1 = s.Num(4), y = s.Num(5), tile = s.Num(6),
          gap = s.Num(7);
    int nx = std::max(1, static_cast<int>(std::round((x1 - x0) / tile)));
    int nz = std::max(1, static_cast<int>(std::round((z1 - z0) / tile)));
    float tx = (x1 - x0) / nx, tz = (z1 - z0) / nz;
    size_t first = scene.level.triangles.size();
    for (int j = 0; j < nz; ++j) {
        for (int i = 0; i < nx; ++i) {
            float a = x0 + i * tx + gap / 2, b = a + tx - gap, c = z0 + j * tz + gap / 2,
                  d = c + tz - gap;
            Vec3 p[4] = {{a, y, c}, {a, y, d}, {b, y, d}, {b, y, c}};
            if (gap <= 0) {
                // Squares laid without joints (the lawn) make one surface: the texture runs
                // on across them instead of repeating on every square.
                AddQuadWorldUv(scene.level, p, mat, Scale(scene, mat));
                continue;
            }
            // Each slab shows the whole stone texture, turned by its position.
            int turn = (i * 7 + j * 3) % 4;
            float uv[4][2];
            const float corners[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
            for (int k = 0; k < 4; ++k) {
                uv[k][0] = corners[(k + turn) % 4][0];
                uv[k][1] = corners[(k + turn) % 4][1];
            }
            AddQuad(scene.level, p, uv, mat);
        }
    }
    MarkShadowed(scene, first);
}

} // namespace levelbuild
