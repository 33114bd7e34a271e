// DrawCoronas on the engine's headless device: the distance targets at 0.3, 0.65 and 1 of the
// range, the fade rate, line of sight through the level model, the alpha each corona is drawn
// with and the device states around the draws, read from the device's call recording.
#include "player/coronas.h"

#include "support/memory_mesh.h"
#include "world/mesh_model.h"
#include "render/render_test_util.h"
#include "world/corona_tables.h"
#include "world/world_models.h"

#include <gtest/gtest.h>

#include <bit>

namespace {

constexpr float RANGE = 10.0f;
const Vec3 EYE(0.0f, 1.0f, 0.0f);

class CoronaTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        OpenDevice();
        ASSERT_NE(engine.coronaVertexBuffer, nullptr);
        std::fill(std::begin(coronaIntensity), std::end(coronaIntensity), 0.0f);
        std::fill(std::begin(coronaVisible), std::end(coronaVisible), 0);
        // Every light far out of range unless a test places it.
        for (int i = 0; i < CORONA_LIGHTS; ++i) {
            positions[i] = Vec3(1000.0f, 0.0f, 0.0f);
            coronaRanges[i] = RANGE;
        }
        levelModels[LEVEL_MODEL].mesh = &level;
        WritePositions();
    }
    void TearDown() override {
        levelModels[LEVEL_MODEL].mesh = nullptr;
        DeviceTest::TearDown();
    }

    void WritePositions() {
        BYTE* data = nullptr;
        ASSERT_EQ(engine.coronaVertexBuffer->Lock(0, 0, &data, 0), S_OK);
        auto* vertices = reinterpret_cast<CoronaVertex*>(data);
        for (int i = 0; i < CORONA_LIGHTS; ++i) {
            vertices[i].position = positions[i];
            vertices[i].color = 0xFFFFFFFF;
        }
        engine.coronaVertexBuffer->Unlock();
    }
    void Frames(int count, Vec3 eye = EYE) {
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(DrawCoronas(2.0f, eye), S_OK);
        }
    }
    // The texture factor set before each corona's draw, in drawing order.
    std::vector<uint32_t> DrawnFactors(Vec3 eye = EYE) {
        D3D8StartRecording(engine.device);
        DrawCoronas(2.0f, eye);
        const std::vector<D3D8Call> calls = D3D8StopRecording(engine.device);
        std::vector<uint32_t> factors;
        uint32_t factor = 0;
        for (const D3D8Call& call : calls) {
            if (call.name == "SetRenderState" && call.args[0] == D3DRS_TEXTUREFACTOR) {
                factor = call.args[1];
            }
            if (call.name == "DrawPrimitive") {
                EXPECT_EQ(call.args[0], static_cast<uint32_t>(D3DPT_POINTLIST));
                EXPECT_EQ(call.args[1], factors.size()) << "start vertex";
                EXPECT_EQ(call.args[2], 1u);
                factors.push_back(factor);
            }
        }
        return factors;
    }

    Vec3 positions[CORONA_LIGHTS];
    MemoryMesh level{2};
};

TEST_F(CoronaTest, DistanceSetsTheTargetAndAlphaStopsAt254) {
    positions[0] = EYE + Vec3(0.0f, 0.0f, 0.3f * RANGE);
    positions[1] = EYE + Vec3(0.65f * RANGE, 0.0f, 0.0f);
    positions[2] = EYE + Vec3(0.0f, -RANGE, 0.0f);
    WritePositions();
    Frames(20);
    EXPECT_EQ(coronaIntensity[0], 1.0f);
    EXPECT_NEAR(coronaIntensity[1], 0.5f, 1e-5f);
    EXPECT_EQ(coronaIntensity[2], 0.0f);
    EXPECT_EQ(coronaVisible[2], 1); // at the range itself the ray is still cast
    EXPECT_EQ(coronaVisible[3], 0); // out of range: never tested
    const std::vector<uint32_t> factors = DrawnFactors();
    ASSERT_EQ(factors.size(), static_cast<size_t>(CORONA_LIGHTS));
    EXPECT_EQ(factors[0], 0xFEFFFFFFu);
    EXPECT_EQ(factors[1], 0x7FFFFFFFu); // 0.5 * 254
    EXPECT_EQ(factors[2], 0x00FFFFFFu);
    EXPECT_EQ(factors[3], 0x00FFFFFFu);
}

TEST_F(CoronaTest, SeenCoronaTakesTenFramesToFullAndAsLongToFade) {
    positions[0] = EYE + Vec3(0.0f, 0.0f, 2.0f);
    WritePositions();
    Frames(1); // the first frame finds the light in sight; the fade follows from the next
    EXPECT_EQ(coronaIntensity[0], 0.0f);
    EXPECT_EQ(coronaVisible[0], 1);
    for (int frame = 1; frame <= 10; ++frame) {
        Frames(1);
        if (frame < 10) {
            EXPECT_NEAR(coronaIntensity[0], 0.1f * frame, 1e-5f) << "frame " << frame;
            EXPECT_LT(coronaIntensity[0], 1.0f) << "frame " << frame;
        }
    }
    EXPECT_EQ(coronaIntensity[0], 1.0f);

    // A wall between: the next frame notices, the ten after fade it out.
    level.SetQuad(0, EYE + Vec3(-1.0f, -1.0f, 1.0f), EYE + Vec3(-1.0f, 1.0f, 1.0f),
                  EYE + Vec3(1.0f, 1.0f, 1.0f), EYE + Vec3(1.0f, -1.0f, 1.0f));
    Frames(1);
    EXPECT_EQ(coronaVisible[0], 0);
    EXPECT_EQ(coronaIntensity[0], 1.0f);
    Frames(5);
    EXPECT_NEAR(coronaIntensity[0], 0.5f, 1e-5f);
    Frames(5);
    EXPECT_EQ(coronaIntensity[0], 0.0f);
}

