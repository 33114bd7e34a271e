// DrawMeshModel: one model subset by subset, cut-out subsets (material alpha exactly 0) with an
// alpha test first, then translucent subsets (alpha above 0) with the caller's blend mode.
#include "world/mesh_model.h"

namespace {

constexpr DWORD ALPHA_CUTOFF = 128;

void UseAlphaTest(IDirect3DDevice8* device) {
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_ALPHAREF, ALPHA_CUTOFF);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

} // namespace

HRESULT MeshModel::DrawMeshModel(int blend) {
    // Loading copies the diffuse colour into the ambient one, so this is the file's alpha.
    auto drawSubset = [this](uint32_t i) {
        device->SetMaterial(&materials[i]);
        device->SetTexture(0, textures[i]);
        mesh->DrawSubset(i);
    };

    UseAlphaTest(device);
    for (uint32_t i = 0; i < materialCount; ++i) {
        if (materials[i].Ambient.a == 0.0f)
            drawSubset(i);
    }
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);

    if (blend == 0) {
        UseAlphaTest(device);
    } else {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    }
    // Translucent subsets go in subset order, unsorted, with depth writing as the caller has it.
    for (uint32_t i = 0; i < materialCount; ++i) {
        if (materials[i].Ambient.a > 0.0f)
            drawSubset(i);
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    return S_OK;
}
