// Mesh construction helpers: quads, gridded quads and boxes with planar texture mapping.
#include "mesh.h"

#include <algorithm>

namespace levelbuild {

void Mesh::Append(const Mesh& other) {
    uint32_t base = static_cast<uint32_t>(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    for (const Triangle& t : other.triangles) {
        triangles.push_back({t.a + base, t.b + base, t.c + base, t.material});
    }
}

void WorldUv(Vec3 p, Vec3 n, float texScale, float& u, float& v) {
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ay >= ax && ay >= az) {
        u = p.x;
        v = -p.z;
    } else if (ax >= az) {
        u = n.x > 0 ? -p.z : p.z;
        v = -p.y;
    } else {
        u = n.z > 0 ? p.x : -p.x;
        v = -p.y;
    }
    u *= texScale;
    v *= texScale;
}

void AddQuad(Mesh& mesh, const Vec3 p[4], const float uv[4][2], int material) {
    Vec3 n = Normalize(Cross(p[1] - p[0], p[2] - p[0]));
    uint32_t idx[4];
    for (int i = 0; i < 4; ++i) {
        Vertex v;
        v.position = p[i];
        v.normal = n;
        v.u = uv[i][0];
        v.v = uv[i][1];
        idx[i] = mesh.Add(v);
    }
    mesh.Tri(idx[0], idx[1], idx[2], material);
    mesh.Tri(idx[0], idx[2], idx[3], material);
}

void AddQuadWorldUv(Mesh& mesh, const Vec3 p[4], int material, float texScale) {
    Vec3 n = Normalize(Cross(p[1] - p[0], p[2] - p[0]));
    float uv[4][2];
    for (int i = 0; i < 4; ++i) {
        WorldUv(p[i], n, texScale, uv[i][0], uv[i][1]);
    }
    AddQuad(mesh, p, uv, material);
}

void AddGridQuad(Mesh& mesh, const Vec3 p[4], int material, float cell, float texScale) {
    Vec3 e1 = p[1] - p[0];
    Vec3 e3 = p[3] - p[0];
    int nu = cell > 0 ? std::max(1, static_cast<int>(std::ceil(Length(e1) / cell - 1e-3f))) : 1;
    int nv = cell > 0 ? std::max(1, static_cast<int>(std::ceil(Length(e3) / cell - 1e-3f))) : 1;
    Vec3 n = Normalize(Cross(p[1] - p[0], p[2] - p[0]));
    uint32_t base = static_cast<uint32_t>(mesh.vertices.size());
    for (int j = 0; j <= nv; ++j) {
        for (int i = 0; i <= nu; ++i) {
            float s = static_cast<float>(i) / nu, t = static_cast<float>(j) / nv;
            // Bilinear so that non-rectangular quads still close up at their corners.
            Vec3 a = p[0] + (p[1] - p[0]) * s;
            Vec3 b = p[3] + (p[2] - p[3]) * s;
            Vertex v;
            v.position = a + (b - a) * t;
            v.normal = n;
            WorldUv(v.position, n, texScale, v.u, v.v);
            mesh.Add(v);
        }
    }
    for (int j = 0; j < nv; ++j) {
        for (int i = 0; i < nu; ++i) {
            uint32_t i0 = base + j * (nu + 1) + i;
            uint32_t i1 = i0 + 1;
            uint32_t i3 = i0 + (nu + 1);
            uint32_t i2 = i3 + 1;
            mesh.Tri(i0, i1, i2, material);
            mesh.Tri(i0, i2, i3, material);
        }
    }
}

void AddBox(Mesh& mesh, Vec3 lo, Vec3 hi, int material, float texScale, int skipFaces, float cell) {
    // Corners listed so that each face is clockwise seen from outside (front in a
    // left-handed, y-up world).
    const Vec3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z},
                       {lo.x, hi.y, lo.z}, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z},
                       {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    const int faces[6][4] = {
        {4, 7, 3, 0}, // -x
        {1, 2, 6, 5}, // +x
        {4, 0, 1, 5}, // -y
        {3, 7, 6, 2}, // +y
        {0, 3, 2, 1}, // -z
        {5, 6, 7, 4}, // +z
    };
    for (int f = 0; f < 6; ++f) {
        if (skipFaces & (1 << f)) {
            continue;
        }
        Vec3 q[4] = {c[faces[f][0]], c[faces[f][1]], c[faces[f][2]], c[faces[f][3]]};
        if (cell > 0) {
            AddGridQuad(mesh, q, material, cell, texScale);
        } else {
            AddQuadWorldUv(mesh, q, material, texScale);
        }
    }
}

} // namespace levelbuild
