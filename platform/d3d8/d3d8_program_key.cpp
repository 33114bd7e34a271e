// The program key: the part of the tracked state that decides which fixed-function program a
// draw needs. Whatever cannot change the result is left out or zeroed, so that states which
// draw alike share one program.
#include "d3d8/d3d8_local.h"

namespace {

bool SelectsTexture(DWORD argument) {
    return (argument & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
}

// Operations whose results the programs compute; any other value selects the first argument.
bool KnownOperation(DWORD op) {
    return (op >= D3DTOP_DISABLE && op <= 16) || op == 18 || op == 19 || (op >= 24 && op <= 26);
}

// Stage 0 operation and arguments. An operation that reads the texture while none is bound
// becomes SELECTARG1 of the current (diffuse) value, colour and alpha separately, as the
// platform does; it does not read white.
D3D8StageSetup Stage(const std::array<DWORD, 32>& ts, bool alpha, bool textureBound) {
    DWORD op = ts[alpha ? D3DTSS_ALPHAOP : D3DTSS_COLOROP];
    DWORD arg1 = ts[alpha ? D3DTSS_ALPHAARG1 : D3DTSS_COLORARG1];
    DWORD arg2 = ts[alpha ? D3DTSS_ALPHAARG2 : D3DTSS_COLORARG2];
    DWORD arg0 = ts[alpha ? D3DTSS_ALPHAARG0 : D3DTSS_COLORARG0];
    if (!textureBound && op != D3DTOP_DISABLE) {
        bool reads = false;
        if (op == D3DTOP_SELECTARG1)
            reads = SelectsTexture(arg1);
        else if (op == D3DTOP_SELECTARG2)
            reads = SelectsTexture(arg2);
        else
            reads = SelectsTexture(arg1) || SelectsTexture(arg2) ||
                    op == D3DTOP_BLENDTEXTUREALPHA || op == 15 /* BLENDTEXTUREALPHAPM */ ||
                    ((op == 25 || op == 26) && SelectsTexture(arg0));
        if (reads) {
            op = D3DTOP_SELECTARG1;
            arg1 = D3DTA_CURRENT;
        }
    }
    if (!KnownOperation(op))
        op = D3DTOP_SELECTARG1;
    // Only the selector and its two modifier bits reach the programs.
    D3D8StageSetup setup;
    setup.op = static_cast<uint8_t>(op);
    const bool usesArg1 = op != D3DTOP_DISABLE && op != D3DTOP_SELECTARG2;
    const bool usesArg2 = op != D3DTOP_DISABLE && op != D3DTOP_SELECTARG1;
    const bool usesArg0 = op == 25 || op == 26;
    setup.arg1 = usesArg1 ? static_cast<uint8_t>(arg1 & 0x3F) : 0;
    setup.arg2 = usesArg2 ? static_cast<uint8_t>(arg2 & 0x3F) : 0;
    setup.arg0 = usesArg0 ? static_cast<uint8_t>(arg0 & 0x3F) : 0;
    return setup;
}

} // namespace

D3D8ProgramKey D3D8MakeProgramKey(const D3D8State& state, const D3D8VertexLayout& layout,
                                  bool points, bool textureBound) {
    const auto& rs = state.renderStates;
    const auto& ts = state.stageStates[0];
    D3D8ProgramKey key;
    key.pretransformed = layout.pretransformed;

    // Table fog wins over vertex fog; a pretransformed vertex has no eye space for vertex fog.
    const DWORD tableMode = rs[D3DRS_FOGTABLEMODE];
    const DWORD vertexMode = layout.pretransformed ? D3DFOG_NONE : rs[D3DRS_FOGVERTEXMODE];
    const DWORD fogMode = tableMode != D3DFOG_NONE ? tableMode : vertexMode;
    if (rs[D3DRS_FOGENABLE] != FALSE && fogMode != D3DFOG_NONE && fogMode <= D3DFOG_LINEAR) {
        key.fogMode = static_cast<uint8_t>(fogMode);
        if (tableMode != D3DFOG_NONE) {
            // Under a perspective projection table fog uses eye depth (w), else projected z.
            auto found = state.transforms.find(D3DTS_PROJECTION);
            const bool perspective = found != state.transforms.end() &&
                                     (found->second._34 != 0.0f || found->second._44 != 1.0f);
            key.fogSource = perspective && !layout.pretransformed ? 0 : 1;
        } else {
            key.fogSource = rs[D3DRS_RANGEFOGENABLE] != FALSE ? 3 : 2;
        }
    }

    if (points) {
        key.pointSize = layout.pointSize >= 0 ? 2 : 1;
        key.pointScale = rs[D3DRS_POINTSCALEENABLE] != FALSE && !layout.pretransformed;
        key.spriteCoords = rs[D3DRS_POINTSPRITEENABLE] != FALSE;
    }

    key.textureBound = textureBound;
    key.color = Stage(ts, false, textureBound);
    // A disabled stage passes the diffuse colour and alpha on; the alpha operation is unused.
    if (key.color.op != D3DTOP_DISABLE)
        key.alpha = Stage(ts, true, textureBound);

    // NEVER and the comparisons can fail; ALWAYS and unknown functions pass every pixel.
    const DWORD alphaFunc = rs[D3DRS_ALPHAFUNC];
    if (rs[D3DRS_ALPHATESTENABLE] != FALSE && alphaFunc >= D3DCMP_NEVER &&
        alphaFunc < D3DCMP_ALWAYS)
        key.alphaFunc = static_cast<uint8_t>(alphaFunc);
    return key;
}

uint64_t D3D8ProgramKey::Packed() const {
    uint64_t bits = 0;
    int shift = 0;
    auto put = [&](uint64_t value, int width) {
        bits |= value << shift;
        shift += width;
    };
    put(pretransformed, 1);
    put(fogSource, 2);
    put(pointSize, 2);
    put(pointScale, 1);
    put(textureBound, 1);
    put(spriteCoords, 1);
    for (const D3D8StageSetup* stage : {&color, &alpha}) {
        put(stage->op, 5);
        put(stage->arg1, 6);
        put(stage->arg2, 6);
        put(stage->arg0, 6);
    }
    put(alphaFunc, 3);
    put(fogMode, 2);
    return bits;
}
