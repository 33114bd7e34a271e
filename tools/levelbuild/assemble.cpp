// Final assembly: material order, the exact vertex and face ranges around the object boxes,
// the hull's box range, the shadow markers, lighting and the collectible model.
#include "level_lighting.h"
#include "model_assembly.h"
#include "object_boxes.h"

#include "world/object_box.h"
#include "world/object_table.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace levelbuild {

namespace {

// The materials the assembly places by name.
struct ReservedMaterials {
    int door, switchBox, pebble;
};

// A model under construction with a flag per triangle: copied into the shadow markers.
struct MarkedMesh {
    Mesh mesh;
    std::vector<bool> shadowed;
};

// The level's triangles on either side of the object boxes, each sorted by material rank.
struct LevelSplit {
    std::vector<size_t> before, after;
};

int MaterialIdOr(const LevelScene& scene, const std::string& name, int missing) {
    return scene.materialIds.count(name) ? scene.materialIds.at(name) : missing;
}

ReservedMaterials RequireReservedMaterials(const LevelScene& scene) {
    ReservedMaterials ids{MaterialIdOr(scene, "door", -1), MaterialIdOr(scene, "switch", -1),
                          MaterialIdOr(scene, "pebble", -1)};
    if (ids.door < 0 || ids.switchBox < 0 || ids.pebble < 0 || !scene.beforeBoxes[ids.pebble]) {
        throw std::runtime_error("materials door, switch and pebble (before) are required");
    }
    return ids;
}

// Final material order: before the boxes, door, switch, the rest in declaration order.
std::vector<int> FinalMaterialRank(const LevelScene& scene, const ReservedMaterials& ids) {
    std::vector<int> rank(scene.materials.size());
    int next = 0;
    for (size_t m = 0; m < scene.materials.size(); ++m) {
        if (scene.beforeBoxes[m]) {
            rank[m] = next++;
        }
    }
    rank[ids.door] = next++;
    rank[ids.switchBox] = next++;
    for (size_t m = 0; m < scene.materials.size(); ++m) {
        if (!scene.beforeBoxes[m] && static_cast<int>(m) != ids.door &&
            static_cast<int>(m) != ids.switchBox) {
            rank[m] = next++;
        }
    }
    return rank;
}

LevelSplit SplitAroundBoxes(const LevelScene& scene, const ReservedMaterials& ids,
                            const std::vector<int>& rank) {
    LevelSplit split;
    for (size_t t = 0; t < scene.level.triangles.size(); ++t) {
        int m = scene.level.triangles[t].material;
        if (m == ids.door || m == ids.switchBox) {
            throw std::runtime_error("door and switch materials are reserved for object boxes");
        }
        (scene.beforeBoxes[m] ? split.before : split.after).push_back(t);
    }
    auto byRank = [&](size_t a, size_t b) {
        return rank[scene.level.triangles[a].material] < rank[scene.level.triangles[b].material];
    };
    std::stable_sort(split.before.begin(), split.before.end(), byRank);
    std::stable_sort(split.after.begin(), split.after.end(), byRank);
    return split;
}

MarkedMesh ExtractMarked(const LevelScene& scene, const std::vector<size_t>& triangles) {
    MarkedMesh part{Extract(scene.level, triangles), {}};
    for (size_t t : triangles) {
        part.shadowed.push_back(scene.levelShadowed[t]);
    }
    return part;
}

// The geometry before the boxes, filled up to exactly the first box vertex and face.
MarkedMesh LevelBeforeBoxes(const LevelScene& scene, const std::vector<size_t>& triangles,
                            int pebble, const std::vector<int>& rank, std::ostringstream& report) {
    MarkedMesh before = ExtractMarked(scene, triangles);
    report << FillCounts(scene, before.mesh, pebble, FIRST_OBJECT_LEVEL_VERTEX,
                         FIRST_OBJECT_LEVEL_FACE)
           << "\n";
    before.shadowed.resize(before.mesh.triangles.size(), false);
    // The filler stones were appended at the end; keep material order.
    std::vector<size_t> order(before.mesh.triangles.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return rank[before.mesh.triangles[a].material] < rank[before.mesh.triangles[b].material];
    });
    MarkedMesh sorted;
    sorted.mesh.vertices = before.mesh.vertices;
    for (size_t i : order) {
        sorted.mesh.triangles.push_back(before.mesh.triangles[i]);
        sorted.shadowed.push_back(before.shadowed[i]);
    }
    return sorted;
}

// Object boxes: 24 vertices and 12 faces each, in the engine's corner order.
void AppendObjectBoxes(MarkedMesh& level, const ReservedMaterials& ids) {
    for (int i = 0; i < OBJECT_COUNT; ++i) {
        Vec3 pos[24], nrm[24];
        ObjectBox(i, 0.0f, pos, nrm);
        int mat = static_cast<uint32_t>(i) <= LAST_DOOR ? ids.door : ids.switchBox;
        uint32_t base = static_cast<uint32_t>(level.mesh.vertices.size());
        for (int j = 0; j < 24; ++j) {
            Vertex v;
            v.position = pos[j];
            v.normal = nrm[j];
            // Door faces show the door texture across the leaf; edges take a thin strip.
            const ::Vec3& c = BOX_CORNERS[j];
            int face = j / 4;
            float uu = face < 2 ? c.x : face == 2 || face == 4 ? c.z : c.x;
            float vv = face == 3 || face == 5 ? c.z : 1.0f - c.y;
            v.u = uu, v.v = vv;
            level.mesh.Add(v);
        }
        for (int f = 0; f < 6; ++f) {
            uint32_t a = base + 4 * f;
            level.mesh.Tri(a, a + 1, a + 2, mat);
            level.mesh.Tri(a, a + 2, a + 3, mat);
        }
        level.shadowed.resize(level.mesh.triangles.size(), false);
    }
}

