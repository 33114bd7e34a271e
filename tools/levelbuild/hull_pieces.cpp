// The hull's connected pieces and the choice of those that go before the object boxes.
#include "model_assembly.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

namespace levelbuild {

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

} // namespace levelbuild
