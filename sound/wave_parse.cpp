// Finding the format and the samples inside a RIFF WAVE image, in place, and finding the
// image among the executable's resources. The image is never copied.
#include "sound/sound.h"

#include <cstring>

namespace {

DWORD ReadWord(const BYTE* at) {
    return static_cast<DWORD>(at[0]) | static_cast<DWORD>(at[1]) << 8 |
           static_cast<DWORD>(at[2]) << 16 | static_cast<DWORD>(at[3]) << 24;
}

WORD ReadHalf(const BYTE* at) {
    return static_cast<WORD>(at[0] | at[1] << 8);
}

bool IdIs(const BYTE* at, const char* id) {
    return std::memcmp(at, id, 4) == 0;
}

// The first 16 bytes of a PCM format are read by whoever uses it, even from a 14-byte chunk.
constexpr DWORD PCM_FORMAT_BYTES = 16;

// Parses an image whose readable length is limit bytes (at least 12).
HRESULT ParseChunks(const BYTE* image, DWORD limit, const WAVEFORMATEX** format, const BYTE** data,
                    DWORD* size) {
    if (!IdIs(image, "RIFF") || !IdIs(image + 8, "WAVE")) {
        return E_FAIL;
    }
    const uint64_t end = 8 + static_cast<uint64_t>(ReadWord(image + 4));
    if (end > limit) {
        return E_FAIL; // the image is cut short
    }
    auto othersFound = [&](bool needFormat) {
        return (!needFormat || format == nullptr || *format != nullptr) &&
               (data == nullptr || *data != nullptr) && (size == nullptr || *size != 0);
    };
    uint64_t cursor = 12;
    while (cursor < end) {
        if (end - cursor < 8) {
            return E_FAIL;
        }
        const BYTE* header = image + cursor;
        const DWORD chunkSize = ReadWord(header + 4);
        cursor += 8;
        // A chunk running past the end of the image is refused, never read.
        if (chunkSize > end - cursor) {
            return E_FAIL;
        }
        const BYTE* body = image + cursor;
        if (IdIs(header, "fmt ") && format != nullptr && *format == nullptr) {
            if (chunkSize < 14 || end - cursor < PCM_FORMAT_BYTES) {
                return E_FAIL;
            }
            // An extensible format is read whole by the sound layer, so its chunk must hold it.
            if (ReadHalf(body) == WAVE_FORMAT_EXTENSIBLE &&
                chunkSize < sizeof(WAVEFORMATEXTENSIBLE)) {
                return E_FAIL;
            }
            *format = reinterpret_cast<const WAVEFORMATEX*>(body);
            if (othersFound(false)) {
                return S_OK;
            }
        }
        if (IdIs(header, "data") &&
            ((data != nullptr && *data == nullptr) || (size != nullptr && *size == 0))) {
            if (data != nullptr) {
                *data = body;
            }
            if (size != nullptr) {
                *size = chunkSize;
            }
            if (format == nullptr || *format != nullptr) {
                return S_OK;
            }
        }
        cursor += chunkSize + (chunkSize & 1); // odd chunks carry a pad byte
    }
    return E_FAIL;
}

void ClearOutputs(const WAVEFORMATEX** format, const BYTE** data, DWORD* size) {
    if (format != nullptr) {
        *format = nullptr;
    }
    if (data != nullptr) {
        *data = nullptr;
    }
    if (size != nullptr) {
        *size = 0;
    }
}

} // namespace

HRESULT WaveParse(const void* image, const WAVEFORMATEX** format, const BYTE** data, DWORD* size) {
    ClearOutputs(format, data, size);
    if (image == nullptr) {
        return E_FAIL;
    }
    const BYTE* bytes = static_cast<const BYTE*>(image);
    // Without a known size, the image is as long as its RIFF length says.
    const uint64_t claimed = 8 + static_cast<uint64_t>(ReadWord(bytes + 4));
    const DWORD limit = claimed > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(claimed);
    return ParseChunks(bytes, limit, format, data, size);
}

HRESULT WaveParseSized(const void* image, DWORD imageSize, const WAVEFORMATEX** format,
                       const BYTE** data, DWORD* size) {
    ClearOutputs(format, data, size);
    if (image == nullptr || imageSize < 12) {
        return E_FAIL;
    }
    return ParseChunks(static_cast<const BYTE*>(image), imageSize, format, data, size);
}

HRESULT WaveResourceGet(HMODULE module, LPCSTR name, const WAVEFORMATEX** format, const BYTE** data,
                        DWORD* size) {
    ClearOutputs(format, data, size);
    HRSRC info = FindResourceA(module, name, "WAVE");
    if (info == nullptr) {
        info = FindResourceA(module, name, "WAV");
    }
    if (info == nullptr) {
        return E_FAIL;
    }
    // The image stays loaded and locked for the life of the process.
    HGLOBAL loaded = LoadResource(module, info);
    if (loaded == nullptr) {
        return E_FAIL;
    }
    const void* image = LockResource(loaded);
    if (image == nullptr) {
        return E_FAIL;
    }
    return WaveParseSized(image, SizeofResource(module, info), format, data, size);
}
