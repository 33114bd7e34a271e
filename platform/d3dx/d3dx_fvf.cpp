// Vertex sizes of fixed-function vertex formats.
#include "d3dx/d3dx8.h"

UINT D3DXGetFVFVertexSize(DWORD FVF) {
    UINT size = 0;
    switch (FVF & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
        size = 12;
        break;
    case D3DFVF_XYZRHW:
        size = 16;
        break;
    case 0x006: // XYZB1 .. XYZB5: position plus 1 to 5 blend weights
    case 0x008:
    case 0x00A:
    case 0x00C:
    case 0x00E:
        size = 12 + 4 * (((FVF & D3DFVF_POSITION_MASK) - 4) / 2);
        break;
    default:
        break;
    }
    if (FVF & D3DFVF_NORMAL)
        size += 12;
    if (FVF & D3DFVF_PSIZE)
        size += 4;
    if (FVF & D3DFVF_DIFFUSE)
        size += 4;
    if (FVF & D3DFVF_SPECULAR)
        size += 4;
    // Each texture coordinate set has a 2-bit size code above bit 16: 0 = 2 floats,
    // 1 = 3, 2 = 4, 3 = 1.
    const UINT sets = (FVF & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    constexpr UINT FLOATS[4] = {2, 3, 4, 1};
    for (UINT i = 0; i < sets && i < 8; ++i)
        size += 4 * FLOATS[(FVF >> (16 + 2 * i)) & 3];
    return size;
}
