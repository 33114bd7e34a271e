// Drawing one model subset by subset: cut-out subsets first with the alpha test, translucent
// ones after with the chosen blend mode, negative alpha never, textures bound per subset.
#include "render/render_test_util.h"

namespace {

class MeshDrawing : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        OpenDevice();
        if (HasFatalFailure())
            return;
        model.device = engine.device;
        // Three triangles, one per subset.
        ASSERT_EQ(D3DXCreateMeshFVF(3, 9, D3DXMESH_SYSTEMMEM, LEVEL_VERTEX_FVF, engine.device,
                                    &model.mesh),
                  S_OK);
        BYTE* data = nullptr;
        model.mesh->LockIndexBuffer(0, &data);
        for (WORD i = 0; i < 9; ++i)
            reinterpret_cast<WORD*>(data)[i] = i;
        model.mesh->UnlockIndexBuffer();
        DWORD* attributes = nullptr;
        model.mesh->LockAttributeBuffer(0, &attributes);
        for (DWORD f = 0; f < 3; ++f)
            attributes[f] = f;
        model.mesh->UnlockAttributeBuffer();
        // Subset 0 translucent, subset 1 with a negative alpha, subset 2 cut out.
        const float alphas[3] = {0.5f, -0.5f, 0.0f};
        model.materialCount = 3;
        model.materials = new D3DMATERIAL8[3]();
        model.textures = new IDirect3DTexture8*[3]();
        for (int i = 0; i < 3; ++i) {
            model.materials[i].Diffuse = {0.25f * static_cast<float>(i + 1), 0, 0, alphas[i]};
            model.materials[i].Ambient = model.materials[i].Diffuse;
        }
        ASSERT_EQ(engine.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                               &model.textures[2]),
                  S_OK);
    }
    void TearDown() override {
        ReleaseMeshModel(model);
        DeviceTest::TearDown();
    }

    std::vector<D3D8Call> Record(MeshModel& drawn, int blend) {
        D3D8StartRecording(engine.device);
        EXPECT_EQ(drawn.DrawMeshModel(blend), S_OK);
        return D3D8StopRecording(engine.device);
    }

    MeshModel model;
};

} // namespace

TEST_F(MeshDrawing, CutOutSubsetsFirstThenTranslucentOnesWithBlending) {
    const std::vector<D3D8Call> calls = Record(model, 1);
    const std::vector<std::string> expected = {"ALPHATESTENABLE=TRUE",
                                               "ALPHAFUNC=GREATEREQUAL",
                                               "ALPHAREF=128",
                                               "ALPHABLENDENABLE=FALSE",
                                               "Material 0.75",
                                               "Texture",
                                               "Draw",
                                               "ALPHATESTENABLE=FALSE",
                                               "ALPHABLENDENABLE=TRUE",
                                               "SRCBLEND=SRCALPHA",
                                               "DESTBLEND=INVSRCALPHA",
                                               "ALPHATESTENABLE=FALSE",
                                               "Material 0.25",
                                               "Texture",
                                               "Draw",
                                               "ALPHABLENDENABLE=FALSE",
                                               "ALPHATESTENABLE=FALSE"};
    EXPECT_EQ(Joined(Tokens(calls)), Joined(expected));
    // Each subset binds its own texture on stage 0; a subset without one unbinds it.
    std::vector<std::vector<uint32_t>> textures;
    for (const D3D8Call& call : calls) {
        if (call.name == "SetTexture")
            textures.push_back(call.args);
    }
    ASSERT_EQ(textures.size(), 2u);
    EXPECT_EQ(textures[0], (std::vector<uint32_t>{0, D3D8ResourceId(model.textures[2])}));
    EXPECT_NE(textures[0][1], 0u);
    EXPECT_EQ(textures[1], (std::vector<uint32_t>{0, 0}));
}

TEST_F(MeshDrawing, WithoutBlendingTranslucentSubsetsAreAlphaTested) {
    const std::vector<std::string> expected = {"ALPHATESTENABLE=TRUE",
                                               "ALPHAFUNC=GREATEREQUAL",
                                               "ALPHAREF=128",
                                               "ALPHABLENDENABLE=FALSE",
                                               "Material 0.75",
                                               "Texture",
                                               "Draw",
                                               "ALPHATESTENABLE=FALSE",
                                               "ALPHATESTENABLE=TRUE",
                                               "ALPHAFUNC=GREATEREQUAL",
                                               "ALPHAREF=128",
                                               "ALPHABLENDENABLE=FALSE",
                                               "Material 0.25",
                                               "Texture",
                                               "Draw",
                                               "ALPHABLENDENABLE=FALSE",
                                               "ALPHATESTENABLE=FALSE"};
    EXPECT_EQ(Joined(Tokens(Record(model, 0))), Joined(expected));
}

TEST_F(MeshDrawing, ModelWithoutMaterialsOnlyLeavesAlphaTestAndBlendingOff) {
    MeshModel empty;
    empty.device = engine.device;
    const std::vector<std::string> expected = {
        "ALPHATESTENABLE=TRUE",   "ALPHAFUNC=GREATEREQUAL", "ALPHAREF=128",
        "ALPHABLENDENABLE=FALSE", "ALPHATESTENABLE=FALSE",  "ALPHABLENDENABLE=TRUE",
        "SRCBLEND=SRCALPHA",      "DESTBLEND=INVSRCALPHA",  "ALPHATESTENABLE=FALSE",
        "ALPHABLENDENABLE=FALSE", "ALPHATESTENABLE=FALSE"};
    EXPECT_EQ(Joined(Tokens(Record(empty, 1))), Joined(expected));
}
