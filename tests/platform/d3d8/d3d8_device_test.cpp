// The Direct3D object and device: modes, capabilities, creation, reference counting, state
// read-back and the call recording.
#include "d3d8_test_util.h"

#include <cstring>

using namespace d3d8test;

TEST(D3D8Device, ClearFillsTheBackBufferWithTheColour) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    EXPECT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF281450, 1.0f, 0),
              D3D_OK);
    scene.Read();
    EXPECT_EQ(scene.width, 64u);
    EXPECT_EQ(scene.Pixel(0, 0), 0xFF281450u);
    EXPECT_EQ(scene.Pixel(63, 63), 0xFF281450u);
}

TEST(D3D8Device, ScreenSpaceTriangleCoversItsPixels) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    scene.FillRect(8, 8, 24, 24, 0xFF00FF00);
    scene.Read();
    EXPECT_EQ(scene.Pixel(8, 8), 0xFF00FF00u);
    EXPECT_EQ(scene.Pixel(23, 23), 0xFF00FF00u);
    EXPECT_EQ(scene.Pixel(24, 24), 0xFF000000u);
    EXPECT_EQ(scene.Pixel(7, 8), 0xFF000000u);
}

TEST(D3D8Device, RecordsDeviceCallsInOrderWithTheirArguments) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(48, 0, COLOUR_FVF, D3DPOOL_DEFAULT, &vb), D3D_OK);

    D3D8StartRecording(d);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d->SetRenderState(D3DRS_FOGSTART, D3DFloatBits(15.0f));
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    BYTE* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    vb->Unlock();
    d->SetStreamSource(0, vb, 16);
    d->SetVertexShader(COLOUR_FVF);
    d->DrawPrimitive(D3DPT_POINTLIST, 2, 1);
    D3DMATRIX world = Identity();
    world._41 = 2.5f;
    d->SetTransform(D3DTS_WORLD, &world);
    std::vector<D3D8Call> calls = D3D8StopRecording(d);

    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(calls[0].name, "SetRenderState");
    EXPECT_EQ(calls[0].args, (std::vector<uint32_t>{7, 1}));
    EXPECT_EQ(calls[0].text, "SetRenderState(7, 1)");
    EXPECT_EQ(calls[1].args, (std::vector<uint32_t>{36, 0x41700000}));
    EXPECT_EQ(calls[2].args, (std::vector<uint32_t>{0, 5, 3}));
    const uint32_t id = D3D8ResourceId(vb);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(calls[3].name, "Lock");
    EXPECT_EQ(calls[3].args, (std::vector<uint32_t>{id, 0, 0, 0}));
    EXPECT_EQ(calls[4].name, "Unlock");
    EXPECT_EQ(calls[5].args, (std::vector<uint32_t>{0, id, 16}));
    EXPECT_EQ(calls[6].args, (std::vector<uint32_t>{0x42}));
    EXPECT_EQ(calls[7].args, (std::vector<uint32_t>{D3DPT_POINTLIST, 2, 1}));
    ASSERT_EQ(calls[8].args.size(), 2u + 16u);
    EXPECT_EQ(calls[8].args[0], 256u);
    EXPECT_EQ(calls[8].args[2 + 12], D3DFloatBits(2.5f)); // _41
    // Nothing is recorded once the recording stops.
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    EXPECT_TRUE(D3D8StopRecording(d).empty());
    d->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

TEST(D3D8Device, ResourcesCountReferencesAndHoldTheirDevice) {
    Scene scene;
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(d->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    // The device now has two references: the scene's and the texture's.
    EXPECT_EQ(d->AddRef(), 3u);
    EXPECT_EQ(d->Release(), 2u);
    EXPECT_EQ(texture->AddRef(), 2u);
    EXPECT_EQ(texture->Release(), 1u);
    IDirect3DDevice8* owner = nullptr;
    ASSERT_EQ(texture->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, d);
    EXPECT_EQ(owner->Release(), 2u);

    // A texture released while bound stays usable until it is unbound.
    d->SetTexture(0, texture);
    EXPECT_EQ(texture->Release(), 0u);
    EXPECT_EQ(d->AddRef(), 2u);
    EXPECT_EQ(d->Release(), 1u);
    IDirect3DBaseTexture8* bound = nullptr;
    d->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture);
    // GetTexture's reference holds the device again.
    EXPECT_EQ(d->AddRef(), 3u);
    EXPECT_EQ(d->Release(), 2u);
    EXPECT_EQ(bound->Release(), 0u);
    d->SetTexture(0, nullptr);
    EXPECT_EQ(d->AddRef(), 2u);
    EXPECT_EQ(d->Release(), 1u);
}

