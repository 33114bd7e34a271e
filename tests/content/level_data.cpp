// Loading the built models through D3DX and the geometric queries of the level checks.
#include "level_data.h"

#include "d3dx/d3dx8.h"
#include "support/fake_device.h"
#include "world/object_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace leveltest {

double Length(V3 a) {
    return std::sqrt(Dot(a, a));
}
V3 Normalize(V3 a) {
    double l = Length(a);
    return l > 0 ? a * (1.0 / l) : V3{};
}

LoadedModel LoadModel(const std::string& file) {
    LoadedModel model;
    FakeDevice device;
    LPD3DXBUFFER materials = nullptr;
    DWORD materialCount = 0;
    LPD3DXMESH mesh = nullptr;
    std::string path = std::string(OVREL_DATA_DIR) + "/" + file;
    if (D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, &device, nullptr, &materials,
                          &materialCount, &mesh) != D3D_OK) {
        model.error = "D3DXLoadMeshFromX failed for " + path;
        return model;
    }
    model.fvf = mesh->GetFVF();
    model.stride = D3DXGetFVFVertexSize(model.fvf);
    const DWORD vertices = mesh->GetNumVertices(), faces = mesh->GetNumFaces();
    BYTE* vb = nullptr;
    mesh->LockVertexBuffer(0, &vb);
    bool hasNormal = (model.fvf & D3DFVF_NORMAL) != 0;
    bool hasColor = (model.fvf & D3DFVF_DIFFUSE) != 0;
    for (DWORD v = 0; v < vertices; ++v) {
        const BYTE* p = vb + v * model.stride;
        std::array<float, 3> pos{}, nrm{};
        std::memcpy(pos.data(), p, 12);
        model.positions.push_back(pos);
        if (hasNormal) {
            std::memcpy(nrm.data(), p + 12, 12);
        }
        model.normals.push_back(nrm);
        uint32_t color = 0;
        if (hasColor) {
            std::memcpy(&color, p + (hasNormal ? 24 : 12), 4);
        }
        model.colors.push_back(color);
    }
    mesh->UnlockVertexBuffer();
    BYTE* ib = nullptr;
    mesh->LockIndexBuffer(0, &ib);
    model.indices.resize(faces * 3);
    std::memcpy(model.indices.data(), ib, faces * 3 * sizeof(uint16_t));
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    mesh->LockAttributeBuffer(0, &attributes);
    model.attributes.assign(attributes, attributes + faces);
    mesh->UnlockAttributeBuffer();
    if (materials) {
        auto* records = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
        for (DWORD m = 0; m < materialCount; ++m) {
            model.textures.push_back(records[m].pTextureFilename ? records[m].pTextureFilename
                                                                 : "");
            model.materialAlpha.push_back(records[m].MatD3D.Diffuse.a);
        }
        materials->Release();
    }
    mesh->Release();
    model.loaded = true;
    return model;
}

bool LoadsAsTexture(const std::string& path, unsigned& width, unsigned& height) {
    FakeDevice device;
    LPDIRECT3DTEXTURE8 texture = nullptr;
    if (D3DXCreateTextureFromFileA(&device, path.c_str(), &texture) != D3D_OK || !texture) {
        return false;
    }
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    width = desc.Width;
    height = desc.Height;
    texture->Release();
    return true;
}

double RayTriangle(V3 origin, V3 dir, const Tri& t) {
    V3 e1 = t.b - t.a, e2 = t.c - t.a;
    V3 p = Cross(dir, e2);
    double det = Dot(e1, p);
    if (std::fabs(det) < 1e-12) {
        return -1;
    }
    double inv = 1.0 / det;
    V3 s = origin - t.a;
    double u = Dot(s, p) * inv;
    if (u < 0 || u > 1) {
        return -1;
    }
    V3 q = Cross(s, e1);
    double v = Dot(dir, q) * inv;
    if (v < 0 || u + v > 1) {
        return -1;
    }
    double d = Dot(e2, q) * inv;
    return d >= 0 ? d : -1;
}

