// The device's state at creation (the platform's documented defaults) and the translation of
// Direct3D state values into OpenGL enums.
#include "d3d8/d3d8_local.h"

namespace {

D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

} // namespace

void D3D8SetDefaultState(D3D8State& state, const D3DPRESENT_PARAMETERS& params,
                         DWORD behaviorFlags) {
    state = D3D8State{};
    auto& rs = state.renderStates;
    rs[D3DRS_ZENABLE] = params.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = D3DFloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = D3DFloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = 1; // D3DSTENCILOP_KEEP
    rs[D3DRS_STENCILZFAIL] = 1;
    rs[D3DRS_STENCILPASS] = 1;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = 0xFFFFFFFFu;
    rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = 1;  // D3DMCS_COLOR1
    rs[D3DRS_SPECULARMATERIALSOURCE] = 2; // D3DMCS_COLOR2
    rs[D3DRS_SOFTWAREVERTEXPROCESSING] =
        (behaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0 ? TRUE : FALSE;
    rs[D3DRS_POINTSIZE] = D3DFloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = D3DFloatBits(0.0f);
    rs[D3DRS_POINTSCALE_A] = D3DFloatBits(1.0f);
    rs[D3DRS_POINTSCALE_B] = D3DFloatBits(0.0f);
    rs[D3DRS_POINTSCALE_C] = D3DFloatBits(0.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_PATCHSEGMENTS] = D3DFloatBits(1.0f);
    D3DCAPS8 caps{};
    D3D8FillCaps(D3DDEVTYPE_HAL, caps);
    rs[D3DRS_POINTSIZE_MAX] = D3DFloatBits(caps.MaxPointSize);
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;

    for (DWORD stage = 0; stage < state.stageStates.size(); ++stage) {
        auto& ts = state.stageStates[stage];
        ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = stage;
        ts[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        ts[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        ts[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        ts[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        ts[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        ts[D3DTSS_MAXANISOTROPY] = 1;
        ts[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }

    for (DWORD t : {DWORD{D3DTS_VIEW}, DWORD{D3DTS_PROJECTION}, DWORD{D3DTS_WORLD}})
        state.transforms[t] = Identity();
    for (DWORD t = 0; t < 8; ++t)
        state.transforms[D3DTS_TEXTURE0 + t] = Identity();

    state.viewport = {0, 0, params.BackBufferWidth, params.BackBufferHeight, 0.0f, 1.0f};
}

GLenum D3D8GlBlendFactor(DWORD blend, bool isSource) {
    switch (blend) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    case 12: // D3DBLEND_BOTHSRCALPHA: source alpha for the source, its inverse for the dest
        return isSource ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
    case 13: // D3DBLEND_BOTHINVSRCALPHA
        return isSource ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    default:
        return isSource ? GL_ONE : GL_ZERO;
    }
}

GLenum D3D8GlBlendEquation(DWORD blendOp) {
    switch (blendOp) {
    case D3DBLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return GL_MIN;
    case D3DBLENDOP_MAX:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLenum D3D8GlCompareFunc(DWORD func) {
    // D3DCMP_NEVER .. D3DCMP_ALWAYS run in the same order as GL_NEVER .. GL_ALWAYS.
    if (func < D3DCMP_NEVER || func > D3DCMP_ALWAYS)
        return GL_ALWAYS;
    return GL_NEVER + (func - D3DCMP_NEVER);
}

GLint D3D8GlAddressMode(DWORD address) {
    switch (address) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE:
        return GL_MIRROR_CLAMP_TO_EDGE;
    default:
        return GL_REPEAT;
    }
}

GLint D3D8GlMinFilter(DWORD minFilter, DWORD mipFilter) {
    const bool linear = minFilter >= D3DTEXF_LINEAR;
    switch (mipFilter) {
    case D3DTEXF_POINT:
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case D3DTEXF_LINEAR:
    case D3DTEXF_ANISOTROPIC:
        return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    default:
        return linear ? GL_LINEAR : GL_NEAREST;
    }
}

GLint D3D8GlMagFilter(DWORD magFilter) {
    return magFilter >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
}