TEST(D3D8Device, BufferRewrittenBetweenDrawsShowsTheNewContents) {
    Scene scene(32, 32);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(4 * sizeof(ColourVertex), D3DUSAGE_WRITEONLY, COLOUR_FVF,
                                    D3DPOOL_MANAGED, &vb),
              D3D_OK);
    auto write = [&](float x0, float x1, D3DCOLOR colour) {
        BYTE* data = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
        ColourVertex quad[4] = {{x0, 1, 0.5f, colour},
                                {x1, 1, 0.5f, colour},
                                {x0, -1, 0.5f, colour},
                                {x1, -1, 0.5f, colour}};
        std::memcpy(data, quad, sizeof quad);
        ASSERT_EQ(vb->Unlock(), D3D_OK);
    };
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetVertexShader(COLOUR_FVF);
    d->SetStreamSource(0, vb, sizeof(ColourVertex));
    write(-1, 0, 0xFFFF0000);
    d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    // The same buffer moved and recoloured, drawn again in the same frame.
    write(0, 1, 0xFF00FF00);
    d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    scene.Read();
    EXPECT_EQ(scene.Pixel(8, 16), 0xFFFF0000u);
    EXPECT_EQ(scene.Pixel(24, 16), 0xFF00FF00u);
    // Locks work without a draw in between and a read-only lock changes nothing.
    write(-1, 1, 0xFF0000FF);
    BYTE* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(reinterpret_cast<ColourVertex*>(data)[3].colour, 0xFF0000FFu);
    vb->Unlock();
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(60, 8, &data, 0), D3DERR_INVALIDCALL); // past the end
    d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    EXPECT_EQ(scene.ReadPixel(8, 16), 0xFF0000FFu);
    // Drawing past the end of the buffer is refused.
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
    D3DVERTEXBUFFER_DESC desc{};
    vb->GetDesc(&desc);
    EXPECT_EQ(desc.Size, 64u);
    EXPECT_EQ(desc.FVF, COLOUR_FVF);
    d->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

TEST(D3D8Device, IndexedDrawsUseTheBaseVertexAndStartIndex) {
    Scene scene(32, 32);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    // Two quads: vertices 0-3 on the left in red, 4-7 on the right in green.
    const ColourVertex vertices[8] = {{-1, 1, 0.5f, 0xFFFF0000},  {0, 1, 0.5f, 0xFFFF0000},
                                      {-1, -1, 0.5f, 0xFFFF0000}, {0, -1, 0.5f, 0xFFFF0000},
                                      {0, 1, 0.5f, 0xFF00FF00},   {1, 1, 0.5f, 0xFF00FF00},
                                      {0, -1, 0.5f, 0xFF00FF00},  {1, -1, 0.5f, 0xFF00FF00}};
    const WORD indices[9] = {99, 99, 99, 0, 1, 2, 1, 3, 2};
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    d->CreateVertexBuffer(sizeof vertices, 0, COLOUR_FVF, D3DPOOL_SYSTEMMEM, &vb);
    ASSERT_EQ(d->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_SYSTEMMEM, &ib),
              D3D_OK);
    BYTE* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices, sizeof vertices);
    vb->Unlock();
    ib->Lock(0, 0, &data, 0);
    std::memcpy(data, indices, sizeof indices);
    ib->Unlock();
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetVertexShader(COLOUR_FVF);
    d->SetStreamSource(0, vb, sizeof(ColourVertex));
    // Base vertex 4: the indices 0..3 name the green quad.
    d->SetIndices(ib, 4);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 2), D3D_OK);
    scene.Read();
    EXPECT_EQ(scene.Pixel(24, 16), 0xFF00FF00u);
    EXPECT_EQ(scene.Pixel(8, 16), 0xFF000000u);
    d->SetIndices(ib, 0);
    d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 2);
    EXPECT_EQ(scene.ReadPixel(8, 16), 0xFFFF0000u);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 3), D3DERR_INVALIDCALL);
    // Indices that run past the vertex buffer are refused instead of read out of bounds:
    // the 99s at the start, and the valid ones once the base vertex pushes them past 8.
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3DERR_INVALIDCALL);
    d->SetIndices(ib, 5);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 2), D3DERR_INVALIDCALL);
    d->SetIndices(ib, 4);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 2), D3D_OK);
    d->SetIndices(nullptr, 0);
    d->SetStreamSource(0, nullptr, 0);
    ib->Release();
    vb->Release();
}

TEST(D3D8Device, StateCacheSkipsOnlyRepeatedOpenGlState) {
    Scene scene(16, 16);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    scene.FillRect(0, 0, 8, 8, 0xFFFFFFFF);
    const uint64_t afterFirst = D3D8GlStateCallCount(d);
    scene.FillRect(0, 0, 8, 8, 0xFFFFFFFF);
    EXPECT_EQ(D3D8GlStateCallCount(d), afterFirst); // nothing changed
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    scene.FillRect(0, 0, 8, 8, 0xFFFFFFFF);
    const uint64_t afterBlend = D3D8GlStateCallCount(d);
    EXPECT_GT(afterBlend, afterFirst);
    // Without filtering every draw sets its state again, and draws the same.
    D3D8SetStateFiltering(d, false);
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const uint64_t beforeUnfiltered = D3D8GlStateCallCount(d);
    scene.FillRect(0, 0, 8, 8, 0x80FF0000);
    EXPECT_GT(D3D8GlStateCallCount(d), beforeUnfiltered + 10);
    EXPECT_TRUE(ColourNear(scene.ReadPixel(4, 4), 0xFF800000, 1));
}

TEST(D3D8Device, DrawFromUserMemoryLeavesStreamZeroUnset) {
    Scene scene(16, 16);
    ASSERT_TRUE(scene.Ready());
    IDirect3DDevice8* d = scene.device;
    IDirect3DVertexBuffer8* vb = nullptr;
    d->CreateVertexBuffer(64, 0, COLOUR_FVF, D3DPOOL_MANAGED, &vb);
    d->SetStreamSource(0, vb, sizeof(ColourVertex));
    d->SetVertexShader(COLOUR_FVF);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    scene.FillRect(0, 0, 8, 8, 0xFFFFFFFF);
    // The platform unsets stream 0 after DrawPrimitiveUP: a buffer draw needs it set again.
    d->SetVertexShader(COLOUR_FVF);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
    // The buffer was only bound: the application's reference is still the last one.
    EXPECT_EQ(vb->Release(), 0u);
}
