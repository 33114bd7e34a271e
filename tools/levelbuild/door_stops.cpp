// Door stops: the strips of frame a closed door leaf rests against. The opening in the wall
// is a little wider and taller than the leaf so that the leaf swings free; the stops close
// that slit on the side the leaf never swings to, so that no light from the room behind
// shows beside a closed door.
#include "object_boxes.h"
#include "scene_statements.h"
#include "world/object_table.h"

#include <algorithm>
#include <cmath>

namespace levelbuild {

namespace {

const float STOP_CLEARANCE = 0.004f; // between the leaf's swept space and a stop
const float STOP_OVERLAP = 0.015f;   // how far a stop reaches behind the closed leaf

struct LeafSpace {
    float s0, s1;           // along the wall, closed
    float closed0, closed1; // across the wall, closed
    float swept0, swept1;   // across the wall, over the whole swing
    float top;              // above the wall's foot
    bool slides;
};

LeafSpace SpaceOf(int object, Vec3 start, Vec3 d, Vec3 n) {
    LeafSpace space{1e9f, -1e9f, 1e9f, -1e9f, 1e9f, -1e9f, -1e9f, false};
    const ::Vec3& slide = OBJECT_TABLE[object].slideOffset;
    space.slides = slide.x != 0 || slide.y != 0 || slide.z != 0;
    for (int step = 0; step <= 40; ++step) {
        Vec3 pos[24], nrm[24];
        ObjectBox(object, step / 40.0f, pos, nrm);
        for (const Vec3& p : pos) {
            float across = Dot(p - start, n);
            space.swept0 = std::min(space.swept0, across);
            space.swept1 = std::max(space.swept1, across);
            if (step == 0) {
                float along = Dot(p - start, d);
                space.s0 = std::min(space.s0, along);
                space.s1 = std::max(space.s1, along);
                space.closed0 = std::min(space.closed0, across);
                space.closed1 = std::max(space.closed1, across);
                space.top = std::max(space.top, p.y - start.y);
            }
        }
    }
    return space;
}

// Across the wall: where a stop for the leaf can go, on the side the leaf does not swing to,
// between its swept space and the wall's face; false for a sliding leaf or no room.
bool StopSpan(const LeafSpace& leaf, float thick, float& from, float& to) {
    if (leaf.slides) {
        return false;
    }
    // The hinge side's corners sweep a little to the other side as well; the side the leaf
    // opens to is the one it sweeps far into.
    float forward = leaf.swept1 - leaf.closed1, backward = leaf.closed0 - leaf.swept0;
    if (std::max(forward, backward) < 0.05f) {
        return false;
    }
    if (forward > backward) {
        from = -thick / 2, to = leaf.swept0 - STOP_CLEARANCE;
    } else {
        from = leaf.swept1 + STOP_CLEARANCE, to = thick / 2;
    }
    return to - from >= 0.01f;
}

} // namespace

void BuildDoorStops(LevelScene& scene, const std::vector<int>& doors,
                    const std::vector<Hole>& holes, Vec3 start, Vec3 d, Vec3 nA, float thick,
                    int material) {
    std::vector<LeafSpace> leaves;
    for (int door : doors) {
        leaves.push_back(SpaceOf(door, start, d, nA));
    }
    float sc = Scale(scene, material);
    for (size_t i = 0; i < leaves.size(); ++i) {
        const LeafSpace& leaf = leaves[i];
        float from, to;
        if (!StopSpan(leaf, thick, from, to)) {
            continue;
        }
        const Hole* hole = nullptr;
        for (const Hole& h : holes) {
            if (h.s0 <= leaf.s0 + 1e-3f && h.s1 >= leaf.s1 - 1e-3f) {
                hole = &h;
            }
        }
        if (!hole) {
            continue;
        }
        // A jamb stop only where the opening ends beside this leaf, not between the two
        // leaves of a double door.
        auto meetsLeaf = [&](float at) {
            for (size_t j = 0; j < leaves.size(); ++j) {
                if (j != i && at > leaves[j].s0 - 0.1f && at < leaves[j].s1 + 0.1f) {
                    return true;
                }
            }
            return false;
        };
        auto strip = [&](float s0, float s1, float t0, float t1, float n0, float n1,
                         Mesh* target = nullptr) {
            if (s1 - s0 > 1e-3f && t1 - t0 > 1e-3f) {
                EmitOrientedBox(target ? *target : scene.level, start + nA * n0 + d * s0 + UP * t0,
                                d * (s1 - s0), UP * (t1 - t0), nA * (n1 - n0), material, sc);
            }
        };
        float headFrom = std::min(hole->t1, leaf.top - STOP_OVERLAP);
        if (!meetsLeaf(hole->s0)) {
            strip(hole->s0, leaf.s0 + STOP_OVERLAP, hole->t0, headFrom, from, to);
        }
        if (!meetsLeaf(hole->s1)) {
            strip(leaf.s1 - STOP_OVERLAP, hole->s1, hole->t0, headFrom, from, to);
        }
        strip(std::max(hole->s0, leaf.s0 - 0.05f), std::min(hole->s1, leaf.s1 + 0.05f), headFrom,
              hole->t1, from, to);
        // Where two leaves of a double door meet, one strip behind both edges, if both
        // leaves swing to the same side; it stands in the opening, so it is detail that no
        // click or sight line stops at.
        for (size_t j = 0; j < leaves.size(); ++j) {
            float jFrom, jTo;
            if (j == i || std::fabs(leaves[j].s0 - leaf.s1) > 0.1f ||
                !StopSpan(leaves[j], thick, jFrom, jTo) || (jFrom < 0) != (from < 0)) {
                continue;
            }
            float n0 = std::max(from, jFrom), n1 = std::min(to, jTo);
            if (n1 - n0 >= 0.01f) {
                strip(leaf.s1 - STOP_OVERLAP, leaves[j].s0 + STOP_OVERLAP, hole->t0, headFrom, n0,
                      n1, &scene.detail);
            }
        }
    }
}

} // namespace levelbuild