// Object box colours as the engine's first update makes them with shadows on.
void ShadeObjectBoxes(Mesh& level) {
    Vec3 objLight = Normalize({3.3f, 2.6f, -3.1f});
    for (int i = 0; i < OBJECT_COUNT; ++i) {
        for (int j = 0; j < 24; ++j) {
            Vertex& v = level.vertices[FIRST_OBJECT_LEVEL_VERTEX + 24 * i + j];
            v.color = Grey(v.normal, objLight);
            if (static_cast<uint32_t>(i) > LAST_DOOR &&
                static_cast<uint32_t>(i) != UNCOLOURED_SWITCH && j < 4) {
                v.color = 0xFFFF0000u;
            }
        }
    }
}

// The level: the filled geometry before the boxes, the boxes, the rest.
MarkedMesh AssembleLevel(const LevelScene& scene, const ReservedMaterials& ids,
                         const std::vector<int>& rank, std::ostringstream& report) {
    LevelSplit split = SplitAroundBoxes(scene, ids, rank);
    MarkedMesh level = LevelBeforeBoxes(scene, split.before, ids.pebble, rank, report);
    AppendObjectBoxes(level, ids);
    MarkedMesh after = ExtractMarked(scene, split.after);
    level.mesh.Append(after.mesh);
    level.shadowed.insert(level.shadowed.end(), after.shadowed.begin(), after.shadowed.end());
    return level;
}

// Hull: pieces adding up to exactly the vertices before the object boxes, the boxes, the rest.
Mesh AssembleHull(const LevelScene& scene) {
    std::vector<std::vector<size_t>> pieces = Pieces(scene.hull);
    std::vector<size_t> sizes;
    std::vector<Mesh> pieceMeshes;
    for (const auto& p : pieces) {
        pieceMeshes.push_back(Extract(scene.hull, p));
        sizes.push_back(pieceMeshes.back().vertices.size());
    }
    std::vector<bool> take = ChooseHullPieces(sizes, FIRST_OBJECT_HULL_VERTEX);
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
    return hull;
}

// The models that take the scene's meshes as they are (detail and cut-outs already lit).
void AddSceneModels(const LevelScene& scene, const std::vector<int>& rank, LevelModels& out) {
    out.detailMaterials = CompactMaterials(out.detail, scene.materials, rank);
    out.cutoutMaterials = CompactMaterials(out.cutout, scene.materials, rank);
    out.water = scene.water;
    out.waterMaterials = CompactMaterials(out.water, scene.materials, rank);
    out.sky = scene.sky;
    out.skyMaterials = CompactMaterials(out.sky, scene.materials, rank);
}

std::vector<std::string> TexturesUsed(const LevelModels& out) {
    std::set<std::string> textures;
    for (const auto* list : {&out.levelMaterials, &out.detailMaterials, &out.cutoutMaterials,
                             &out.waterMaterials, &out.skyMaterials, &out.collectibleMaterials}) {
        for (const Material& m : *list) {
            if (!m.texture.empty()) {
                textures.insert(m.texture);
            }
        }
    }
    return {textures.begin(), textures.end()};
}

} // namespace

LevelModels AssembleModels(LevelScene& scene) {
    LevelModels out;
    std::ostringstream report;
    const ReservedMaterials ids = RequireReservedMaterials(scene);
    const std::vector<int> rank = FinalMaterialRank(scene, ids);
    // Pieces that meet edge to middle get shared corners before anything is counted or lit.
    report << "split " << SplitTJunctions(scene.level, &scene.levelShadowed) << " level and "
           << SplitTJunctions(scene.detail) << " detail triangles at T-junctions\n";

    MarkedMesh level = AssembleLevel(scene, ids, rank, report);
    out.detail = scene.detail;
    out.cutout = scene.cutout;
    LightMapOptions lightMaps;
    lightMaps.walls = true;
    LitLevel lit = LightLevel(scene, level.mesh, FIRST_OBJECT_LEVEL_FACE,
                              FIRST_OBJECT_LEVEL_FACE + OBJECT_FACES * OBJECT_COUNT, out.detail,
                              out.cutout, lightMaps);
    report << lit.report;
    ShadeObjectBoxes(level.mesh);
    out.markers = std::move(lit.markers);
    out.markerMaterials = std::move(lit.markerMaterials);
    out.bakedImages = std::move(lit.images);
    report << "level: " << level.mesh.vertices.size() << " vertices, "
           << level.mesh.triangles.size()
           << " faces; shadow markers: " << out.markers.triangles.size() << " faces\n";
    Mesh hull = AssembleHull(scene);
    report << "hull: " << hull.vertices.size() << " vertices, " << hull.triangles.size()
           << " faces\n";

    out.level = level.mesh;
    out.levelMaterials = CompactMaterials(out.level, scene.materials, rank);
    AddSceneModels(scene, rank, out);
    out.hull = hull;
    Material hullMaterial;
    hullMaterial.name = "hull";
    out.hullMaterials = {hullMaterial};
    int gem = MaterialIdOr(scene, "gem", 0);
    out.collectible = MakeCollectible(0);
    out.collectibleMaterials = {scene.materials[gem]};
    out.textures = TexturesUsed(out);
    out.report = report.str();
    return out;
}

} // namespace levelbuild
