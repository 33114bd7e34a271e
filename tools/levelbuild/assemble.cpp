// Final assembly: material order, the exact vertex and face ranges around the object boxes,
// the hull's box range, the shadow markers, lighting and the collectible model.
#include "level_builder.h"
#include "level_lighting.h"
#include "object_table.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>
#include <sstream>
#include <stdexcept>

namespace levelbuild {

namespace {

// Splits a mesh into its triangles grouped by material, each group with its own vertices in
// first-use order.
struct Part {
    Mesh mesh;
};

Mesh Extract(const Mesh& source, const std::vector<size_t>& triangles) {
    Mesh out;
    std::vector<int64_t> remap(source.vertices.size(), -1);
    for (size_t t : triangles) {
        const Triangle& tri = source.triangles[t];
        uint32_t idx[3] = {tri.a, tri.b, tri.c};
        for (uint32_t& i : idx) {
            if (remap[i] < 0) {
                remap[i] = out.Add(source.vertices[i]);
            }
            i = static_cast<uint32_t>(remap[i]);
        }
        out.Tri(idx[0], idx[1], idx[2], tri.material);
    }
    return out;
}

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

// Chooses hull pieces (connected groups of faces) whose vertices add up to exactly want.
std::vector<bool> ChooseHullPieces(const std::vector<size_t>& sizes, size_t want) {
    size_t n = sizes.size();
    std::vector<std::vector<bool>> reach(n + 1, std::vector<bool>(want + 1, false));
    reach[0][0] = true;
    for (size_t i = 0; i < n; ++i) {
        for (size_t v = 0; v <= want; ++v) {
            if (!reach[i][v]) {
                continue;
            }
            reach[i + 1][v] = true;
            if (v + sizes[i] <= want) {
                reach[i + 1][v + sizes[i]] = true;
            }
        }
    }
    if (!reach[n][want]) {
        throw std::runtime_error("hull pieces cannot make exactly " + std::to_string(want) +
                                 " vertices before the object boxes");
    }
    std::vector<bool> take(n, false);
    size_t v = want;
    for (size_t i = n; i-- > 0;) {
        if (reach[i][v]) {
            continue; // reachable without piece i
        }
        take[i] = true;
        v -= sizes[i];
    }
    return take;
}

// Connected pieces of a mesh (triangles sharing vertices).
std::vector<std::vector<size_t>> Pieces(const Mesh& mesh) {
    std::vector<size_t> parent(mesh.vertices.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto find = [&](size_t x) {
        while (parent[x] != x) {
            parent[x] = parent[parent[x]];
            x = parent[x];
        }
        return x;
    };
    for (const Triangle& t : mesh.triangles) {
        parent[find(t.b)] = find(t.a);
        parent[find(t.c)] = find(t.a);
    }
    std::map<size_t, std::vector<size_t>> groups;
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        groups[find(mesh.triangles[t].a)].push_back(t);
    }
    std::vector<std::vector<size_t>> out;
    for (auto& [root, tris] : groups) {
        out.push_back(tris);
    }
    std::sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.front() < b.front(); });
    return out;
}

// Compacts a mesh's materials into a list of those used, in ascending order of the scene's
// final order, and sorts the triangles by material (stable).
std::vector<Material> CompactMaterials(Mesh& mesh, const std::vector<Material>& all,
                                       const std::vector<int>& rank) {
    std::set<int> used;
    for (const Triangle& t : mesh.triangles) {
        used.insert(t.material);
    }
    std::vector<int> order(used.begin(), used.end());
    std::sort(order.begin(), order.end(), [&](int a, int b) { return rank[a] < rank[b]; });
    std::map<int, int> remap;
    std::vector<Material> out;
    for (int m : order) {
        remap[m] = static_cast<int>(out.size());
        out.push_back(all[m]);
    }
    for (Triangle& t : mesh.triangles) {
        t.material = remap[t.material];
    }
    std::stable_sort(mesh.triangles.begin(), mesh.triangles.end(),
                     [](const Triangle& a, const Triangle& b) { return a.material < b.material; });
    return out;
}

uint32_t Grey(Vec3 n, Vec3 light) {
    float d = Dot(n, light);
    int g = static_cast<int>(d * 64 + 192);
    g = std::clamp(g, 0, 255);
    return 0xFF000000u | (g << 16) | (g << 8) | g;
}

