// The wall statement: a wall of two faces with openings for doors, flaps and windows, its
// window panes and frames, and the hull pieces around the openings.
#include "scene_statements.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace levelbuild {

namespace {

const float HULL_OPENING_MARGIN = 0.1f;

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

// Where a wall runs: start is the outer end of face B's side at the foot (the wall is extended
// by half its thickness at both ends unless told not to), d runs along it and nA points to
// face A's side.
struct WallFrame {
    Vec3 start, d, nA;
    float len, height, thick, ext;
    Vec3 originA, originB, across;
};

WallFrame WallFrameOf(const Statement& s) {
    WallFrame w;
    Vec3 p0{s.Num(2), 0, s.Num(3)}, p1{s.Num(4), 0, s.Num(5)};
    float y0 = s.Num(6), y1 = s.Num(7);
    w.thick = s.Num(8);
    w.d = Normalize(p1 - p0);
    w.nA = {w.d.z, 0, -w.d.x}; // right-hand side seen from above
    w.ext = s.Has("noext") ? 0.0f : w.thick / 2;
    w.start = p0 - w.d * w.ext;
    w.start.y = y0;
    w.len = Length(p1 - p0) + 2 * w.ext;
    w.height = y1 - y0;
    w.originA = w.start + w.nA * (w.thick / 2);
    w.originB = w.start - w.nA * (w.thick / 2);
    w.across = w.nA * w.thick;
    return w;
}

// Door, flap and free openings along the wall, cut at its top, overlapping ones merged.
std::vector<Hole> WallHoles(const Statement& s, const WallFrame& w) {
    float y0 = s.Num(6);
    std::vector<Hole> holes;
    Vec3 centre = w.start;
    for (auto& g : s.Groups("door", 1)) {
        holes.push_back(
            ObjectHole(s, static_cast<int>(g[0]), centre, w.d, w.nA, w.thick / 2, y0, false));
    }
    for (auto& g : s.Groups("flap", 1)) {
        holes.push_back(
            ObjectHole(s, static_cast<int>(g[0]), centre, w.d, w.nA, w.thick / 2, y0, true));
    }
    for (auto& g : s.Groups("hole", 4)) {
        holes.push_back({g[0] + w.ext, g[1] + w.ext, g[2], g[3]});
    }
    for (Hole& hole : holes) {
        hole.t1 = std::min(hole.t1, w.height);
    }
    return MergeHoles(holes);
}

// Both faces, the reveals of every opening, the end caps and the top.
void WallFaces(LevelScene& scene, const Statement& s, const WallFrame& w,
               const std::vector<Hole>& holes, int matA, int matB) {
    float sc = Scale(scene, matA), scB = Scale(scene, matB);
    const Vec3 d = w.d, across = w.across, originB = w.originB;
    const float h = w.height, len = w.len;
    EmitFace(scene.level, w.originA, d, UP, len, h, {}, {}, holes, true, matA, scene.cell, sc);
    EmitFace(scene.level, originB, d, UP, len, h, {}, {}, holes, false, matB, scene.cell, scB);
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
}

// Hull: solid pieces between openings at full height, lintels above and sills below.
// The hull's openings are wider than the visible ones, so that a door leaf standing open
// at the hinge still leaves the walking sphere room to pass; a closed door's hull box
// still shuts the gap.
void WallHull(LevelScene& scene, const WallFrame& w, std::vector<Hole> holes) {
    const float h = w.height, len = w.len;
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
        EmitHullBox(scene.hull, w.originB + w.d * s0 + UP * t0, w.d * (s1 - s0), UP * (t1 - t0),
                    w.across);
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

} // namespace

void BuildWall(LevelScene& scene, const Statement& s) {
    int matA = MaterialOf(scene, s, s.Name(0));
    int matB = MaterialOf(scene, s, s.Name(1));
    WallFrame w = WallFrameOf(s);
    std::vector<Hole> holes = WallHoles(s, w);
    size_t first = scene.level.triangles.size();
    WallFaces(scene, s, w, holes, matA, matB);
    MarkShadowed(scene, first);
    if (!s.Has("noglass")) {
        WindowPanes(scene, holes, w.start, w.d, w.nA, w.thick);
    }
    if (!s.Has("nohull")) {
        WallHull(scene, w, holes);
    }
}

} // namespace levelbuild
