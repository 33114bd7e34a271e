// Seam finding and T-junction splitting over a spatial hash of the model's corner points.
#include "mesh_seams.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <sstream>
#include <unordered_map>
#include <utility>

namespace levelbuild {

namespace {

struct CellKey {
    int64_t x, y, z;
    bool operator==(const CellKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct CellHash {
    size_t operator()(const CellKey& k) const {
        uint64_t h = static_cast<uint64_t>(k.x) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<uint64_t>(k.y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
        h ^= static_cast<uint64_t>(k.z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
        return static_cast<size_t>(h);
    }
};

// Points in a uniform grid; lookups visit the cells a box overlaps.
class PointGrid {
  public:
    explicit PointGrid(float cell) : cell_(cell) {}

    CellKey KeyOf(Vec3 p) const {
        return {static_cast<int64_t>(std::floor(p.x / cell_)),
                static_cast<int64_t>(std::floor(p.y / cell_)),
                static_cast<int64_t>(std::floor(p.z / cell_))};
    }
    void Insert(Vec3 p, uint32_t id) { cells_[KeyOf(p)].push_back(id); }

    template <typename Visit> void ForEachNear(Vec3 lo, Vec3 hi, Visit visit) const {
        CellKey a = KeyOf(lo), b = KeyOf(hi);
        for (int64_t x = a.x; x <= b.x; ++x) {
            for (int64_t y = a.y; y <= b.y; ++y) {
                for (int64_t z = a.z; z <= b.z; ++z) {
                    auto it = cells_.find({x, y, z});
                    if (it == cells_.end()) {
                        continue;
                    }
                    for (uint32_t id : it->second) {
                        visit(id);
                    }
                }
            }
        }
    }

  private:
    float cell_;
    std::unordered_map<CellKey, std::vector<uint32_t>, CellHash> cells_;
};

// The distinct corner points of a mesh: every vertex maps to the first point within the
// tolerance of it.
struct WeldedPoints {
    std::vector<Vec3> points;
    std::vector<uint32_t> pointOf; // per vertex
    PointGrid grid{0.5f};
};

WeldedPoints Weld(const Mesh& mesh, const std::vector<bool>& used) {
    WeldedPoints w;
    PointGrid fine(SEAM_TOLERANCE * 4);
    Vec3 tol{SEAM_TOLERANCE, SEAM_TOLERANCE, SEAM_TOLERANCE};
    w.pointOf.assign(mesh.vertices.size(), UINT32_MAX);
    for (size_t v = 0; v < mesh.vertices.size(); ++v) {
        if (!used[v]) {
            continue;
        }
        Vec3 p = mesh.vertices[v].position;
        uint32_t found = UINT32_MAX;
        fine.ForEachNear(p - tol, p + tol, [&](uint32_t id) {
            if (id < found && Length(w.points[id] - p) <= SEAM_TOLERANCE) {
                found = id;
            }
        });
        if (found == UINT32_MAX) {
            found = static_cast<uint32_t>(w.points.size());
            w.points.push_back(p);
            fine.Insert(p, found);
            w.grid.Insert(p, found);
        }
        w.pointOf[v] = found;
    }
    return w;
}

struct EdgePoint {
    float t;
    uint32_t point;
};

// Points lying inside the segment from point a to point b (not at its ends), by distance
// from a.
std::vector<EdgePoint> PointsInside(const WeldedPoints& w, uint32_t a, uint32_t b) {
    std::vector<EdgePoint> out;
    Vec3 pa = w.points[a], pb = w.points[b];
    Vec3 d = pb - pa;
    float len = Length(d);
    if (len <= 2 * SEAM_TOLERANCE) {
        return out;
    }
    Vec3 lo{std::min(pa.x, pb.x), std::min(pa.y, pb.y), std::min(pa.z, pb.z)};
    Vec3 hi{std::max(pa.x, pb.x), std::max(pa.y, pb.y), std::max(pa.z, pb.z)};
    Vec3 tol{SEAM_TOLERANCE, SEAM_TOLERANCE, SEAM_TOLERANCE};
    w.grid.ForEachNear(lo - tol, hi + tol, [&](uint32_t id) {
        if (id == a || id == b) {
            return;
        }
        Vec3 q = w.points[id];
        float along = Dot(q - pa, d) / len;
        if (along <= SEAM_TOLERANCE || along >= len - SEAM_TOLERANCE) {
            return;
        }
        if (Length(pa + d * (along / len) - q) < SEAM_TOLERANCE) {
            out.push_back({along / len, id});
        }
    });
    std::sort(out.begin(), out.end(), [](const EdgePoint& x, const EdgePoint& y) {
        return x.t < y.t || (x.t == y.t && x.point < y.point);
    });
    return out;
}

Vertex Lerp(const Vertex& a, const Vertex& b, float t) {
    Vertex v;
    v.position = a.position + (b.position - a.position) * t;
    v.normal = Normalize(a.normal + (b.normal - a.normal) * t);
    v.u = a.u + (b.u - a.u) * t;
    v.v = a.v + (b.v - a.v) * t;
    uint32_t color = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        float ca = static_cast<float>((a.color >> shift) & 0xFF);
        float cb = static_cast<float>((b.color >> shift) & 0xFF);
        color |= static_cast<uint32_t>(std::lround(ca + (cb - ca) * t)) << shift;
    }
    v.color = color;
    return v;
}

float TwiceArea(const Mesh& mesh, uint32_t a, uint32_t b, uint32_t c) {
    return Length(Cross(mesh.vertices[b].position - mesh.vertices[a].position,
                        mesh.vertices[c].position - mesh.vertices[a].position));
}

float TwicePolygonArea(const Mesh& mesh, const std::vector<uint32_t>& loop) {
    Vec3 sum{};
    for (size_t k = 1; k + 1 < loop.size(); ++k) {
        sum = sum + Cross(mesh.vertices[loop[k]].position - mesh.vertices[loop[0]].position,
                          mesh.vertices[loop[k + 1]].position - mesh.vertices[loop[0]].position);
    }
    return Length(sum);
}

// Triangulates a triangle's outline with corners inserted into its edges, using only those
// corners: no new point inside the face, which could land on the edge of a coplanar face
// lying over it. Each ear cut off has area and leaves an outline that still has some, so no
// triangle is degenerate.
template <typename Clear, typename Emit>
void ClipEars(const Mesh& mesh, std::vector<uint32_t> loop, Clear diagonalClear, Emit emit) {
    while (loop.size() > 3) {
        size_t n = loop.size(), best = n;
        float total = TwicePolygonArea(mesh, loop);
        // Relative, so that rounding in an ear as large as the whole outline does not pass
        // for a remainder with area.
        const float minArea = total * 1e-4f;
        float bestArea = 0;
        bool bestClear = false;
        for (size_t i = 0; i < n; ++i) {
            uint32_t prev = loop[(i + n - 1) % n], next = loop[(i + 1) % n];
            float ear = TwiceArea(mesh, prev, loop[i], next);
            if (ear <= minArea || total - ear <= minArea) {
                continue;
            }
            // The largest ear keeps the new triangles as far from slivers as the outline
            // allows; better still one whose new edge passes no other corner, which would be
            // a T-junction of its own in a long, thin face.
            bool clear = diagonalClear(prev, next);
            if ((clear && !bestClear) || (clear == bestClear && ear > bestArea)) {
                best = i;
                bestArea = ear;
                bestClear = clear;
            }
        }
        if (best == n) {
            break; // only slivers left: keep the rest as one fan
        }
        emit(loop[(best + n - 1) % n], loop[best], loop[(best + 1) % n]);
        loop.erase(loop.begin() + static_cast<long>(best));
    }
    for (size_t k = 1; k + 1 < loop.size(); ++k) {
        emit(loop[0], loop[k], loop[k + 1]);
    }
}

std::vector<bool> UsedVertices(const Mesh& mesh, size_t skipFirst, size_t skipEnd) {
    std::vector<bool> used(mesh.vertices.size(), false);
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        if (t >= skipFirst && t < skipEnd) {
            continue;
        }
        const Triangle& tri = mesh.triangles[t];
        used[tri.a] = used[tri.b] = used[tri.c] = true;
    }
    return used;
}

// The welded corners of the counted triangles, the triangles using each edge between two
// corners and each corner's neighbours along those edges.
struct SeamGraph {
    WeldedPoints w;
    std::map<std::pair<uint32_t, uint32_t>, std::vector<size_t>> uses;
    std::map<uint32_t, std::vector<uint32_t>> neighbours;
};

SeamGraph BuildSeamGraph(const Mesh& mesh, size_t skipFirst, size_t skipEnd) {
    SeamGraph g{Weld(mesh, UsedVertices(mesh, skipFirst, skipEnd)), {}, {}};
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        if (t >= skipFirst && t < skipEnd) {
            continue;
        }
        const Triangle& tri = mesh.triangles[t];
        uint32_t p[3] = {g.w.pointOf[tri.a], g.w.pointOf[tri.b], g.w.pointOf[tri.c]};
        for (int e = 0; e < 3; ++e) {
            uint32_t a = p[e], b = p[(e + 1) % 3];
            if (a != b) {
                g.uses[{std::min(a, b), std::max(a, b)}].push_back(t);
            }
        }
    }
    for (const auto& [edge, users] : g.uses) {
        g.neighbours[edge.first].push_back(edge.second);
        g.neighbours[edge.second].push_back(edge.first);
    }
    return g;
}

// Visits every edge with a corner inside it that is a crack: one of the corner's own edges
// runs along that edge (a corner that only lies close to a long diagonal across a face is
// not), and no triangle on the edge has the corner as its third corner (such a sliver fills
// the gap between the edge and the corner's pieces).
template <typename Visit> void ForEachTJunction(const Mesh& mesh, const SeamGraph& g, Visit visit) {
    auto runsAlong = [&](uint32_t point, uint32_t a, uint32_t b) {
        Vec3 pa = g.w.points[a], d = Normalize(g.w.points[b] - pa);
        for (uint32_t q : g.neighbours.at(point)) {
            Vec3 rel = g.w.points[q] - pa;
            if (Length(rel - d * Dot(rel, d)) < SEAM_TOLERANCE) {
                return true;
            }
        }
        return false;
    };
    auto filled = [&](const std::vector<size_t>& users, uint32_t point) {
        for (size_t t : users) {
            const Triangle& tri = mesh.triangles[t];
            if (g.w.pointOf[tri.a] == point || g.w.pointOf[tri.b] == point ||
                g.w.pointOf[tri.c] == point) {
                return true;
            }
        }
        return false;
    };
    for (const auto& [edge, users] : g.uses) {
        for (const EdgePoint& p : PointsInside(g.w, edge.first, edge.second)) {
            if (g.neighbours.count(p.point) && runsAlong(p.point, edge.first, edge.second) &&
                !filled(users, p.point)) {
                visit(users, p.point);
            }
        }
    }
}

} // namespace

std::vector<uint32_t> WeldCorners(const Mesh& mesh) {
    return Weld(mesh, std::vector<bool>(mesh.vertices.size(), true)).pointOf;
}

SeamCount CountSeams(const Mesh& mesh, size_t skipFirst, size_t skipEnd) {
    SeamGraph g = BuildSeamGraph(mesh, skipFirst, skipEnd);
    SeamCount count;
    for (const auto& [edge, users] : g.uses) {
        count.openEdges += users.size() == 1;
    }
    ForEachTJunction(mesh, g, [&](const std::vector<size_t>&, uint32_t) { ++count.tJunctions; });
    return count;
}

std::vector<TJunctionSides> FindTJunctions(const Mesh& mesh) {
    SeamGraph g = BuildSeamGraph(mesh, 0, 0);
    std::vector<std::vector<size_t>> atPoint(g.w.points.size());
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        const Triangle& tri = mesh.triangles[t];
        for (uint32_t v : {tri.a, tri.b, tri.c}) {
            std::vector<size_t>& list = atPoint[g.w.pointOf[v]];
            if (list.empty() || list.back() != t) {
                list.push_back(t);
            }
        }
    }
    std::vector<TJunctionSides> out;
    ForEachTJunction(mesh, g, [&](const std::vector<size_t>& users, uint32_t point) {
        out.push_back({users, atPoint[point]});
    });
    return out;
}

size_t SplitTJunctions(Mesh& mesh, std::vector<bool>* flags) {
    WeldedPoints w = Weld(mesh, UsedVertices(mesh, 0, 0));
    // A corner inserted into an edge is one new vertex for every triangle on that edge that
    // interpolates the same two vertices.
    std::map<std::pair<std::pair<uint32_t, uint32_t>, uint32_t>, uint32_t> inserted;
    std::vector<Triangle> out;
    std::vector<bool> outFlags;
    size_t split = 0;
    const std::vector<Triangle> triangles = mesh.triangles;
    for (size_t t = 0; t < triangles.size(); ++t) {
        const Triangle tri = triangles[t];
        const bool flag = flags && (*flags)[t];
        uint32_t corner[3] = {tri.a, tri.b, tri.c};
        std::vector<uint32_t> loop;
        bool anyPoint = false;
        for (int e = 0; e < 3; ++e) {
            uint32_t va = corner[e], vb = corner[(e + 1) % 3];
            loop.push_back(va);
            std::vector<EdgePoint> inside = PointsInside(w, w.pointOf[va], w.pointOf[vb]);
            for (const EdgePoint& p : inside) {
                if (p.point == w.pointOf[corner[(e + 2) % 3]]) {
                    continue; // a degenerate triangle's own third corner
                }
                auto key = std::make_pair(std::make_pair(va, vb), p.point);
                auto it = inserted.find(key);
                if (it == inserted.end()) {
                    Vertex v = Lerp(mesh.vertices[va], mesh.vertices[vb], p.t);
                    v.position = w.points[p.point];
                    it = inserted.emplace(key, mesh.Add(v)).first;
                    w.pointOf.push_back(p.point);
                    inserted[{{vb, va}, p.point}] = it->second;
                }
                loop.push_back(it->second);
                anyPoint = true;
            }
        }
        auto emit = [&](uint32_t a, uint32_t b, uint32_t c) {
            out.push_back({a, b, c, tri.material});
            outFlags.push_back(flag);
        };
        if (!anyPoint) {
            emit(tri.a, tri.b, tri.c);
            continue;
        }
        ++split;
        auto clear = [&](uint32_t a, uint32_t b) {
            return PointsInside(w, w.pointOf[a], w.pointOf[b]).empty();
        };
        ClipEars(mesh, loop, clear, emit);
    }
    mesh.triangles = out;
    if (flags) {
        *flags = outFlags;
    }
    return split;
}

std::string SeamReport(const std::string& model, SeamCount found, SeamCount allowed) {
    std::ostringstream s;
    s << model << ": " << found.openEdges << " open edges (" << allowed.openEdges << " allowed), "
      << found.tJunctions << " T-junctions (" << allowed.tJunctions << " allowed)";
    return s.str();
}

} // namespace levelbuild