Mesh MakeCollectible(int material) {
    // A small floating crystal: two pyramids of eight sides, point up and point down.
    Mesh mesh;
    const int n = 8;
    const float r = 0.1f, mid = 0.2f, top = 0.38f, bottom = 0.05f;
    Vec3 light = Normalize({0.4f, 0.8f, -0.3f});
    for (int k = 0; k < n; ++k) {
        float a0 = k * 6.2831853f / n, a1 = (k + 1) * 6.2831853f / n;
        Vec3 p0{r * std::cos(a0), mid, r * std::sin(a0)},
            p1{r * std::cos(a1), mid, r * std::sin(a1)};
        Vec3 tris[2][3] = {{{0, top, 0}, p1, p0}, {{0, bottom, 0}, p0, p1}};
        for (auto& t : tris) {
            Vec3 nn = Normalize(Cross(t[1] - t[0], t[2] - t[0]));
            uint32_t idx[3];
            for (int i = 0; i < 3; ++i) {
                Vertex v;
                v.position = t[i];
                v.normal = nn;
                v.color = Grey(nn, light);
                v.u = 0.5f + t[i].x * 2, v.v = 1.0f - t[i].y * 2;
                idx[i] = mesh.Add(v);
            }
            mesh.Tri(idx[0], idx[1], idx[2], material);
        }
    }
    return mesh;
}

} // namespace

