// Face and solid emitters.
#include "geometry.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace levelbuild {

namespace {

std::vector<float> Lines(std::vector<float> extra, float len, float cell) {
    extra.push_back(0);
    extra.push_back(len);
    if (cell > 0) {
        int n = std::max(1, static_cast<int>(std::ceil(len / cell - 1e-3f)));
        for (int i = 1; i < n; ++i) {
            extra.push_back(len * i / n);
        }
    }
    std::vector<float> out;
    for (float v : extra) {
        out.push_back(std::clamp(v, 0.0f, len));
    }
    std::sort(out.begin(), out.end());
    std::vector<float> merged;
    for (float v : out) {
        if (merged.empty() || v - merged.back() > 2e-3f) {
            merged.push_back(v);
        } else if (v == len) {
            merged.back() = len;
        }
    }
    return merged;
}

} // namespace

size_t EmitFace(Mesh& mesh, Vec3 origin, Vec3 U, Vec3 V, float sLen, float tLen,
                std::vector<float> sLines, std::vector<float> tLines,
                const std::vector<Hole>& holes, bool flip, int material, float cell,
                float texScale) {
    size_t first = mesh.triangles.size();
    for (const Hole& h : holes) {
        sLines.push_back(h.s0);
        sLines.push_back(h.s1);
        tLines.push_back(h.t0);
        tLines.push_back(h.t1);
    }
    std::vector<float> ss = Lines(sLines, sLen, cell);
    std::vector<float> ts = Lines(tLines, tLen, cell);
    Vec3 n = Normalize(Cross(U, V));
    if (flip) {
        n = n * -1.0f;
    }
    std::map<std::pair<size_t, size_t>, uint32_t> index;
    auto vertex = [&](size_t i, size_t j) {
        auto key = std::make_pair(i, j);
        auto it = index.find(key);
        if (it != index.end()) {
            return it->second;
        }
        Vertex v;
        v.position = origin + U * ss[i] + V * ts[j];
        v.normal = n;
        WorldUv(v.position, n, texScale, v.u, v.v);
        uint32_t id = mesh.Add(v);
        index[key] = id;
        return id;
    };
    for (size_t j = 0; j + 1 < ts.size(); ++j) {
        for (size_t i = 0; i + 1 < ss.size(); ++i) {
            float sc = (ss[i] + ss[i + 1]) / 2, tc = (ts[j] + ts[j + 1]) / 2;
            bool skip = false;
            for (const Hole& h : holes) {
                if (sc > h.s0 && sc < h.s1 && tc > h.t0 && tc < h.t1) {
                    skip = true;
                }
            }
            if (skip) {
                continue;
            }
            uint32_t a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1),
                     d = vertex(i, j + 1);
            if (!flip) {
                mesh.Tri(a, b, c, material);
                mesh.Tri(a, c, d, material);
            } else {
                mesh.Tri(a, d, c, material);
                mesh.Tri(a, c, b, material);
            }
        }
    }
    return first;
}

void EmitSolidFace(Mesh& mesh, const std::vector<Vec3>& points, Vec3 centroid, int material,
                   float texScale, float cell, bool inward) {
    Vec3 center{};
    for (const Vec3& p : points) {
        center = center + p * (1.0f / points.size());
    }
    Vec3 n = Cross(points[1] - points[0], points[2] - points[0]);
    std::vector<Vec3> p = points;
    if ((Dot(n, center - centroid) < 0) != inward) {
        std::reverse(p.begin(), p.end());
    }
    if (p.size() == 3) {
        Vec3 nn = Normalize(Cross(p[1] - p[0], p[2] - p[0]));
        uint32_t idx[3];
        for (int i = 0; i < 3; ++i) {
            Vertex v;
            v.position = p[i];
            v.normal = nn;
            WorldUv(p[i], nn, texScale, v.u, v.v);
            idx[i] = mesh.Add(v);
        }
        mesh.Tri(idx[0], idx[1], idx[2], material);
        return;
    }
    Vec3 q[4] = {p[0], p[1], p[2], p[3]};
    if (cell > 0) {
        AddGridQuad(mesh, q, material, cell, texScale);
    } else {
        AddQuadWorldUv(mesh, q, material, texScale);
    }
}

