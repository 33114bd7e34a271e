// Helpers every statement shares: errors with the line, material look-up, shadow marking
// and the openings that animated objects need.
#include "scene_statements.h"
#include "object_table.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace levelbuild {

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

} // namespace levelbuild