LevelModels AssembleModels(LevelScene& scene) {
    LevelModels out;
    std::ostringstream report;
    const int doorMat = scene.materialIds.count("door") ? scene.materialIds.at("door") : -1;
    const int switchMat = scene.materialIds.count("switch") ? scene.materialIds.at("switch") : -1;
    const int pebbleMat = scene.materialIds.count("pebble") ? scene.materialIds.at("pebble") : -1;
    if (doorMat < 0 || switchMat < 0 || pebbleMat < 0 || !scene.beforeBoxes[pebbleMat]) {
        throw std::runtime_error("materials door, switch and pebble (before) are required");
    }
    // Final material order: before the boxes, door, switch, the rest in declaration order.
    std::vector<int> rank(scene.materials.size());
    {
        int next = 0;
        for (size_t m = 0; m < scene.materials.size(); ++m) {
            if (scene.beforeBoxes[m]) {
                rank[m] = next++;
            }
        }
        rank[doorMat] = next++;
        rank[switchMat] = next++;
        for (size_t m = 0; m < scene.materials.size(); ++m) {
            if (!scene.beforeBoxes[m] && static_cast<int>(m) != doorMat &&
                static_cast<int>(m) != switchMat) {
                rank[m] = next++;
            }
        }
    }

    // Level: triangles before the boxes, sorted by material.
    std::vector<size_t> beforeTris, afterTris;
    for (size_t t = 0; t < scene.level.triangles.size(); ++t) {
        int m = scene.level.triangles[t].material;
        if (m == doorMat || m == switchMat) {
            throw std::runtime_error("door and switch materials are reserved for object boxes");
        }
        (scene.beforeBoxes[m] ? beforeTris : afterTris).push_back(t);
    }
    auto byRank = [&](size_t a, size_t b) {
        return rank[scene.level.triangles[a].material] < rank[scene.level.triangles[b].material];
    };
    std::stable_sort(beforeTris.begin(), beforeTris.end(), byRank);
    std::stable_sort(afterTris.begin(), afterTris.end(), byRank);
    Mesh before = Extract(scene.level, beforeTris);
    report << FillCounts(scene, before, pebbleMat, FIRST_BOX_VERTEX, FIRST_BOX_FACE) << "\n";
    // The filler stones were appended at the end; keep material order.
    {
        std::vector<size_t> order(before.triangles.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return rank[before.triangles[a].material] < rank[before.triangles[b].material];
        });
        Mesh sorted;
        sorted.vertices = before.vertices;
        for (size_t i : order) {
            sorted.triangles.push_back(before.triangles[i]);
        }
        before = sorted;
    }
    Mesh level = before;
    // Object boxes: 24 vertices and 12 faces each, in the engine's corner order.
    for (int i = 0; i < OBJECT_COUNT; ++i) {
        Vec3 pos[24], nrm[24];
        ObjectBox(i, 0.0f, pos, nrm);
        int mat = i < 37 ? doorMat : switchMat;
        uint32_t base = static_cast<uint32_t>(level.vertices.size());
        const AnimatedObject& o = OBJECTS[i];
        for (int j = 0; j < 24; ++j) {
            Vertex v;
            v.position = pos[j];
            v.normal = nrm[j];
            // Door faces show the door texture across the leaf; edges take a thin strip.
            Vec3 c = BOX_CORNERS[j];
            int face = j / 4;
            float uu = face < 2 ? c.x : face == 2 || face == 4 ? c.z : c.x;
            float vv = face == 3 || face == 5 ? c.z : 1.0f - c.y;
            v.u = uu, v.v = vv;
            (void)o;
            level.Add(v);
        }
        for (int f = 0; f < 6; ++f) {
            uint32_t a = base + 4 * f;
            level.Tri(a, a + 1, a + 2, mat);
            level.Tri(a, a + 2, a + 3, mat);
        }
    }
    level.Append(Extract(scene.level, afterTris));
    out.detail = scene.detail;
    out.cutout = scene.cutout;
    LightMapOptions lightMaps;
    lightMaps.walls = true;
    LitLevel lit = LightLevel(scene, level, FIRST_BOX_FACE, FIRST_BOX_FACE + 12 * OBJECT_COUNT,
                              out.detail, out.cutout, lightMaps);
    report << lit.report;
    // Object box colours as the engine's first update makes them with shadows on.
    Vec3 objLight = Normalize({3.3f, 2.6f, -3.1f});
    for (int i = 0; i < OBJECT_COUNT; ++i) {
        for (int j = 0; j < 24; ++j) {
            Vertex& v = level.vertices[FIRST_BOX_VERTEX + 24 * i + j];
            v.color = Grey(v.normal, objLight);
            if (i > 36 && i != 42 && j < 4) {
                v.color = 0xFFFF0000u;
            }
        }
    }
    out.markers = std::move(lit.markers);
    out.markerMaterials = std::move(lit.markerMaterials);
    out.bakedImages = std::move(lit.images);
    report << "level: " << level.vertices.size() << " vertices, " << level.triangles.size()
           << " faces; shadow markers: " << out.markers.triangles.size() << " faces\n";

    // Hull: pieces adding up to exactly the vertices before the object boxes.
    std::vector<std::vector<size_t>> pieces = Pieces(scene.hull);
    std::vector<size_t> sizes;
    std::vector<Mesh> pieceMeshes;
    for (const auto& p : pieces) {
        pieceMeshes.push_back(Extract(scene.hull, p));
        sizes.push_back(pieceMeshes.back().vertices.size());
    }
    std::vector<bool> take = ChooseHullPieces(sizes, FIRST_HULL_BOX_VERTEX);
    Mesh hull;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (take[i]) {
            hull.Append(pieceMeshes[i]);
        }
    }
    for (int i = 0; i < OBJECT_COUNT; ++i) {
        Vec3 corners[8];
        ObjectHullCorners(i, 0.0f, corners);
        // hullCorners order: (1,0,0) (0,0,0) (0,1,0) (1,1,0) (0,0,1) (1,0,1) (1,1,1) (0,1,1).
        EmitHullSolid(
            hull, std::vector<Vec3>(corners, corners + 8),
            {{1, 0, 3, 2}, {4, 5, 6, 7}, {0, 5, 6, 3}, {1, 4, 7, 2}, {1, 0, 5, 4}, {2, 3, 6, 7}});
    }
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (!take[i]) {
            hull.Append(pieceMeshes[i]);
        }
    }
    for (Triangle& t : hull.triangles) {
        t.material = 0;
    }
    report << "hull: " << hull.vertices.size() << " vertices, " << hull.triangles.size()
           << " faces\n";

    out.level = level;
    out.levelMaterials = CompactMaterials(out.level, scene.materials, rank);
    out.detailMaterials = CompactMaterials(out.detail, scene.materials, rank);
    out.cutoutMaterials = CompactMaterials(out.cutout, scene.materials, rank);
    out.water = scene.water;
    out.waterMaterials = CompactMaterials(out.water, scene.materials, rank);
    out.sky = scene.sky;
    out.skyMaterials = CompactMaterials(out.sky, scene.materials, rank);
    out.hull = hull;
    Material hullMaterial;
    hullMaterial.name = "hull";
    out.hullMaterials = {hullMaterial};
    int gem = scene.materialIds.count("gem") ? scene.materialIds.at("gem") : 0;
    out.collectible = MakeCollectible(0);
    out.collectibleMaterials = {scene.materials[gem]};
    std::set<std::string> textures;
    for (const auto* list : {&out.levelMaterials, &out.detailMaterials, &out.cutoutMaterials,
                             &out.waterMaterials, &out.skyMaterials, &out.collectibleMaterials}) {
        for (const Material& m : *list) {
            if (!m.texture.empty()) {
                textures.insert(m.texture);
            }
        }
    }
    out.textures.assign(textures.begin(), textures.end());
    out.report = report.str();
    return out;
}

} // namespace levelbuild