double PointTriangleDistance(V3 p, const Tri& t) {
    // Closest point on a triangle (Ericson, Real-Time Collision Detection 5.1.5).
    V3 a = t.a, b = t.b, c = t.c;
    V3 ab = b - a, ac = c - a, ap = p - a;
    double d1 = Dot(ab, ap), d2 = Dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) {
        return Length(p - a);
    }
    V3 bp = p - b;
    double d3 = Dot(ab, bp), d4 = Dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) {
        return Length(p - b);
    }
    double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) {
        double v = d1 / (d1 - d3);
        return Length(p - (a + ab * v));
    }
    V3 cp = p - c;
    double d5 = Dot(ab, cp), d6 = Dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) {
        return Length(p - c);
    }
    double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) {
        double w = d2 / (d2 - d6);
        return Length(p - (a + ac * w));
    }
    double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) {
        double w = (d4 - d3) / ((d4 - d3) + (d5 - d6));
        return Length(p - (b + (c - b) * w));
    }
    double denom = 1.0 / (va + vb + vc);
    double v = vb * denom, w = vc * denom;
    return Length(p - (a + ab * v + ac * w));
}

TriangleGrid::TriangleGrid(std::vector<Tri> triangles, double cell)
    : triangles_(std::move(triangles)), cell_(cell) {
    nx_ = static_cast<int>(std::ceil(50 / cell_));
    nz_ = static_cast<int>(std::ceil(55 / cell_));
    buckets_.resize(static_cast<size_t>(nx_) * nz_);
    for (size_t i = 0; i < triangles_.size(); ++i) {
        const Tri& t = triangles_[i];
        double xlo = std::min({t.a.x, t.b.x, t.c.x}), xhi = std::max({t.a.x, t.b.x, t.c.x});
        double zlo = std::min({t.a.z, t.b.z, t.c.z}), zhi = std::max({t.a.z, t.b.z, t.c.z});
        int i0 = std::clamp(static_cast<int>(std::floor((xlo - x0_) / cell_)), 0, nx_ - 1);
        int i1 = std::clamp(static_cast<int>(std::floor((xhi - x0_) / cell_)), 0, nx_ - 1);
        int k0 = std::clamp(static_cast<int>(std::floor((zlo - z0_) / cell_)), 0, nz_ - 1);
        int k1 = std::clamp(static_cast<int>(std::floor((zhi - z0_) / cell_)), 0, nz_ - 1);
        for (int k = k0; k <= k1; ++k) {
            for (int j = i0; j <= i1; ++j) {
                buckets_[static_cast<size_t>(k) * nx_ + j].push_back(static_cast<uint32_t>(i));
            }
        }
    }
}

