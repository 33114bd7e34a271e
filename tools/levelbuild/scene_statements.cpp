// The statements of the level description and the geometry each one makes.
#include "level_builder.h"
#include "object_table.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace levelbuild {

namespace {

const Vec3 UP{0, 1, 0};
const float HULL_OPENING_MARGIN = 0.1f;

[[noreturn]] void Fail(const Statement& s, const std::string& what) {
    throw std::runtime_error("line " + std::to_string(s.line) + " (" + s.keyword + "): " + what);
}

int MaterialOf(LevelScene& scene, const Statement& s, const std::string& name) {
    auto it = scene.materialIds.find(name);
    if (it == scene.materialIds.end()) {
        Fail(s, "unknown material " + name);
    }
    return it->second;
}

float Scale(const LevelScene& scene, int material) {
    return scene.texScales[material];
}

void MarkShadowed(LevelScene& scene, size_t firstTriangle) {
    scene.levelShadowed.resize(scene.level.triangles.size(), false);
    for (size_t t = firstTriangle; t < scene.level.triangles.size(); ++t) {
        const Triangle& tri = scene.level.triangles[t];
        Vec3 c = (scene.level.vertices[tri.a].position + scene.level.vertices[tri.b].position +
                  scene.level.vertices[tri.c].position) *
                 (1.0f / 3.0f);
        for (const ShadowRect& r : scene.shadowRects) {
            if (std::fabs(c.y - r.y) < 1e-3f && c.x > r.x0 && c.x < r.x1 && c.z > r.z0 &&
                c.z < r.z1) {
                scene.levelShadowed[t] = true;
            }
        }
    }
}

// Opening of an animated object in a wall or front running from origin along axis.
Hole ObjectHole(const Statement& s, int object, Vec3 origin, Vec3 axis, Vec3 normal,
                float halfThickness, float y0, bool fromObjectBottom) {
    if (object < 0 || object >= OBJECT_COUNT) {
        Fail(s, "no object " + std::to_string(object));
    }
    Vec3 a, b;
    ObjectClosedSpan(object, a, b);
    float sa = Dot(a - origin, axis), sb = Dot(b - origin, axis);
    float off = std::fabs(Dot(a - origin, normal));
    if (off > halfThickness + 0.06f) {
        Fail(s, "object " + std::to_string(object) + " lies " + std::to_string(off) +
                    " from the wall's centre line");
    }
    const AnimatedObject& o = OBJECTS[object];
    Hole h;
    h.s0 = std::min(sa, sb) - 0.03f;
    h.s1 = std::max(sa, sb) + 0.03f;
    h.t0 = fromObjectBottom ? o.position.y - y0 - 0.005f : 0.0f;
    h.t1 = o.position.y + o.size.y + 0.01f - y0;
    return h;
}

// Openings that overlap along the wall (a double door) become one opening.
std::vector<Hole> MergeHoles(std::vector<Hole> holes) {
    bool merged = true;
    while (merged) {
        merged = false;
        for (size_t i = 0; i < holes.size() && !merged; ++i) {
            for (size_t j = i + 1; j < holes.size() && !merged; ++j) {
                Hole& a = holes[i];
                const Hole& b = holes[j];
                if (a.s0 < b.s1 && b.s0 < a.s1 && a.t0 < b.t1 && b.t0 < a.t1) {
                    a = {std::min(a.s0, b.s0), std::max(a.s1, b.s1), std::min(a.t0, b.t0),
                         std::max(a.t1, b.t1)};
                    holes.erase(holes.begin() + static_cast<long>(j));
                    merged = true;
                }
            }
        }
    }
    return holes;
}

// Windows (openings above the floor) get a frame and a pane of glass on both faces in the
// detail model, which no ray or sphere touches.
void WindowPanes(LevelScene& scene, const std::vector<Hole>& holes, Vec3 start, Vec3 d, Vec3 nA,
                 float thick) {
    auto glass = scene.materialIds.find("glass");
    auto frame = scene.materialIds.find("darkwood");
    if (glass == scene.materialIds.end() || frame == scene.materialIds.end()) {
        return;
    }
    const float f = 0.05f;
    for (const Hole& h : holes) {
        if (h.t0 < 0.2f) {
            continue;
        }
        Vec3 a = start + d * h.s0 + UP * h.t0, b = start + d * h.s1 + UP * h.t0;
        Vec3 up = UP * (h.t1 - h.t0);
        Vec3 p[4] = {a, a + up, b + up, b};
        float uv[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
        AddQuad(scene.detail, p, uv, glass->second);
        Vec3 q[4] = {b, b + up, a + up, a};
        float uvq[4][2] = {{1, 1}, {1, 0}, {0, 0}, {0, 1}};
        AddQuad(scene.detail, q, uvq, glass->second);
        // Frame: sill, head and jambs, a little proud of the pane.
        float sc = scene.texScales[frame->second];
        Vec3 across = nA * (thick * 0.5f);
        Vec3 back = nA * (-thick * 0.25f);
        float w = h.s1 - h.s0, ht = h.t1 - h.t0;
        EmitOrientedBox(scene.detail, a + back, d * w, UP * f, across, frame->second, sc);
        EmitOrientedBox(scene.detail, a + back + UP * (ht - f), d * w, UP * f, across,
                        frame->second, sc);
        EmitOrientedBox(scene.detail, a + back, d * f, up, across, frame->second, sc);
        EmitOrientedBox(scene.detail, b + back - d * f, d * f, up, across, frame->second, sc);
        EmitOrientedBox(scene.detail, a + back + d * (w / 2 - f / 2), d * f, up, across,
                        frame->second, sc);
    }
}

void Wall(LevelScene& scene, const Statement& s) {
    int matA = MaterialOf(scene, s, s.Name(0));
    int matB = MaterialOf(scene, s, s.Name(1));
    Vec3 p0{s.Num(2), 0, s.Num(3)}, p1{s.Num(4), 0, s.Num(5)};
    float y0 = s.Num(6), y1 = s.Num(7), thick = s.Num(8);
    Vec3 d = Normalize(p1 - p0);
    Vec3 nA{d.z, 0, -d.x}; // right-hand side seen from above
    float ext = s.Has("noext") ? 0.0f : thick / 2;
    Vec3 start = p0 - d * ext;
    start.y = y0;
    float len = Length(p1 - p0) + 2 * ext;
    float h = y1 - y0;
    std::vector<Hole> holes;
    Vec3 centre = start;
    for (auto& g : s.Groups("door", 1)) {
        holes.push_back(ObjectHole(s, static_cast<int>(g[0]), centre, d, nA, thick / 2, y0, false));
    }
    for (auto& g : s.Groups("flap", 1)) {
        holes.push_back(ObjectHole(s, static_cast<int>(g[0]), centre, d, nA, thick / 2, y0, true));
    }
    for (auto& g : s.Groups("hole", 4)) {
        holes.push_back({g[0] + ext, g[1] + ext, g[2], g[3]});
    }
    for (Hole& hole : holes) {
        hole.t1 = std::min(hole.t1, h);
    }
    holes = MergeHoles(holes);
    float sc = Scale(scene, matA), scB = Scale(scene, matB);
    Vec3 originA = start + nA * (thick / 2), originB = start - nA * (thick / 2);
    size_t first = scene.level.triangles.size();
    EmitFace(scene.level, originA, d, UP, len, h, {}, {}, holes, true, matA, scene.cell, sc);
    EmitFace(scene.level, originB, d, UP, len, h, {}, {}, holes, false, matB, scene.cell, scB);
    Vec3 across = nA * thick;
    for (const Hole& hole : holes) {
        float ht = hole.t1 - hole.t0;
        Vec3 base = originB + UP * hole.t0;
        EmitFace(scene.level, base + d * hole.s0, across, UP, 1, ht, {}, {}, {}, false, matA,
                 scene.cell, sc);
        EmitFace(scene.level, base + d * hole.s1, across, UP, 1, ht, {}, {}, {}, true, matA,
                 scene.cell, sc);
        if (hole.t1 < h - 1e-3f) {
            EmitFace(scene.level, originB + UP * hole.t1 + d * hole.s0, d, across,
                     hole.s1 - hole.s0, 1, {}, {}, {}, true, matA, scene.cell, sc);
        }
        if (hole.t0 > 1e-3f) {
            EmitFace(scene.level, base + d * hole.s0, d, across, hole.s1 - hole.s0, 1, {}, {}, {},
                     false, matA, scene.cell, sc);
        }
    }
    if (!s.Has("nocap")) {
        EmitFace(scene.level, originB, across, UP, 1, h, {}, {}, {}, true, matA, scene.cell, sc);
        EmitFace(scene.level, originB + d * len, across, UP, 1, h, {}, {}, {}, false, matA,
                 scene.cell, sc);
    }
    if (!s.Has("notop")) {
        EmitFace(scene.level, originB + UP * h, d, across, len, 1, {}, {}, {}, false, matA,
                 scene.cell, sc);
    }
    MarkShadowed(scene, first);
    if (!s.Has("noglass")) {
        WindowPanes(scene, holes, start, d, nA, thick);
    }
    if (s.Has("nohull")) {
        return;
    }
    // Hull: solid pieces between openings at full height, lintels above and sills below.
    // The hull's openings are wider than the visible ones, so that a door leaf standing open
    // at the hinge still leaves the walking sphere room to pass; a closed door's hull box
    // still shuts the gap.
    for (Hole& hole : holes) {
        hole.s0 = std::max(0.0f, hole.s0 - HULL_OPENING_MARGIN);
        hole.s1 = std::min(len, hole.s1 + HULL_OPENING_MARGIN);
    }
    std::vector<std::pair<float, float>> spans;
    for (const Hole& hole : holes) {
        spans.push_back({hole.s0, hole.s1});
    }
    std::sort(spans.begin(), spans.end());
    float at = 0;
    auto piece = [&](float s0, float s1, float t0, float t1) {
        if (s1 - s0 < 1e-3f || t1 - t0 < 1e-3f) {
            return;
        }
        EmitHullBox(scene.hull, originB + d * s0 + UP * t0, d * (s1 - s0), UP * (t1 - t0), across);
    };
    for (auto [a, b] : spans) {
        piece(at, a, 0, h);
        at = std::max(at, b);
    }
    piece(at, len, 0, h);
    for (const Hole& hole : holes) {
        piece(hole.s0, hole.s1, hole.t1, h);
        piece(hole.s0, hole.s1, 0, hole.t0);
    }
}

void Slab(LevelScene& scene, const Statement& s) {
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
            Vec3 lo{x0, yb, z0};
            EmitOrientedBox(scene.level, lo, {x1 - x0, 0, 0}, {0, thick, 0}, {0, 0, z1 - z0}, top,
                            Scale(scene, top), (1 << 2) | (1 << 3));
        }
    }
    if (!s.Has("nohull")) {
        EmitHullSlab(scene.hull, x0, z0, x1, z1, y - std::max(thick, 0.2f), y, scene.hullCell);
    }
    MarkShadowed(scene, first);
}

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

