// Textures: every mip level kept in system memory in its Direct3D layout, so LockRect works
// at any time; levels written since the last draw are uploaded when the texture is next used.
#include "d3d8/d3d8_local.h"
#include "d3d8/dxt_codec.h"

#include <algorithm>
#include <new>

D3D8Texture::D3D8Texture(D3D8Device* owner, DWORD usageFlags, const D3D8FormatInfo& formatInfo,
                         D3DPOOL poolType)
    : D3D8Resource(owner), info(formatInfo), usage(usageFlags), pool(poolType) {}

bool D3D8Texture::Allocate(UINT width, UINT height, UINT levelCount) {
    UINT fullChain = 1;
    for (UINT size = std::max(width, height); size > 1; size /= 2)
        ++fullChain;
    const UINT count = levelCount == 0 ? fullChain : std::min(levelCount, fullChain);
    try {
        for (UINT i = 0; i < count; ++i) {
            MipLevel level;
            level.width = std::max(1u, width >> i);
            level.height = std::max(1u, height >> i);
            level.pitch = D3D8RowPitch(info, level.width);
            level.bytes.assign(static_cast<size_t>(level.pitch) * D3D8RowCount(info, level.height),
                               0);
            levels.push_back(std::move(level));
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

D3D8Texture::~D3D8Texture() {
    if (glTexture != 0) {
        device->MakeCurrent();
        device->ForgetGlTexture(glTexture);
        glDeleteTextures(1, &glTexture);
    }
}

HRESULT D3D8Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    if (pDesc == nullptr || Level >= levels.size())
        return D3DERR_INVALIDCALL;
    const MipLevel& level = levels[Level];
    *pDesc = {info.format,
              D3DRTYPE_SURFACE,
              usage,
              pool,
              static_cast<UINT>(level.bytes.size()),
              D3DMULTISAMPLE_NONE,
              level.width,
              level.height};
    return D3D_OK;
}

HRESULT D3D8Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                              DWORD Flags) {
    device->recorder.Add("LockRect", {resourceId, Level, pRect != nullptr ? 1u : 0u, Flags});
    if (pLockedRect == nullptr || Level >= levels.size())
        return D3DERR_INVALIDCALL;
    MipLevel& level = levels[Level];
    if (level.locked)
        return D3DERR_INVALIDCALL;
    size_t offset = 0;
    if (pRect != nullptr) {
        if (pRect->left < 0 || pRect->top < 0 || pRect->right > static_cast<LONG>(level.width) ||
            pRect->bottom > static_cast<LONG>(level.height) || pRect->left >= pRect->right ||
            pRect->top >= pRect->bottom)
            return D3DERR_INVALIDCALL;
        UINT left = static_cast<UINT>(pRect->left), top = static_cast<UINT>(pRect->top);
        // Compressed levels are addressed by 4x4 block.
        if (info.compressed)
            offset = static_cast<size_t>(top / 4) * level.pitch + (left / 4) * info.bytes;
        else
            offset = static_cast<size_t>(top) * level.pitch + left * info.bytes;
    }
    pLockedRect->Pitch = static_cast<INT>(level.pitch);
    pLockedRect->pBits = level.bytes.data() + offset;
    level.locked = true;
    if ((Flags & D3DLOCK_READONLY) == 0) {
        level.dirty = true;
        anyDirty = true;
    }
    return D3D_OK;
}

HRESULT D3D8Texture::UnlockRect(UINT Level) {
    device->recorder.Add("UnlockRect", {resourceId, Level});
    if (Level >= levels.size() || !levels[Level].locked)
        return D3DERR_INVALIDCALL;
    levels[Level].locked = false;
    return D3D_OK;
}

void D3D8Texture::UploadLevel(GLint index, const MipLevel& level, bool compressedUpload) {
    const GLsizei width = static_cast<GLsizei>(level.width);
    const GLsizei height = static_cast<GLsizei>(level.height);
    if (!info.compressed) {
        glTexImage2D(GL_TEXTURE_2D, index, static_cast<GLint>(info.internalFormat), width, height,
                     0, info.glFormat, info.glType, level.bytes.data());
    } else if (compressedUpload) {
        glCompressedTexImage2D(GL_TEXTURE_2D, index, info.internalFormat, width, height, 0,
                               static_cast<GLsizei>(level.bytes.size()), level.bytes.data());
    } else {
        // Without the S3TC extension, or on a software rasteriser, the blocks are decoded here,
        // to the colours the platform gives them, and go up as 32-bit ARGB.
        std::vector<uint32_t> argb(static_cast<size_t>(level.width) * level.height);
        DxtDecodeLevel(info.format, level.bytes.data(), D3D8RowPitch(info, level.width),
                       level.width, level.height, argb.data(), level.width);
        glTexImage2D(GL_TEXTURE_2D, index, GL_RGBA8, width, height, 0, GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV, argb.data());
    }
}

GLuint D3D8Texture::Prepare(bool compressedUpload, GLuint& bound) {
    if (glTexture == 0) {
        glGenTextures(1, &glTexture);
        glBindTexture(GL_TEXTURE_2D, glTexture);
        bound = glTexture;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size()) - 1);
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, info.swizzle.data());
        uploadedCompressed = compressedUpload;
        for (MipLevel& level : levels)
            level.dirty = true;
        anyDirty = true;
    }
    if (info.compressed && compressedUpload != uploadedCompressed) {
        // Every level must use the same internal format for the texture to be complete.
        for (MipLevel& level : levels)
            level.dirty = true;
        anyDirty = true;
        uploadedCompressed = compressedUpload;
    }
    if (!anyDirty)
        return glTexture;
    if (bound != glTexture) {
        glBindTexture(GL_TEXTURE_2D, glTexture);
        bound = glTexture;
    }
    for (size_t i = 0; i < levels.size(); ++i) {
        if (levels[i].dirty) {
            UploadLevel(static_cast<GLint>(i), levels[i], compressedUpload);
            levels[i].dirty = false;
        }
    }
    anyDirty = false;
    return glTexture;
}
