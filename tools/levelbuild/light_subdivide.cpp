// Light-driven edge splitting in rounds: measure the light at the vertices and at the edges'
// midpoints, choose the edges to split (whole edges, in triangle order, within the vertex
// limit), cut each triangle by how many of its edges were chosen, and take the cut back for
// the triangles whose new corners or edges would open a T-junction.
#include "light_subdivide.h"

#include "mesh_seams.h"
#include "parallel_for.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace levelbuild {

namespace {

// A triangle lower than this is never cut: the midpoints of its sides would lie closer to its
// longest edge than the crack check's tolerance, which counts them as corners on that edge.
constexpr float THINNEST = 8 * SEAM_TOLERANCE;

// An edge by the welded corner points at its ends, so that faces whose corners differ by
// rounding still split their shared edge alike.
using EdgeKey = std::pair<uint32_t, uint32_t>;

EdgeKey KeyOf(const std::vector<uint32_t>& pointOf, uint32_t a, uint32_t b) {
    return {std::min(pointOf[a], pointOf[b]), std::max(pointOf[a], pointOf[b])};
}

uint32_t Corner(const Triangle& t, int k) {
    return k == 0 ? t.a : k == 1 ? t.b : t.c;
}

float Largest(Rgb a, Rgb b) {
    return std::max({std::fabs(a.r - b.r), std::fabs(a.g - b.g), std::fabs(a.b - b.b)});
}

// A triangle's smallest height: twice its area over its longest side.
float SmallestHeight(const Mesh& mesh, const Triangle& t) {
    const Vec3& a = mesh.vertices[t.a].position;
    const Vec3& b = mesh.vertices[t.b].position;
    const Vec3& c = mesh.vertices[t.c].position;
    float longest = std::max({Length(b - a), Length(c - b), Length(a - c)});
    return longest > 0 ? Length(Cross(b - a, c - a)) / longest : 0;
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

// The light at every vertex not measured in an earlier round.
void MeasureVertices(const Mesh& mesh, const std::function<Rgb(Vec3, Vec3)>& light,
                     std::vector<Rgb>& lit, std::vector<bool>& known) {
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
}

// The edges of the mesh, which frozen triangles hold, and the probes of the other edges long
// enough to split.
void CollectEdges(const Mesh& mesh, const std::vector<bool>& frozen,
                  const std::vector<uint32_t>& pointOf, float shortestEdge,
                  std::map<EdgeKey, EdgeState>& edges, std::vector<Probe>* probes) {
    std::map<std::pair<EdgeKey, std::pair<uint32_t, uint32_t>>, bool> sides;
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        const Triangle& tri = mesh.triangles[t];
        for (int e = 0; e < 3; ++e) {
            uint32_t a = Corner(tri, e), b = Corner(tri, (e + 1) % 3);
            EdgeKey key = KeyOf(pointOf, a, b);
            EdgeState& state = edges[key];
            if (frozen[t]) {
                state.frozen = true;
                continue;
            }
            if (sides.try_emplace({key, {std::min(a, b), std::max(a, b)}}, true).second) {
                ++state.sides;
            }
            const Vec3& pa = mesh.vertices[a].position;
            const Vec3& pb = mesh.vertices[b].position;
            if (probes && Length(pb - pa) >= shortestEdge) {
                probes->push_back({t, e, {}});
            }
        }
    }
}

// Chooses whole wanted edges in triangle order until the vertex limit is reached.
size_t ChooseEdges(const Mesh& mesh, const std::vector<Probe>& probes,
                   const std::vector<uint32_t>& pointOf, size_t vertexLimit,
                   std::map<EdgeKey, EdgeState>& edges) {
    size_t budget = vertexLimit > mesh.vertices.size() ? vertexLimit - mesh.vertices.size() : 0;
    size_t chosenCount = 0;
    for (const Probe& p : probes) {
        const Triangle& tri = mesh.triangles[p.triangle];
        EdgeState& state =
            edges[KeyOf(pointOf, Corner(tri, p.edge), Corner(tri, (p.edge + 1) % 3))];
        if (!state.wanted || state.frozen || state.chosen ||
            static_cast<size_t>(state.sides) > budget) {
            continue;
        }
        state.chosen = true;
        budget -= state.sides;
        ++chosenCount;
    }
    return chosenCount;
}

// Cuts every unfrozen triangle along its chosen edges. Returns, for every triangle of the
// result, the triangle it was cut from, or SIZE_MAX where it was not cut.
std::vector<size_t> CutChosenEdges(Mesh& mesh, const std::vector<bool>& frozen,
                                   const std::vector<uint32_t>& pointOf,
                                   const std::map<EdgeKey, EdgeState>& edges) {
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
    std::vector<size_t> parent(count, SIZE_MAX);
    for (size_t t = 0; t < count; ++t) {
        if (frozen[t]) {
            continue;
        }
        Triangle tri = mesh.triangles[t];
        uint32_t v[3] = {tri.a, tri.b, tri.c};
        bool cut[3];
        int cuts = 0;
        for (int e = 0; e < 3; ++e) {
            auto it = edges.find(KeyOf(pointOf, v[e], v[(e + 1) % 3]));
            cut[e] = it != edges.end() && it->second.chosen;
            cuts += cut[e];
        }
        if (cuts == 0) {
            continue;
        }
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
        parent[t] = t;
        mesh.triangles[t] = {parts[0][0], parts[0][1], parts[0][2], tri.material};
        for (size_t k = 1; k < parts.size(); ++k) {
            mesh.Tri(parts[k][0], parts[k][1], parts[k][2], tri.material);
            parent.push_back(t);
        }
    }
    return parent;
}

// The cut triangles on either side of a T-junction the cut opened: one of the pieces there
// comes from a cut. Junctions among uncut triangles were there before and stay.
std::vector<size_t> CutsOpeningJunctions(const Mesh& mesh, const std::vector<size_t>& parent) {
    std::vector<size_t> out;
    for (const TJunctionSides& j : FindTJunctions(mesh)) {
        for (const auto* side : {&j.edge, &j.point}) {
            for (size_t t : *side) {
                if (parent[t] != SIZE_MAX) {
                    out.push_back(parent[t]);
                }
            }
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

} // namespace

size_t SubdivideByLight(Mesh& mesh, const std::vector<bool>& frozenIn,
                        const std::function<Rgb(Vec3, Vec3)>& light,
                        const SubdivideOptions& options) {
    std::vector<bool> frozen = frozenIn;
    frozen.resize(mesh.triangles.size(), false);
    std::vector<Rgb> lit;
    std::vector<bool> known;
    size_t splitCount = 0;
    for (int round = 0; round < options.rounds; ++round) {
        MeasureVertices(mesh, light, lit, known);
        for (size_t t = 0; t < mesh.triangles.size(); ++t) {
            if (!frozen[t] && SmallestHeight(mesh, mesh.triangles[t]) < THINNEST) {
                frozen[t] = true;
            }
        }
        const std::vector<uint32_t> pointOf = WeldCorners(mesh);
        std::map<EdgeKey, EdgeState> edges;
        std::vector<Probe> probes;
        CollectEdges(mesh, frozen, pointOf, options.shortestEdge, edges, &probes);
        ParallelFor(probes.size(), 64, [&](size_t begin, size_t end) {
            for (size_t k = begin; k < end; ++k) {
                const Triangle& tri = mesh.triangles[probes[k].triangle];
                int e = probes[k].edge;
                Vertex m = Midpoint(mesh.vertices[Corner(tri, e)],
                                    mesh.vertices[Corner(tri, (e + 1) % 3)]);
                probes[k].light = light(m.position, m.normal);
            }
        });
        std::vector<EdgeKey> wanted;
        for (const Probe& p : probes) {
            const Triangle& tri = mesh.triangles[p.triangle];
            uint32_t a = Corner(tri, p.edge), b = Corner(tri, (p.edge + 1) % 3);
            Rgb mean = (lit[a] + lit[b]) * 0.5f;
            if (Largest(p.light, mean) > options.threshold ||
                Largest(lit[a], lit[b]) > 2 * options.threshold) {
                wanted.push_back(KeyOf(pointOf, a, b));
            }
        }
        // Cut, and where that opens a T-junction (pieces that overlap, or meet along a line
        // without sharing the edge), cut again from the same start with those triangles held.
        const std::vector<Triangle> start = mesh.triangles;
        const size_t startVertices = mesh.vertices.size();
        std::vector<size_t> parent;
        for (;;) {
            for (EdgeKey key : wanted) {
                edges[key].wanted = true;
            }
            if (ChooseEdges(mesh, probes, pointOf, options.vertexLimit, edges) == 0) {
                parent.clear();
                break;
            }
            parent = CutChosenEdges(mesh, frozen, pointOf, edges);
            std::vector<size_t> opening = CutsOpeningJunctions(mesh, parent);
            if (opening.empty()) {
                break;
            }
            mesh.triangles = start;
            mesh.vertices.resize(startVertices);
            for (size_t t : opening) {
                frozen[t] = true;
            }
            edges.clear();
            CollectEdges(mesh, frozen, pointOf, options.shortestEdge, edges, nullptr);
        }
        if (parent.empty()) {
            break;
        }
        for (size_t t = 0; t < start.size(); ++t) {
            splitCount += parent[t] == t;
        }
        frozen.resize(mesh.triangles.size(), false);
    }
    return splitCount;
}

} // namespace levelbuild
