// Internal D3DX entry points shared between the layer's files and its tests.
#pragma once

#include "d3dx/d3dx8.h"
#include "d3dx/image_decoded.h"

// Creates a managed texture with a full mip chain from a decoded image; the image may be
// converted to 32-bit ARGB on the way.
HRESULT D3DXCreateTextureFromImage(LPDIRECT3DDEVICE8 pDevice, DecodedImage& image,
                                   LPDIRECT3DTEXTURE8* ppTexture);

class D3DXIntersectCache;

// The face hierarchy a mesh of this layer keeps for ray casts, null for any other mesh;
// mayHaveChanged tells whether the buffers may differ from what the hierarchy last saw.
D3DXIntersectCache* D3DXFindIntersectCache(ID3DXBaseMesh* mesh, bool& mayHaveChanged);
