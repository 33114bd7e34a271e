// Large indexed draws sent without their chunks out of view give the very pixels of the whole
// draw: from every side of a ring of quads around the eye, with quads behind it, beyond the far
// plane, across the near plane and the screen's edges, and after the vertices move.
#include "d3d8_test_util.h"

#include <cmath>
#include <cstring>

using namespace d3d8test;

namespace {

constexpr int QUADS = 240;

// Quad k of the ring: around the eye at a distance that runs from inside the near plane to
// beyond the far one, at heights across the top and bottom edges, turned by spin.
void WriteRing(ColourVertex* v, float spin) {
    for (int k = 0; k < QUADS; ++k) {
        const float angle = spin + 6.2831853f * static_cast<float>(k) / QUADS;
        const float distance = 0.05f + 0.2f * static_cast<float>(k % 60);
        const float height = -3.0f + 0.5f * static_cast<float>(k % 13);
        const float c = std::cos(angle), s = std::sin(angle);
        const float half = 0.4f + 0.1f * static_cast<float>(k % 5);
        const D3DCOLOR colour = 0xFF000000 | (static_cast<uint32_t>(k * 37 % 256) << 16) |
                                (static_cast<uint32_t>(k * 91 % 256) << 8) |
                                static_cast<uint32_t>(k * 53 % 256);
        // Facing the eye: the quad spans the tangent direction (c, -s) at (s, c) * distance.
        const float cx = s * distance, cz = c * distance;
        const float tx = c * half, tz = -s * half;
        v[4 * k + 0] = {cx - tx, height + half, cz - tz, colour};
        v[4 * k + 1] = {cx + tx, height + half, cz + tz, colour};
        v[4 * k + 2] = {cx - tx, height - half, cz - tz, colour | 0x00404040};
        v[4 * k + 3] = {cx + tx, height - half, cz + tz, colour & 0xFF7F7F7F};
    }
}

D3DMATRIX Yaw(float angle) {
    D3DMATRIX m = Identity();
    m._11 = std::cos(angle);
    m._13 = -std::sin(angle);
    m._31 = std::sin(angle);
    m._33 = std::cos(angle);
    return m;
}

} // namespace

TEST(D3D8CulledDraw, GivesThePixelsOfTheWholeDrawFromEverySide) {
    Scene scene(96, 64);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(QUADS * 4 * sizeof(ColourVertex), 0, COLOUR_FVF,
                                    D3DPOOL_MANAGED, &vb),
              D3D_OK);
    ASSERT_EQ(d->CreateIndexBuffer(QUADS * 6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    BYTE* bytes = nullptr;
    vb->Lock(0, 0, &bytes, 0);
    WriteRing(reinterpret_cast<ColourVertex*>(bytes), 0.0f);
    vb->Unlock();
    ib->Lock(0, 0, &bytes, 0);
    auto* indices = reinterpret_cast<uint16_t*>(bytes);
    for (int k = 0; k < QUADS; ++k) {
        const auto b = static_cast<uint16_t>(4 * k);
        const uint16_t quad[6] = {b,
                                  static_cast<uint16_t>(b + 1),
                                  static_cast<uint16_t>(b + 2),
                                  static_cast<uint16_t>(b + 1),
                                  static_cast<uint16_t>(b + 3),
                                  static_cast<uint16_t>(b + 2)};
        std::memcpy(indices + 6 * k, quad, sizeof quad);
    }
    ib->Unlock();

    const D3DMATRIX projection = Perspective(1.2f, 1.5f, 0.3f, 8.0f);
    d->SetTransform(D3DTS_PROJECTION, &projection);
    const D3DMATRIX world = Identity();
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d->SetVertexShader(COLOUR_FVF);
    d->SetStreamSource(0, vb, sizeof(ColourVertex));
    d->SetIndices(ib, 0);

    auto draw = [&](bool culling) {
        D3D8SetTriangleCulling(d, culling);
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF101010, 1.0f, 0);
        d->BeginScene();
        // Two draws: the whole ring, then its second half over it with the depth test.
        d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, QUADS * 4, 0, QUADS * 2);
        d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, QUADS * 4, QUADS * 3, QUADS);
        d->EndScene();
        scene.Read();
        return scene.pixels;
    };

    const uint64_t before = D3D8CulledTriangleCount(d);
    for (int step = 0; step < 16; ++step) {
        // Halfway the quads move, as a rewritten buffer between frames.
        if (step == 8) {
            vb->Lock(0, 0, &bytes, 0);
            WriteRing(reinterpret_cast<ColourVertex*>(bytes), 0.7f);
            vb->Unlock();
        }
        const D3DMATRIX view = Yaw(0.39f * static_cast<float>(step));
        d->SetTransform(D3DTS_VIEW, &view);
        const std::vector<uint32_t> culled = draw(true);
        const std::vector<uint32_t> whole = draw(false);
        size_t lit = 0, differing = 0;
        for (size_t i = 0; i < whole.size(); ++i) {
            lit += whole[i] != 0xFF101010;
            differing += culled[i] != whole[i];
        }
        EXPECT_GT(lit, whole.size() / 4) << "step " << step;
        EXPECT_EQ(differing, 0u) << "step " << step;
    }
    // The test is only worth its name if chunks were left out.
    EXPECT_GT(D3D8CulledTriangleCount(d), before + 16 * QUADS);
    d->SetStreamSource(0, nullptr, 0);
    d->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
}
