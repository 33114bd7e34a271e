// Taking part of a mesh out on its own, and compacting a model's material list.
#include "model_assembly.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

namespace levelbuild {

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

} // namespace levelbuild
