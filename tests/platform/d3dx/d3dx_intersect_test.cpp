// D3DXIntersect against hand-placed triangles: hits from both sides, a hit at distance 0,
// hits on a corner, nothing behind the origin or edge-on, distances in units of the
// direction, barycentric u and v, and vertices rewritten between casts.
#include "support/fake_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

struct Tri {
    float a[3], b[3], c[3];
};

LPD3DXMESH MakeMesh(FakeDevice& device, const std::vector<Tri>& triangles, DWORD options) {
    LPD3DXMESH mesh = nullptr;
    const auto faces = static_cast<DWORD>(triangles.size());
    EXPECT_EQ(
        D3DXCreateMeshFVF(faces, faces * 3, options, D3DFVF_XYZ | D3DFVF_NORMAL, &device, &mesh),
        D3D_OK);
    BYTE* vertices = nullptr;
    BYTE* indices = nullptr;
    mesh->LockVertexBuffer(0, &vertices);
    mesh->LockIndexBuffer(0, &indices);
    for (DWORD f = 0; f < faces; ++f) {
        std::memcpy(vertices + (3 * f) * 24, triangles[f].a, 12);
        std::memcpy(vertices + (3 * f + 1) * 24, triangles[f].b, 12);
        std::memcpy(vertices + (3 * f + 2) * 24, triangles[f].c, 12);
        for (DWORD k = 0; k < 3; ++k) {
            if (options & D3DXMESH_32BIT) {
                const uint32_t index = 3 * f + k;
                std::memcpy(indices + 4 * (3 * f + k), &index, 4);
            } else {
                const auto index = static_cast<uint16_t>(3 * f + k);
                std::memcpy(indices + 2 * (3 * f + k), &index, 2);
            }
        }
    }
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();
    return mesh;
}

// The ray runs from (0.25, 0.125, 0) along (0, 0, 2): a distance d reaches z = 2d.
const std::vector<Tri> SCENE = {
    {{0, 0, 5}, {1, 0, 5}, {0, 1, 5}},                   // 0: crossed at z 5, d 2.5
    {{0, 0, -5}, {1, 0, -5}, {0, 1, -5}},                // 1: behind the origin
    {{0.25f, 0, 1}, {0.25f, 1, 1}, {0.25f, 0.25f, 9}},   // 2: the ray lies in its plane
    {{0, 0, 10}, {0, 1, 10}, {1, 0, 10}},                // 3: wound the other way, d 5
    {{2, 2, 7}, {3, 2, 7}, {2, 3, 7}},                   // 4: beside the ray
    {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},                   // 5: through the origin, d 0
    {{0.25f, 0.125f, 4}, {1, 0.125f, 4}, {0.25f, 1, 4}}, // 6: corner on the ray, d 2
    {{0, 0, 6}, {0, 0, 6}, {1, 1, 6}},                   // 7: collapsed to a line
};

TEST(D3DXIntersect, CountsEveryFaceCrossedAheadFromEitherSide) {
    FakeDevice device;
    for (DWORD options : {D3DXMESH_SYSTEMMEM, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT}) {
        LPD3DXMESH mesh = MakeMesh(device, SCENE, options);
        const D3DXVECTOR3 origin(0.25f, 0.125f, 0.0f), direction(0.0f, 0.0f, 2.0f);
        BOOL hit = FALSE;
        DWORD face = 99, count = 0;
        float u = -1, v = -1, dist = -1;
        LPD3DXBUFFER all = nullptr;
        ASSERT_EQ(
            D3DXIntersect(mesh, &origin, &direction, &hit, &face, &u, &v, &dist, &all, &count),
            D3D_OK);
        EXPECT_TRUE(hit);
        EXPECT_EQ(face, 5u); // the nearest, at distance 0
        EXPECT_EQ(dist, 0.0f);
        ASSERT_EQ(count, 4u);
        ASSERT_NE(all, nullptr);
        ASSERT_EQ(all->GetBufferSize(), 4u * 16u);
        const auto* records = static_cast<const D3DXINTERSECTINFO*>(all->GetBufferPointer());
        const DWORD faces[4] = {0, 3, 5, 6};
        const float distances[4] = {2.5f, 5.0f, 0.0f, 2.0f};
        // u weighs the second corner, v the third: face 0 has them along x and y, face 3
        // along y and x, face 6 is hit on its first corner.
        const float us[4] = {0.25f, 0.125f, 0.25f, 0.0f};
        const float vs[4] = {0.125f, 0.25f, 0.125f, 0.0f};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(records[i].FaceIndex, faces[i]) << i;
            EXPECT_FLOAT_EQ(records[i].Dist, distances[i]) << i;
            EXPECT_NEAR(records[i].U, us[i], 1e-6) << i;
            EXPECT_NEAR(records[i].V, vs[i], 1e-6) << i;
        }
        all->Release();
        mesh->Release();
    }
}