void EmitOrientedBox(Mesh& mesh, Vec3 origin, Vec3 A, Vec3 B, Vec3 C, int material, float texScale,
                     int skip, float cell) {
    auto P = [&](int a, int b, int c) {
        return origin + A * static_cast<float>(a) + B * static_cast<float>(b) +
               C * static_cast<float>(c);
    };
    Vec3 centroid = origin + (A + B + C) * 0.5f;
    const int faces[6][4][3] = {
        {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}},
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
    };
    for (int f = 0; f < 6; ++f) {
        if (skip & (1 << f)) {
            continue;
        }
        std::vector<Vec3> q;
        for (int k = 0; k < 4; ++k) {
            q.push_back(P(faces[f][k][0], faces[f][k][1], faces[f][k][2]));
        }
        EmitSolidFace(mesh, q, centroid, material, texScale, cell);
    }
}

void EmitHullSolid(Mesh& hull, const std::vector<Vec3>& corners,
                   const std::vector<std::vector<int>>& faces) {
    Vec3 centroid{};
    for (const Vec3& c : corners) {
        centroid = centroid + c * (1.0f / corners.size());
    }
    uint32_t base = static_cast<uint32_t>(hull.vertices.size());
    for (const Vec3& c : corners) {
        Vertex v;
        v.position = c;
        v.normal = Normalize(c - centroid);
        hull.Add(v);
    }
    for (const std::vector<int>& f : faces) {
        std::vector<int> idx = f;
        Vec3 center{};
        for (int i : idx) {
            center = center + corners[i] * (1.0f / idx.size());
        }
        Vec3 n = Cross(corners[idx[1]] - corners[idx[0]], corners[idx[2]] - corners[idx[0]]);
        if (Dot(n, center - centroid) < 0) {
            std::reverse(idx.begin(), idx.end());
        }
        for (size_t k = 1; k + 1 < idx.size(); ++k) {
            hull.Tri(base + idx[0], base + idx[k], base + idx[k + 1], 0);
        }
    }
}

void EmitHullBox(Mesh& hull, Vec3 origin, Vec3 A, Vec3 B, Vec3 C) {
    std::vector<Vec3> c;
    for (int k = 0; k < 8; ++k) {
        c.push_back(origin + A * static_cast<float>(k & 1) + B * static_cast<float>((k >> 1) & 1) +
                    C * static_cast<float>((k >> 2) & 1));
    }
    EmitHullSolid(
        hull, c,
        {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}});
}

void EmitHullSlab(Mesh& hull, float x0, float z0, float x1, float z1, float y0, float y1,
                  float cell) {
    // Sides and bottom as one box without its top, then the top as a grid so that the
    // floor is made of small faces.
    Vec3 lo{x0, y0, z0};
    EmitHullBox(hull, lo, {x1 - x0, 0, 0}, {0, y1 - y0, 0}, {0, 0, z1 - z0});
    hull.triangles.erase(hull.triangles.end() - 12, hull.triangles.end());
    uint32_t b = static_cast<uint32_t>(hull.vertices.size()) - 8;
    // Keep the box's five lower faces: corners k = a + 2b + 4c (a: x, b: y, c: z).
    auto tri = [&](int p, int q, int r) { hull.Tri(b + p, b + q, b + r, 0); };
    tri(0, 4, 6), tri(0, 6, 2); // x0 side, outward -x
    tri(1, 3, 7), tri(1, 7, 5); // x1 side, outward +x
    tri(0, 1, 5), tri(0, 5, 4); // bottom, outward -y
    tri(0, 2, 3), tri(0, 3, 1); // z0 side, outward -z
    tri(4, 5, 7), tri(4, 7, 6); // z1 side, outward +z
    Vec3 top[4] = {{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}};
    Mesh grid;
    AddGridQuad(grid, top, 0, cell, 1.0f);
    hull.Append(grid);
}

} // namespace levelbuild