TEST_F(CoronaTest, LightBeyondItsRangeGoesOutAtOnceAndKeepsItsVisibility) {
    positions[0] = EYE + Vec3(0.0f, 0.0f, 2.0f);
    WritePositions();
    Frames(15);
    ASSERT_EQ(coronaIntensity[0], 1.0f);
    const Vec3 farEye = EYE + Vec3(0.0f, 0.0f, -9.0f); // 11 from the light
    Frames(1, farEye);
    EXPECT_EQ(coronaIntensity[0], 0.0f);
    EXPECT_EQ(coronaVisible[0], 1);
}

TEST_F(CoronaTest, DrawsAdditivelyWithoutDepthAndRestoresTheStates) {
    D3D8StartRecording(engine.device);
    ASSERT_EQ(DrawCoronas(2.0f, EYE), S_OK);
    const std::vector<D3D8Call> calls = D3D8StopRecording(engine.device);
    const uint32_t one = std::bit_cast<uint32_t>(1.0f);
    const uint32_t vb = D3D8ResourceId(engine.coronaVertexBuffer);
    std::vector<std::vector<uint32_t>> expected = {
        {D3DRS_POINTSPRITEENABLE, TRUE},
        {D3DRS_POINTSCALEENABLE, TRUE},
        {D3DRS_POINTSIZE, one},
        {D3DRS_POINTSIZE_MIN, 0},
        {D3DRS_POINTSCALE_A, one},
        {D3DRS_POINTSCALE_B, one},
        {D3DRS_POINTSCALE_C, one},
        {D3DRS_ZWRITEENABLE, FALSE},
        {D3DRS_ALPHABLENDENABLE, TRUE},
        {D3DRS_ZENABLE, FALSE},
        {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {D3DRS_DESTBLEND, D3DBLEND_ONE},
    };
    std::vector<std::string> names;
    std::vector<std::vector<uint32_t>> args;
    for (const D3D8Call& call : calls) {
        names.push_back(call.name);
        args.push_back(call.args);
    }
    ASSERT_GE(calls.size(), 2u + 12 + 4 + 2 * 29 + 6);
    EXPECT_EQ(names[0], "Lock");
    EXPECT_EQ(args[0][0], vb);
    EXPECT_EQ(names[1], "Unlock");
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(names[2 + i], "SetRenderState") << i;
        EXPECT_EQ(args[2 + i], expected[i]) << calls[2 + i].text;
    }
    size_t at = 2 + expected.size();
    EXPECT_EQ(calls[at].name, "SetTextureStageState");
    EXPECT_EQ(args[at], (std::vector<uint32_t>{0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR}));
    EXPECT_EQ(calls[++at].name, "SetTexture");
    EXPECT_EQ(calls[++at].name, "SetStreamSource");
    EXPECT_EQ(args[at], (std::vector<uint32_t>{0, vb, sizeof(CoronaVertex)}));
    EXPECT_EQ(calls[++at].name, "SetVertexShader");
    EXPECT_EQ(args[at], (std::vector<uint32_t>{0x42}));
    at += 1 + 2 * CORONA_LIGHTS;
    const std::vector<std::vector<uint32_t>> restored = {
        {D3DRS_ALPHABLENDENABLE, FALSE}, {D3DRS_ZENABLE, TRUE},
        {D3DRS_ZWRITEENABLE, TRUE},      {D3DRS_POINTSPRITEENABLE, FALSE},
        {D3DRS_POINTSCALEENABLE, FALSE},
    };
    ASSERT_EQ(calls.size(), at + 1 + restored.size());
    EXPECT_EQ(calls[at].name, "SetTextureStageState");
    EXPECT_EQ(args[at], (std::vector<uint32_t>{0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE}));
    for (size_t i = 0; i < restored.size(); ++i) {
        EXPECT_EQ(args[at + 1 + i], restored[i]) << calls[at + 1 + i].text;
    }
}

TEST_F(CoronaTest, WithoutTheVertexBufferNothingChanges) {
    positions[0] = EYE + Vec3(0.0f, 0.0f, 2.0f);
    WritePositions();
    coronaVisible[0] = 1;
    IDirect3DVertexBuffer8* buffer = engine.coronaVertexBuffer;
    engine.coronaVertexBuffer = nullptr;
    EXPECT_EQ(DrawCoronas(2.0f, EYE), E_FAIL);
    EXPECT_EQ(coronaIntensity[0], 0.0f);
    engine.coronaVertexBuffer = buffer;
}

} // namespace