TEST(D3DXIntersect, MissesGiveZeroHitsAndAnEmptyBuffer) {
    FakeDevice device;
    LPD3DXMESH mesh = MakeMesh(device, SCENE, D3DXMESH_SYSTEMMEM);
    const D3DXVECTOR3 origin(0.25f, 0.25f, -1.0f), away(0.0f, 0.0f, -1.0f);
    BOOL hit = TRUE;
    DWORD count = 7;
    LPD3DXBUFFER all = nullptr;
    ASSERT_EQ(
        D3DXIntersect(mesh, &origin, &away, &hit, nullptr, nullptr, nullptr, nullptr, &all, &count),
        D3D_OK);
    // Face 1 lies at z -5, 4 units along this ray: the only hit.
    EXPECT_EQ(count, 1u);
    all->Release();
    const D3DXVECTOR3 aside(5.0f, 5.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    ASSERT_EQ(
        D3DXIntersect(mesh, &aside, &up, &hit, nullptr, nullptr, nullptr, nullptr, &all, &count),
        D3D_OK);
    EXPECT_FALSE(hit);
    EXPECT_EQ(count, 0u);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->GetBufferSize(), 0u);
    all->Release();
    const D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f);
    ASSERT_EQ(D3DXIntersect(mesh, &origin, &zero, &hit, nullptr, nullptr, nullptr, nullptr, nullptr,
                            &count),
              D3D_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(D3DXIntersect(nullptr, &origin, &up, &hit, nullptr, nullptr, nullptr, nullptr,
                            nullptr, &count),
              D3DERR_INVALIDCALL);
    mesh->Release();
}

TEST(D3DXIntersect, SeesVerticesRewrittenBetweenCasts) {
    FakeDevice device;
    LPD3DXMESH mesh = MakeMesh(device, {SCENE[0]}, D3DXMESH_SYSTEMMEM);
    const D3DXVECTOR3 origin(0.25f, 0.25f, 0.0f), direction(0.0f, 0.0f, 1.0f);
    float dist = 0;
    DWORD count = 0;
    D3DXIntersect(mesh, &origin, &direction, nullptr, nullptr, nullptr, nullptr, &dist, nullptr,
                  &count);
    EXPECT_EQ(count, 1u);
    EXPECT_FLOAT_EQ(dist, 5.0f);
    // Move the triangle to z 8 through the vertex buffer, as the engine moves doors.
    LPDIRECT3DVERTEXBUFFER8 vb = nullptr;
    mesh->GetVertexBuffer(&vb);
    BYTE* vertices = nullptr;
    vb->Lock(0, 0, &vertices, 0);
    const float z = 8.0f;
    for (int k = 0; k < 3; ++k)
        std::memcpy(vertices + 24 * k + 8, &z, 4);
    vb->Unlock();
    vb->Release();
    D3DXIntersect(mesh, &origin, &direction, nullptr, nullptr, nullptr, nullptr, &dist, nullptr,
                  &count);
    EXPECT_EQ(count, 1u);
    EXPECT_FLOAT_EQ(dist, 8.0f);

    // A buffer pointer held across casts: writes through it show, also after its release.
    mesh->GetVertexBuffer(&vb);
    D3DXIntersect(mesh, &origin, &direction, nullptr, nullptr, nullptr, nullptr, &dist, nullptr,
                  &count);
    EXPECT_FLOAT_EQ(dist, 8.0f);
    for (const float depth : {3.0f, 6.0f}) {
        vb->Lock(0, 0, &vertices, 0);
        for (int k = 0; k < 3; ++k)
            std::memcpy(vertices + 24 * k + 8, &depth, 4);
        vb->Unlock();
        if (depth == 6.0f)
            vb->Release();
        D3DXIntersect(mesh, &origin, &direction, nullptr, nullptr, nullptr, nullptr, &dist, nullptr,
                      &count);
        EXPECT_FLOAT_EQ(dist, depth);
    }
    mesh->Release();
}