std::vector<size_t> TriangleGrid::Near(V3 lo, V3 hi) const {
    std::vector<size_t> out;
    int i0 = std::clamp(static_cast<int>(std::floor((lo.x - x0_) / cell_)), 0, nx_ - 1);
    int i1 = std::clamp(static_cast<int>(std::floor((hi.x - x0_) / cell_)), 0, nx_ - 1);
    int k0 = std::clamp(static_cast<int>(std::floor((lo.z - z0_) / cell_)), 0, nz_ - 1);
    int k1 = std::clamp(static_cast<int>(std::floor((hi.z - z0_) / cell_)), 0, nz_ - 1);
    for (int k = k0; k <= k1; ++k) {
        for (int j = i0; j <= i1; ++j) {
            for (uint32_t t : buckets_[static_cast<size_t>(k) * nx_ + j]) {
                out.push_back(t);
            }
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    std::vector<size_t> kept;
    for (size_t t : out) {
        const Tri& tri = triangles_[t];
        double ylo = std::min({tri.a.y, tri.b.y, tri.c.y}),
               yhi = std::max({tri.a.y, tri.b.y, tri.c.y});
        if (yhi >= lo.y && ylo <= hi.y) {
            kept.push_back(t);
        }
    }
    return kept;
}

double TriangleGrid::Ray(V3 origin, V3 dir, double maxT) const {
    V3 end = origin + dir * maxT;
    V3 lo{std::min(origin.x, end.x), std::min(origin.y, end.y), std::min(origin.z, end.z)};
    V3 hi{std::max(origin.x, end.x), std::max(origin.y, end.y), std::max(origin.z, end.z)};
    double best = -1;
    for (size_t t : Near(lo, hi)) {
        double d = RayTriangle(origin, dir, triangles_[t]);
        if (d >= 0 && d <= maxT && (best < 0 || d < best)) {
            best = d;
        }
    }
    return best;
}

double TriangleGrid::Clearance(V3 p, double reach) const {
    double best = reach + 1;
    V3 r{reach, reach, reach};
    for (size_t t : Near(p - r, p + r)) {
        best = std::min(best, PointTriangleDistance(p, triangles_[t]));
    }
    return best;
}

std::vector<std::pair<double, double>> TriangleGrid::FloorsAt(double x, double z,
                                                              double minNormalY) const {
    std::vector<std::pair<double, double>> floors;
    for (size_t t : Near({x, -1e9, z}, {x, 1e9, z})) {
        const Tri& tri = triangles_[t];
        V3 n = Normalize(Cross(tri.b - tri.a, tri.c - tri.a));
        if (n.y <= minNormalY) {
            continue;
        }
        double d = RayTriangle({x, 1000, z}, {0, -1, 0}, tri);
        if (d >= 0) {
            floors.push_back({1000 - d, n.y});
        }
    }
    std::sort(floors.begin(), floors.end());
    return floors;
}

bool BoxTouchesTriangle(const Obb& box, const Tri& t) {
    V3 v[3] = {t.a - box.centre, t.b - box.centre, t.c - box.centre};
    V3 e[3] = {v[1] - v[0], v[2] - v[1], v[0] - v[2]};
    auto separated = [&](V3 axis) {
        double len = Length(axis);
        if (len < 1e-12) {
            return false;
        }
        double p0 = Dot(v[0], axis), p1 = Dot(v[1], axis), p2 = Dot(v[2], axis);
        double r = 0;
        for (int i = 0; i < 3; ++i) {
            r += box.half[i] * std::fabs(Dot(box.axis[i], axis));
        }
        return std::min({p0, p1, p2}) > r || std::max({p0, p1, p2}) < -r;
    };
    for (int i = 0; i < 3; ++i) {
        if (separated(box.axis[i])) {
            return false;
        }
    }
    if (separated(Cross(e[0], e[1]))) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (separated(Cross(box.axis[i], e[j]))) {
                return false;
            }
        }
    }
    return true;
}

V3 ObjectCorner(int object, double openAmount, double cx, double cy, double cz) {
    const ObjectTableEntry& o = OBJECT_TABLE[object];
    double angle = (o.closedAngle + (o.openAngle - o.closedAngle) * openAmount) * M_PI / 180.0;
    V3 along{std::cos(angle), 0, std::sin(angle)};
    V3 across{-std::sin(angle), 0, std::cos(angle)};
    V3 hinge{o.position.x, o.position.y, o.position.z};
    V3 slide = V3{o.slideOffset.x, o.slideOffset.y, o.slideOffset.z} * openAmount;
    return hinge + slide + along * (cx * o.size.x - o.size.z / 2) + V3{0, cy * o.size.y, 0} +
           across * (cz * o.size.z - o.size.z / 2);
}

Obb ObjectObb(int object, double openAmount, double shrink) {
    const ObjectTableEntry& o = OBJECT_TABLE[object];
    V3 c0 = ObjectCorner(object, openAmount, 0, 0, 0);
    V3 c1 = ObjectCorner(object, openAmount, 1, 1, 1);
    Obb box;
    box.centre = (c0 + c1) * 0.5;
    double angle = (o.closedAngle + (o.openAngle - o.closedAngle) * openAmount) * M_PI / 180.0;
    box.axis[0] = {std::cos(angle), 0, std::sin(angle)};
    box.axis[1] = {0, 1, 0};
    box.axis[2] = {-std::sin(angle), 0, std::cos(angle)};
    box.half[0] = std::max(0.0, o.size.x / 2 - shrink);
    box.half[1] = std::max(0.0, o.size.y / 2 - shrink);
    box.half[2] = std::max(0.0, o.size.z / 2 - shrink);
    return box;
}

} // namespace leveltest
