// Light coronas. Each frame every corona moves its opacity towards the visibility found in the
// previous frame, is capped at once by its distance from the eye (full up to 30 % of its range,
// none at the range), and is drawn as a point sprite whose alpha is its opacity. Coronas are
// drawn additively without depth, so only the line-of-sight test hides them behind walls.
#include "player/coronas.h"

#include "core/engine_state.h"
#include "core/float_ops.h"
#include "player/interaction.h"
#include "world/corona_tables.h"
#include "world/mesh_model.h"

#include <cstring>

float coronaIntensity[CORONA_LIGHTS] = {};
int32_t coronaVisible[CORONA_LIGHTS] = {};

namespace {

static_assert(CORONA_LIGHTS == CORONA_COUNT);

// Opacity gained or lost per frame, before the game speed.
constexpr double FADE_STEP = 0.05;
// 1.0 would give alpha 255; the sprites were tuned at 254.
constexpr double FULL_ALPHA = 254.0;

// Opacity allowed by distance alone: 1 up to 0.3 of the range, falling linearly to 0 at it.
float DistanceLimit(float distance, float range) {
    double target = 1.0 - (distance - 0.3 * range) / (0.7 * range);
    if (target > 1.0) {
        target = 1.0;
    }
    if (target < 0.0) {
        target = 0.0;
    }
    return static_cast<float>(target);
}

void FadeCorona(int i, Vec3 position, Vec3 eye, double speed) {
    float& intensity = coronaIntensity[i];
    if (coronaVisible[i] != 0 && intensity < 1.0f) {
        intensity = static_cast<float>(intensity + FADE_STEP * speed);
    }
    if (coronaVisible[i] == 0 && intensity > 0.0f) {
        intensity = static_cast<float>(intensity - FADE_STEP * speed);
    }
    if (intensity > 1.0f) {
        intensity = 1.0f;
    }
    if (intensity < 0.0f) {
        intensity = 0.0f;
    }

    Vec3 toLight = position - eye;
    const float distance = D3DXVec3Length(&toLight);
    const float range = coronaRanges[i];
    float target = 0.0f;
    // A lamp out of range costs no ray test and keeps its last visibility.
    if (!(distance > range)) {
        D3DXVec3Normalize(&toLight, &toLight);
        coronaVisible[i] = LineOfSightClear(eye, toLight, distance) ? 1 : 0;
        target = DistanceLimit(distance, range);
    }
    if (intensity > target) {
        intensity = target;
    }
}

void SetCoronaStates(IDirect3DDevice8* device, IDirect3DVertexBuffer8* vertexBuffer) {
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSIZE, FloatBits(1.0f));
    device->SetRenderState(D3DRS_POINTSIZE_MIN, FloatBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_A, FloatBits(1.0f));
    device->SetRenderState(D3DRS_POINTSCALE_B, FloatBits(1.0f));
    device->SetRenderState(D3DRS_POINTSCALE_C, FloatBits(1.0f));
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    // Only the alpha argument changes: the colour stage stays as the frame left it.
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    device->SetTexture(0, engine.spriteTextures[0]);
    device->SetStreamSource(0, vertexBuffer, sizeof(CoronaVertex));
    device->SetVertexShader(CORONA_FVF);
}

void RestoreStates(IDirect3DDevice8* device) {
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
}

} // namespace

HRESULT DrawCoronas(float speed, Vec3 eye) {
    IDirect3DVertexBuffer8* vertexBuffer = engine.coronaVertexBuffer;
    IDirect3DDevice8* device = engine.device;
    BYTE* vertices = nullptr;
    if (vertexBuffer == nullptr || device == nullptr ||
        FAILED(vertexBuffer->Lock(0, 0, &vertices, 0)) || vertices == nullptr) {
        return E_FAIL;
    }
    for (int i = 0; i < CORONA_LIGHTS; ++i) {
        CoronaVertex vertex;
        std::memcpy(&vertex, vertices + i * sizeof(CoronaVertex), sizeof vertex);
        FadeCorona(i, vertex.position, eye, speed);
    }
    vertexBuffer->Unlock();

    SetCoronaStates(device, vertexBuffer);
    for (int i = 0; i < CORONA_LIGHTS; ++i) {
        const DWORD alpha = static_cast<DWORD>(coronaIntensity[i] * FULL_ALPHA) & 0xFF;
        device->SetRenderState(D3DRS_TEXTUREFACTOR, (alpha << 24) | 0x00FFFFFF);
        device->DrawPrimitive(D3DPT_POINTLIST, i, 1);
    }
    RestoreStates(device);
    return S_OK;
}
