// Light-driven edge splitting in rounds: measure the light at the vertices and at the edges'
// midpoints, choose the edges to split (whole edges, in triangle order, within the vertex
// limit), then cut each triangle by how many of its edges were chosen.
#include "light_subdivide.h"

#include "parallel_for.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>

namespace levelbuild {

namespace {

using EdgeKey = std::array<uint32_t, 6>;

std::array<uint32_t, 3> Bits(Vec3 p) {
    std::array<uint32_t, 3> b;
    std::memcpy(b.data(), &p, 12);
    return b;
}

EdgeKey KeyOf(Vec3 a, Vec3 b) {
    auto ka = Bits(a), kb = Bits(b);
    if (kb < ka) {
        std::swap(ka, kb);
    }
    return {ka[0], ka[1], ka[2], kb[0], kb[1], kb[2]};
}

float Largest(Rgb a, Rgb b) {
    return std::max({std::fabs(a.r - b.r), std::fabs(a.g - b.g), std::fabs(a.b - b.b)});
}

Vertex Midpoint(const Vertex& a, const Vertex& b) {
    Vertex m;
    m.position = (a.position + b.position) * 0.5f;
    Vec3 n = a.normal + b.normal;
    m.normal = Length(n) > 1e-6f ? Normalize(n) : a.normal;
    m.u = (a.u + b.u) * 0.5f;
    m.v = (a.v + b.v) * 0.5f;
    m.color = a.color;
    return m;
}

struct EdgeState {
    bool frozen = false;
    bool wanted = false;
    bool chosen = false;
    int sides = 0; // distinct vertex pairs along this edge, each needs its own midpoint
};

// One midpoint measurement of a candidate triangle's edge.
struct Probe {
    size_t triangle;
    int edge;
    Rgb light;
};

} // namespace

size_t SubdivideByLight(Mesh& mesh, const std::vector<bool>& frozenIn,
                        const std::function<Rgb(Vec3, Vec3)>& light,
                        const SubdivideOptions& options) {
    std::vector<bool> frozen = frozenIn;
    frozen.resize(mesh.triangles.size(), false);
    std::vector<Rgb> lit(mesh.vertices.size());
    std::vector<bool> known(mesh.vertices.size(), false);
    size_t splitCount = 0;
    for (int round = 0; round < options.rounds; ++round) {
        lit.resize(mesh.vertices.size());
        known.resize(mesh.vertices.size(), false);
        std::vector<uint32_t> unknown;
        for (uint32_t i = 0; i < mesh.vertices.size(); ++i) {
            if (!known[i]) {
                unknown.push_back(i);
            }
        }
        ParallelFor(unknown.size(), 64, [&](size_t begin, size_t end) {
            for (size_t k = begin; k < end; ++k) {
                const Vertex& v = mesh.vertices[unknown[k]];
                lit[unknown[k]] = light(v.position, Normalize(v.normal));
            }
        });
        for (uint32_t i : unknown) {
            known[i] = true;
        }

        auto corner = [&](const Triangle& t, int k) { return k == 0 ? t.a : k == 1 ? t.b : t.c; };
        std::map<EdgeKey, EdgeState> edges;
        std::map<std::pair<EdgeKey, std::pair<uint32_t, uint32_t>>, bool> sides;
        std::vector<Probe> probes;
        for (size_t t = 0; t < mesh.triangles.size(); ++t) {
            const Triangle& tri = mesh.triangles[t];
            for (int e = 0; e < 3; ++e) {
                uint32_t a = corner(tri, e), b = corner(tri, (e + 1) % 3);
                const Vec3& pa = mesh.vertices[a].position;
                const Vec3& pb = mesh.vertices[b].position;
                EdgeKey key = KeyOf(pa, pb);
                EdgeState& state = edges[key];
                if (frozen[t]) {
                    state.frozen = true;
                    continue;
                }
                if (sides.try_emplace({key, {std::min(a, b), std::max(a, b)}}, true).second) {
                    ++state.sides;
                }
                if (Length(pb - pa) >= options.shortestEdge) {
                    probes.push_back({t, e, {}});
                }
            }
        }
        ParallelFor(probes.size(), 64, [&](size_t begin, size_t end) {
            for (size_t k = begin; k < end; ++k) {
                const Triangle& tri = mesh.triangles[probes[k].triangle];
                int e = probes[k].edge;
                Vertex m = Midpoint(mesh.vertices[corner(tri, e)],
                                    mesh.vertices[corner(tri, (e + 1) % 3)]);
                probes[k].light = light(m.position, m.normal);
            }
        });
        for (const Probe& p : probes) {
            const Triangle& tri = mesh.triangles[p.triangle];
            uint32_t a = corner(tri, p.edge), b = corner(tri, (p.edge + 1) % 3);
            Rgb mean = (lit[a] + lit[b]) * 0.5f;
            if (Largest(p.light, mean) > options.threshold ||
                Largest(lit[a], lit[b]) > 2 * options.threshold) {
                edges[KeyOf(mesh.vertices[a].position, mesh.vertices[b].position)].wanted = true;
            }
        }
        // Choose whole edges in triangle order until the vertex limit is reached.
        size_t budget = options.vertexLimit > mesh.vertices.size()
                            ? options.vertexLimit - mesh.vertices.size()
                            : 0;
        size_t chosenCount = 0;
        for (const Probe& p : probes) {
            const Triangle& tri = mesh.triangles[p.triangle];
            EdgeState& state = edges[KeyOf(mesh.vertices[corner(tri, p.edge)].position,
                                           mesh.vertices[corner(tri, (p.edge + 1) % 3)].position)];
            if (!state.wanted || state.frozen || state.chosen ||
                static_cast<size_t>(state.sides) > budget) {
                continue;
            }
            state.chosen = true;
            budget -= state.sides;
            ++chosenCount;
        }
        if (chosenCount == 0) {
            break;
        }
        std::map<std::pair<uint32_t, uint32_t>, uint32_t> midpoints;
        auto midpoint = [&](uint32_t a, uint32_t b) {
            auto key = std::make_pair(std::min(a, b), std::max(a, b));
            auto it = midpoints.find(key);
            if (it == midpoints.end()) {
                Vertex m = Midpoint(mesh.vertices[key.first], mesh.vertices[key.second]);
                it = midpoints.emplace(key, mesh.Add(m)).first;
            }
            return it->second;
        };
        size_t count = mesh.triangles.size();
        for (size_t t = 0; t < count; ++t) {
            if (frozen[t]) {
                continue;
            }
            Triangle tri = mesh.triangles[t];
            uint32_t v[3] = {tri.a, tri.b, tri.c};
            bool cut[3];
            int cuts = 0;
            for (int e = 0; e < 3; ++e) {
                auto it = edges.find(
                    KeyOf(mesh.vertices[v[e]].position, mesh.vertices[v[(e + 1) % 3]].position));
                cut[e] = it != edges.end() && it->second.chosen;
                cuts += cut[e];
            }
            if (cuts == 0) {
                continue;
            }
            ++splitCount;
            std::vector<std::array<uint32_t, 3>> parts;
            if (cuts == 3) {
                uint32_t m0 = midpoint(v[0], v[1]), m1 = midpoint(v[1], v[2]),
                         m2 = midpoint(v[2], v[0]);
                parts = {{v[0], m0, m2}, {m0, v[1], m1}, {m2, m1, v[2]}, {m0, m1, m2}};
            } else if (cuts == 1) {
                int i = cut[0] ? 0 : cut[1] ? 1 : 2;
                uint32_t a = v[i], b = v[(i + 1) % 3], c = v[(i + 2) % 3];
                uint32_t m = midpoint(a, b);
                parts = {{a, m, c}, {m, b, c}};
            } else {
                int uncut = !cut[0] ? 0 : !cut[1] ? 1 : 2;
                int i = (uncut + 1) % 3;
                uint32_t a = v[i], b = v[(i + 1) % 3], c = v[(i + 2) % 3];
                uint32_t mab = midpoint(a, b), mbc = midpoint(b, c);
                parts = {{a, mab, mbc}, {mab, b, mbc}, {a, mbc, c}};
            }
            mesh.triangles[t] = {parts[0][0], parts[0][1], parts[0][2], tri.material};
            for (size_t k = 1; k < parts.size(); ++k) {
                mesh.Tri(parts[k][0], parts[k][1], parts[k][2], tri.material);
            }
        }
        frozen.resize(mesh.triangles.size(), false);
    }
    return splitCount;
}

} // namespace levelbuild
