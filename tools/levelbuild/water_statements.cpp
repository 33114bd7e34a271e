// The pool basin with its hull, and the water surface grid whose vertices the engine moves.
#include "scene_statements.h"

#include <cstdint>

namespace levelbuild {

void BuildPool(LevelScene& scene, const Statement& s) {
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

void BuildWater(LevelScene& scene, const Statement& s) {
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

} // namespace levelbuild
