// D3DXCreateTextureFromFileA: an image file, recognised by content, becomes a managed texture
// with a full mip chain. The file's format is kept when the device takes it, otherwise the
// texture is 32-bit (A8R8G8B8 when the format carried alpha, X8R8G8B8 when not). Levels the
// file carries are copied as they are; the missing ones are built by averaging 2x2 texels of
// the level above and packed in the texture's format (DXT1, DXT3 and DXT5 included; DXT2
// and DXT4 files without their whole chain become 32-bit).
#include "d3dx/d3dx8.h"

#include "d3dx/d3dx_file.h"
#include "d3dx/d3dx_local.h"
#include "d3dx/image_decoded.h"
#include "d3dx/image_format.h"
#include "win32/win32_platform.h"

#include <cstring>
#include <utility>

namespace {

bool CopyLevel(IDirect3DTexture8* texture, UINT index, D3DFORMAT format, const ImageLevel& level) {
    uint32_t pitch = 0, rows = 0;
    if (!LevelLayout(format, level.width, level.height, pitch, rows))
        return false;
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(index, &locked, nullptr, 0)))
        return false;
    const bool fits = locked.pBits != nullptr && locked.Pitch >= static_cast<INT>(pitch);
    if (fits) {
        auto* dst = static_cast<uint8_t*>(locked.pBits);
        for (uint32_t row = 0; row < rows; ++row)
            std::memcpy(dst + static_cast<size_t>(row) * locked.Pitch,
                        level.bytes.data() + static_cast<size_t>(row) * level.pitch, pitch);
    }
    texture->UnlockRect(index);
    return fits;
}

// Replaces every level by its 32-bit ARGB form.
void ConvertLevels(DecodedImage& image, D3DFORMAT target) {
    for (ImageLevel& level : image.levels)
        level = ConvertToArgb(image.format, level);
    image.format = target;
}

// An image larger than the device takes is reduced as the default size asks: its own smaller
// mip levels are used where the file has them, otherwise it is halved by averaging.
void FitDevice(LPDIRECT3DDEVICE8 device, DecodedImage& image) {
    D3DCAPS8 caps{};
    if (FAILED(device->GetDeviceCaps(&caps)) || caps.MaxTextureWidth == 0 ||
        caps.MaxTextureHeight == 0)
        return;
    auto tooBig = [&](const ImageLevel& level) {
        return level.width > caps.MaxTextureWidth || level.height > caps.MaxTextureHeight;
    };
    while (image.levels.size() > 1 && tooBig(image.levels.front()))
        image.levels.erase(image.levels.begin());
    if (!tooBig(image.levels.front()))
        return;
    ImageLevel argb = ConvertToArgb(image.format, image.levels.front());
    while (tooBig(argb))
        argb = HalveArgb(argb);
    image.levels.assign(1, std::move(argb));
    image.format = FormatHasAlpha(image.format) || image.format == D3DFMT_DXT1 ? D3DFMT_A8R8G8B8
                                                                               : D3DFMT_X8R8G8B8;
}

} // namespace

// Creates the texture for a decoded image on the device; used by the file loader and tests.
HRESULT D3DXCreateTextureFromImage(LPDIRECT3DDEVICE8 pDevice, DecodedImage& image,
                                   LPDIRECT3DTEXTURE8* ppTexture) {
    *ppTexture = nullptr;
    FitDevice(pDevice, image);
    const ImageLevel& top = image.levels.front();
    const UINT levelCount = FullMipCount(top.width, top.height);
    const D3DFORMAT wide = (FormatHasAlpha(image.format) || image.format == D3DFMT_DXT1)
                               ? D3DFMT_A8R8G8B8
                               : D3DFMT_X8R8G8B8;
    const bool encodable =
        image.format == D3DFMT_DXT1 || image.format == D3DFMT_DXT3 || image.format == D3DFMT_DXT5;
    if (IsBlockFormat(image.format) && !encodable && image.levels.size() < levelCount)
        ConvertLevels(image, wide);

    IDirect3DTexture8* texture = nullptr;
    HRESULT hr = pDevice->CreateTexture(top.width, top.height, levelCount, 0, image.format,
                                        D3DPOOL_MANAGED, &texture);
    if (FAILED(hr) && image.format != wide) {
        ConvertLevels(image, wide);
        hr = pDevice->CreateTexture(top.width, top.height, levelCount, 0, image.format,
                                    D3DPOOL_MANAGED, &texture);
    }
    if (FAILED(hr))
        return hr;

    bool ok = true;
    for (UINT i = 0; i < image.levels.size() && i < levelCount && ok; ++i)
        ok = CopyLevel(texture, i, image.format, image.levels[i]);
    if (ok && image.levels.size() < levelCount) {
        // A8R8G8B8 is already the form the halving reads; other formats are widened once.
        const bool wideAlready = image.format == D3DFMT_A8R8G8B8;
        ImageLevel argb;
        if (!wideAlready)
            argb = ConvertToArgb(image.format, image.levels.back());
        for (UINT i = static_cast<UINT>(image.levels.size()); i < levelCount && ok; ++i) {
            argb = HalveArgb(wideAlready && i == image.levels.size() ? image.levels.back() : argb);
            ImageLevel packed;
            if (image.format == D3DFMT_A8R8G8B8 || image.format == D3DFMT_X8R8G8B8)
                ok = CopyLevel(texture, i, image.format, argb);
            else if (IsBlockFormat(image.format))
                ok = EncodeBlocks(image.format, argb, packed) &&
                     CopyLevel(texture, i, image.format, packed);
            else
                ok = ConvertFromArgb(image.format, argb, packed) &&
                     CopyLevel(texture, i, image.format, packed);
        }
    }
    if (!ok) {
        texture->Release();
        return E_FAIL;
    }
    *ppTexture = texture;
    return D3D_OK;
}

namespace {

// The loader proper; D3DXCreateTextureFromFileA keeps allocation failures inside.
HRESULT CreateTextureFromFile(LPDIRECT3DDEVICE8 pDevice, LPCSTR pSrcFile,
                              LPDIRECT3DTEXTURE8* ppTexture) {
    if (ppTexture != nullptr)
        *ppTexture = nullptr;
    if (pDevice == nullptr || pSrcFile == nullptr || ppTexture == nullptr)
        return D3DERR_INVALIDCALL;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!D3DXReadFile(pSrcFile, bytes, error)) {
        Win32SetErrorText(error);
        return E_FAIL;
    }
    DecodedImage image;
    if (!DecodeImage(bytes.data(), bytes.size(), image, error)) {
        Win32SetErrorText(D3DXNativePath(pSrcFile) + ": " + error);
        return D3DXERR_INVALIDDATA;
    }
    const HRESULT hr = D3DXCreateTextureFromImage(pDevice, image, ppTexture);
    if (FAILED(hr))
        Win32SetErrorText(D3DXNativePath(pSrcFile) + ": the device cannot create a " +
                          FormatName(image.format) + " texture of " +
                          std::to_string(image.levels.front().width) + "x" +
                          std::to_string(image.levels.front().height));
    return hr;
}

} // namespace

HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE8 pDevice, LPCSTR pSrcFile,
                                   LPDIRECT3DTEXTURE8* ppTexture) {
    try {
        return CreateTextureFromFile(pDevice, pSrcFile, ppTexture);
    } catch (const std::exception&) {
        Win32SetErrorText(D3DXNativePath(pSrcFile) + ": out of memory");
        return E_OUTOFMEMORY;
    }
}