// Forwards to a mesh of the layer while hiding it, so the ray cast tests face by face.
class ForeignMesh final : public ID3DXBaseMesh {
  public:
    explicit ForeignMesh(ID3DXBaseMesh* inner) : mesh(inner) {}
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT DrawSubset(DWORD a) override { return mesh->DrawSubset(a); }
    DWORD GetNumFaces() override { return mesh->GetNumFaces(); }
    DWORD GetNumVertices() override { return mesh->GetNumVertices(); }
    DWORD GetFVF() override { return mesh->GetFVF(); }
    DWORD GetOptions() override { return mesh->GetOptions(); }
    HRESULT GetDevice(LPDIRECT3DDEVICE8* d) override { return mesh->GetDevice(d); }
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* vb) override {
        return mesh->GetVertexBuffer(vb);
    }
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* ib) override { return mesh->GetIndexBuffer(ib); }
    HRESULT LockVertexBuffer(DWORD f, BYTE** p) override { return mesh->LockVertexBuffer(f, p); }
    HRESULT UnlockVertexBuffer() override { return mesh->UnlockVertexBuffer(); }
    HRESULT LockIndexBuffer(DWORD f, BYTE** p) override { return mesh->LockIndexBuffer(f, p); }
    HRESULT UnlockIndexBuffer() override { return mesh->UnlockIndexBuffer(); }

  private:
    ID3DXBaseMesh* mesh;
};

std::vector<D3DXINTERSECTINFO> AllHits(ID3DXBaseMesh* mesh, const D3DXVECTOR3& origin,
                                       const D3DXVECTOR3& dir) {
    LPD3DXBUFFER buffer = nullptr;
    DWORD count = 0;
    EXPECT_EQ(D3DXIntersect(mesh, &origin, &dir, nullptr, nullptr, nullptr, nullptr, nullptr,
                            &buffer, &count),
              D3D_OK);
    const auto* records = static_cast<const D3DXINTERSECTINFO*>(buffer->GetBufferPointer());
    std::vector<D3DXINTERSECTINFO> hits(records, records + count);
    buffer->Release();
    return hits;
}

// The face hierarchy of the layer's meshes finds exactly what a face-by-face test finds,
// before and after vertices move and indices change.
TEST(D3DXIntersect, HierarchyAgreesWithTestingEveryFace) {
    FakeDevice device;
    LPD3DXMESH mesh = nullptr;
    const std::string path = std::string(OVREL_CORPUS_DIR) + "/x/tiny.x";
    ASSERT_EQ(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, &device, nullptr, nullptr,
                                nullptr, &mesh),
              D3D_OK);
    ForeignMesh foreign(mesh);
    uint32_t seed = 7;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    };
    size_t total = 0;
    for (int round = 0; round < 3; ++round) {
        for (int ray = 0; ray < 150; ++ray) {
            const D3DXVECTOR3 origin(next() * 400, next() * 200, next() * 500);
            const D3DXVECTOR3 dir(next(), next(), next());
            const std::vector<D3DXINTERSECTINFO> fast = AllHits(mesh, origin, dir);
            const std::vector<D3DXINTERSECTINFO> slow = AllHits(&foreign, origin, dir);
            ASSERT_EQ(fast.size(), slow.size()) << "round " << round << " ray " << ray;
            for (size_t i = 0; i < fast.size(); ++i) {
                EXPECT_EQ(fast[i].FaceIndex, slow[i].FaceIndex);
                EXPECT_EQ(fast[i].Dist, slow[i].Dist);
            }
            total += fast.size();
        }
        BYTE* bytes = nullptr;
        if (round == 0) {
            // Move every vertex 30 units up.
            mesh->LockVertexBuffer(0, &bytes);
            const UINT stride = D3DXGetFVFVertexSize(mesh->GetFVF());
            for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
                float y;
                std::memcpy(&y, bytes + v * stride + 4, 4);
                y += 30.0f;
                std::memcpy(bytes + v * stride + 4, &y, 4);
            }
            mesh->UnlockVertexBuffer();
        } else if (round == 1) {
            // Reverse the face order.
            mesh->LockIndexBuffer(0, &bytes);
            const DWORD faces = mesh->GetNumFaces();
            for (DWORD f = 0; f < faces / 2; ++f)
                for (int k = 0; k < 3; ++k)
                    std::swap(reinterpret_cast<uint16_t*>(bytes)[3 * f + k],
                              reinterpret_cast<uint16_t*>(bytes)[3 * (faces - 1 - f) + k]);
            mesh->UnlockIndexBuffer();
        }
    }
    EXPECT_GT(total, 100u); // the rays do cross the model
    mesh->Release();
}

} // namespace
