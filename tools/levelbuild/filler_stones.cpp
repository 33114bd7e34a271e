// Filler stones: the flat stones and stepping slabs that bring the geometry before the object
// boxes to exactly the fixed vertex and face counts.
#include "model_assembly.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace levelbuild {

namespace {

// Deterministic pseudo-random numbers for placing filler stones.
struct Lcg {
    uint32_t state;
    float Next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0f;
    }
};

// Flat stone of n sides as a fan: n triangles, n + 1 vertices.
void AddStone(Mesh& mesh, Vec3 c, float r, int n, float turn, int material) {
    Vertex centre;
    centre.position = c;
    centre.normal = {0, 1, 0};
    centre.u = 0.5f, centre.v = 0.5f;
    uint32_t base = mesh.Add(centre);
    for (int k = 0; k < n; ++k) {
        float a = turn + k * 6.2831853f / n;
        float rr = r * (0.85f + 0.15f * std::cos(a * 3.0f + turn));
        Vertex v;
        v.position = {c.x + rr * std::cos(a), c.y, c.z + rr * std::sin(a)};
        v.normal = {0, 1, 0};
        v.u = 0.5f + 0.5f * std::cos(a), v.v = 0.5f + 0.5f * std::sin(a);
        mesh.Add(v);
    }
    for (int k = 0; k < n; ++k) {
        uint32_t a = base + 1 + k, b = base + 1 + (k + 1) % n;
        // Counter-clockwise in angle is clockwise seen from above in this left-handed world:
        // cross(a - c, b - c) points up.
        mesh.Tri(base, b, a, material);
    }
}

} // namespace

// Fills a mesh of the before-the-boxes materials up to exactly the wanted counts with flat
// stones laid in the filler areas: s stones of n sides give n * s faces and (n + 1) * s
// vertices, two-triangle stepping slabs give 2 faces and 4 vertices each.
std::string FillCounts(const LevelScene& scene, Mesh& before, int material, uint32_t wantVertices,
                       uint32_t wantFaces) {
    int64_t dv = static_cast<int64_t>(wantVertices) - before.vertices.size();
    int64_t df = static_cast<int64_t>(wantFaces) - before.triangles.size();
    if (dv < 0 || df < 0) {
        throw std::runtime_error("geometry before the object boxes has " +
                                 std::to_string(before.vertices.size()) + " vertices and " +
                                 std::to_string(before.triangles.size()) +
                                 " faces, more than the fixed range allows");
    }
    // Choose the number of slabs q so that the stones' vertex surplus d = dv - df - 2q
    // (one per stone) leaves between 4 and 16 sides per stone.
    int64_t q = 0, stones = 0, sides = 0;
    bool found = false;
    for (q = 0; 2 * q <= df && 4 * q <= dv; ++q) {
        stones = dv - df - 2 * q;
        sides = df - 2 * q;
        if (stones == 0 && sides == 0) {
            found = true;
            break;
        }
        if (stones > 0 && sides >= 4 * stones && sides <= 16 * stones) {
            found = true;
            break;
        }
    }
    if (!found || scene.fillers.empty()) {
        throw std::runtime_error("cannot meet the fixed counts with filler stones (" +
                                 std::to_string(dv) + " vertices, " + std::to_string(df) +
                                 " faces missing)");
    }
    Lcg rng{12345};
    int64_t total = q + stones;
    // Spread the pieces over the areas on a jittered grid.
    float area = 0;
    for (const FillerArea& f : scene.fillers) {
        area += (f.x1 - f.x0) * (f.z1 - f.z0);
    }
    float spacing = std::sqrt(area / std::max<int64_t>(1, total));
    std::vector<Vec3> spots;
    for (const FillerArea& f : scene.fillers) {
        for (float z = f.z0 + spacing / 2; z < f.z1; z += spacing) {
            for (float x = f.x0 + spacing / 2; x < f.x1; x += spacing) {
                spots.push_back({x + (rng.Next() - 0.5f) * spacing * 0.3f, f.y + 0.012f,
                                 z + (rng.Next() - 0.5f) * spacing * 0.3f});
            }
        }
    }
    while (static_cast<int64_t>(spots.size()) < total) {
        // Too few spots: a second, offset layer slightly higher.
        size_t n = spots.size();
        for (size_t i = 0; i < n && static_cast<int64_t>(spots.size()) < total; ++i) {
            spots.push_back(spots[i] + Vec3{spacing * 0.5f, 0.004f, spacing * 0.5f});
        }
    }
    size_t spot = 0;
    float r = std::min(0.3f, spacing * 0.38f);
    for (int64_t i = 0; i < q; ++i) {
        Vec3 c = spots[spot++];
        Vec3 p[4] = {c + Vec3{-r, 0, -r}, c + Vec3{-r, 0, r}, c + Vec3{r, 0, r},
                     c + Vec3{r, 0, -r}};
        float uv[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        AddQuad(before, p, uv, material);
    }
    int64_t left = sides;
    for (int64_t i = 0; i < stones; ++i) {
        int64_t n = left / (stones - i);
        left -= n;
        AddStone(before, spots[spot++], r * (0.6f + 0.4f * rng.Next()), static_cast<int>(n),
                 rng.Next() * 6.28f, material);
    }
    std::ostringstream report;
    report << "filled " << dv << " vertices and " << df << " faces before the object boxes with "
           << q << " stepping slabs and " << stones << " flat stones (" << sides << " sides)";
    return report.str();
}

} // namespace levelbuild