void Stairs(LevelScene& scene, const Statement& s) {
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
    for (int k = 0; k < n; ++k) {
        Vec3 o = f.origin + f.along * (k * run) + UP * base;
        EmitOrientedBox(scene.level, o, f.along * run, UP * (y0 + (k + 1) * rise - base),
                        f.across * f.width, mat, Scale(scene, mat), 1 << 2);
    }
    if (s.Has("nohull")) {
        return;
    }
    float sa = -run / 2, sb = f.length - run / 2;
    HullRamp(scene, f, sa, sb, y0, y1, base);
    Vec3 o = f.origin + f.along * sb + UP * base;
    EmitHullBox(scene.hull, o, f.along * (run / 2), UP * (y1 - base), f.across * f.width);
}

void Ramp(LevelScene& scene, const Statement& s) {
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

void Box(LevelScene& scene, const Statement& s) {
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

void Table(LevelScene& scene, const Statement& s) {
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

void Cabinet(LevelScene& scene, const Statement& s) {
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

void Pool(LevelScene& scene, const Statement& s) {
    int wall = MaterialOf(scene, s, s.Name(0));
    float x0 = s.Num(1), z0 = s.Num(2), x1 = s.Num(3), z1 = s.Num(4), top = s.Num(5),
          bottom = s.Num(6);
    float sc = Scale(scene, wall);
    Vec3 centroid{(x0 + x1) / 2, (top + bottom) / 2, (z0 + z1) / 2};
    float h = top - bottom;
    auto side = [&](Vec3 a, Vec3 b) {
        EmitSolidFace(scene.level, {a, b, b + UP * h, a + UP * h}, centroid, wall, sc, scene.cell,
                      true);
    };
    side({x0, bottom, z0}, {x1, bottom, z0});
    side({x1, bottom, z0}, {x1, bottom, z1});
    side({x1, bottom, z1}, {x0, bottom, z1});
    side({x0, bottom, z1}, {x0, bottom, z0});
    EmitFace(scene.level, {x0, bottom, z0}, {0, 0, 1}, {1, 0, 0}, z1 - z0, x1 - x0, {}, {}, {},
             false, wall, scene.cell, sc);
    EmitHullSlab(scene.hull, x0, z0, x1, z1, bottom - 0.3f, bottom, scene.hullCell);
    float t = 0.3f;
    EmitHullBox(scene.hull, {x0 - t, bottom, z0 - t}, {t, 0, 0}, {0, h, 0},
                {0, 0, z1 - z0 + 2 * t});
    EmitHullBox(scene.hull, {x1, bottom, z0 - t}, {t, 0, 0}, {0, h, 0}, {0, 0, z1 - z0 + 2 * t});
    EmitHullBox(scene.hull, {x0, bottom, z0 - t}, {x1 - x0, 0, 0}, {0, h, 0}, {0, 0, t});
    EmitHullBox(scene.hull, {x0, bottom, z1}, {x1 - x0, 0, 0}, {0, h, 0}, {0, 0, t});
}

void Water(LevelScene& scene, const Statement& s) {
    int mat = MaterialOf(scene, s, s.Name(0));
    float x0 = s.Num(1), z0 = s.Num(2), x1 = s.Num(3), z1 = s.Num(4), y = s.Num(5);
    int nx = static_cast<int>(s.Num(6)), nz = static_cast<int>(s.Num(7));
    uint32_t base = static_cast<uint32_t>(scene.water.vertices.size());
    for (int j = 0; j < nz; ++j) {
        for (int i = 0; i < nx; ++i) {
            Vertex v;
            v.position = {x0 + (x1 - x0) * i / (nx - 1), y, z0 + (z1 - z0) * j / (nz - 1)};
            v.normal = UP;
            v.u = v.position.x / 4 + 0.1f;
            v.v = v.position.z / 4 + 0.1f;
            scene.water.Add(v);
        }
    }
    for (int j = 0; j + 1 < nz; ++j) {
        for (int i = 0; i + 1 < nx; ++i) {
            uint32_t a = base + j * nx + i, b = a + 1, c = a + nx + 1, d = a + nx;
            // (a, d, c): cross(+z, +x+z) points up.
            scene.water.Tri(a, d, c, mat);
            scene.water.Tri(a, c, b, mat);
        }
    }
}

void Lamp(LevelScene& scene, const Statement& s) {
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

void Tree(LevelScene& scene, const Statement& s) {
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

void Fence(LevelScene& scene, const Statement& s, const std::string& material, float uPerMetre,
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

void Paving(LevelScene& scene, const Statement& s) {
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

void Sky(LevelScene& scene, const Statement& s) {
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

} // namespace

LevelScene BuildScene(const std::vector<Statement>& statements) {
    LevelScene scene;
    using Handler = std::function<void(LevelScene&, const Statement&)>;
    const std::map<std::string, Handler> handlers = {
        {"wall", Wall},
        {"slab", Slab},
        {"stairs", Stairs},
        {"ramp", Ramp},
        {"box", Box},
        {"table", Table},
        {"cabinet", Cabinet},
        {"pool", Pool},
        {"water", Water},
        {"lamp", Lamp},
        {"tree", Tree},
        {"paving", Paving},
        {"sky", Sky},
        {"hedge", [](LevelScene& sc, const Statement& s) { Fence(sc, s, "hedge", 0.7f, false); }},
        {"railing",
         [](LevelScene& sc, const Statement& s) { Fence(sc, s, "railing", 1.2f, true); }},
        {"hullbox",
         [](LevelScene& sc, const Statement& s) {
             Vec3 lo{s.Num(0), s.Num(1), s.Num(2)}, hi{s.Num(3), s.Num(4), s.Num(5)};
             EmitHullBox(sc.hull, lo, {hi.x - lo.x, 0, 0}, {0, hi.y - lo.y, 0},
                         {0, 0, hi.z - lo.z});
         }},
        {"hullslab",
         [](LevelScene& sc, const Statement& s) {
             EmitHullSlab(sc.hull, s.Num(0), s.Num(1), s.Num(2), s.Num(3), s.Num(4), s.Num(5),
                          sc.hullCell);
         }},
        {"shadow",
         [](LevelScene& sc, const Statement& s) {
             sc.shadowRects.push_back({s.Num(0), s.Num(1), s.Num(2), s.Num(3), s.Num(4)});
         }},
        {"indoors",
         [](LevelScene& sc, const Statement& s) {
             sc.indoors.push_back({{s.Num(0), s.Num(1), s.Num(2)}, {s.Num(3), s.Num(4), s.Num(5)}});
         }},
        {"filler",
         [](LevelScene& sc, const Statement& s) {
             sc.fillers.push_back({s.Num(0), s.Num(1), s.Num(2), s.Num(3), s.Num(4)});
         }},
        {"cell", [](LevelScene& sc, const Statement& s) { sc.cell = s.Num(0); }},
        {"hullcell", [](LevelScene& sc, const Statement& s) { sc.hullCell = s.Num(0); }},
        {"material",
         [](LevelScene& sc, const Statement& s) {
             Material m;
             m.name = s.Name(0);
             m.texture = s.Name(1) == "-" ? "" : s.Name(1);
             m.r = s.Num(2), m.g = s.Num(3), m.b = s.Num(4), m.a = s.Num(5);
             sc.materialIds[m.name] = static_cast<int>(sc.materials.size());
             sc.materials.push_back(m);
             sc.texScales.push_back(s.Num(6));
             sc.beforeBoxes.push_back(s.Has("before"));
         }},
    };
    for (const Statement& s : statements) {
        auto it = handlers.find(s.keyword);
        if (it == handlers.end()) {
            Fail(s, "unknown statement");
        }
        it->second(scene, s);
    }
    scene.levelShadowed.resize(scene.level.triangles.size(), false);
    return scene;
}

} // namespace levelbuild
