// TGA files: colour-mapped, true-colour and grey images, raw or run-length encoded (runs may
// cross rows), any of the four origins. TGA has no signature, so the header is checked for
// plausibility before anything else. The result is 32-bit ARGB; alpha is kept when the
// descriptor gives alpha bits.
#include "d3dx/image_decoded.h"

#include <cstring>

namespace {

bool Fail(std::string& error, const std::string& text) {
    error = text;
    return false;
}

uint32_t U16(const uint8_t* p) {
    return p[0] | p[1] << 8;
}

// A 15/16/24/32-bit colour (map entry or true-colour pixel) as ARGB.
uint32_t ColorValue(const uint8_t* p, uint32_t bits, bool useAlpha) {
    switch (bits) {
    case 15:
    case 16: {
        const uint32_t v = U16(p);
        const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        const uint32_t a = useAlpha && bits == 16 ? ((v & 0x8000) ? 255 : 0) : 255;
        return a << 24 | (r << 3 | r >> 2) << 16 | (g << 3 | g >> 2) << 8 | (b << 3 | b >> 2);
    }
    case 24:
        return 0xFF000000u | p[2] << 16 | p[1] << 8 | p[0];
    default:
        return (useAlpha ? static_cast<uint32_t>(p[3]) << 24 : 0xFF000000u) | p[2] << 16 |
               p[1] << 8 | p[0];
    }
}

} // namespace

bool LooksLikeTga(const uint8_t* data, size_t size) {
    if (size < 18)
        return false;
    const uint8_t mapType = data[1], type = data[2], bits = data[16];
    const bool typeOk =
        type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
    const bool bitsOk = bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
    return mapType <= 1 && typeOk && bitsOk && U16(data + 12) != 0 && U16(data + 14) != 0;
}

bool DecodeTga(const uint8_t* data, size_t size, DecodedImage& image, std::string& error) {
    image = DecodedImage{};
    image.type = "TGA";
    if (!LooksLikeTga(data, size))
        return Fail(error, "not a TGA image");
    const uint32_t idLength = data[0], mapType = data[1], type = data[2];
    const uint32_t mapFirst = U16(data + 3), mapLength = U16(data + 5), mapBits = data[7];
    const uint32_t width = U16(data + 12), height = U16(data + 14);
    const uint32_t bits = data[16], descriptor = data[17];
    const uint32_t alphaBits = descriptor & 0xF;
    const bool rightToLeft = (descriptor & 0x10) != 0, topToBottom = (descriptor & 0x20) != 0;
    const uint32_t baseType = type & 7;
    if (!ImageSizeAllowed("TGA", width, height, error))
        return false;
    if (baseType == 1 && (mapType != 1 || (bits != 8 && bits != 16)))
        return Fail(error, "bad TGA colour map");
    // ColorValue reads as many bytes as the depth says; an 8-bit true-colour pixel has one.
    if (baseType == 2 && bits == 8)
        return Fail(error, "unsupported TGA true-colour bit count 8");
    if (baseType == 3 && bits != 8 && bits != 16)
        return Fail(error, "unsupported TGA grey bit count " + std::to_string(bits));
    size_t pos = 18 + idLength;
    std::vector<uint32_t> colorMap;
    if (mapType == 1) {
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)
            return Fail(error, "unsupported TGA colour map entry size " + std::to_string(mapBits));
        const size_t entryBytes = (mapBits + 7) / 8;
        if (pos > size || static_cast<size_t>(mapLength) * entryBytes > size - pos)
            return Fail(error, "truncated TGA colour map");
        colorMap.resize(mapLength);
        for (uint32_t i = 0; i < mapLength; ++i)
            colorMap[i] = ColorValue(data + pos + i * entryBytes, mapBits, alphaBits > 0);
        pos += mapLength * entryBytes;
    }
    if (pos > size)
        return Fail(error, "truncated TGA header");
    const uint32_t pixelBytes = (bits + 7) / 8;
    const bool alpha = alphaBits > 0 &&
                       (baseType == 1 ? mapBits == 16 || mapBits == 32 : bits == 16 || bits == 32);

    // One pixel of the stream as ARGB; false when it refers outside the colour map.
    auto pixel = [&](const uint8_t* p, uint32_t& argb) {
        if (baseType == 1) {
            const uint32_t index = bits == 8 ? p[0] : U16(p);
            if (index < mapFirst || index - mapFirst >= colorMap.size())
                return false;
            argb = colorMap[index - mapFirst];
        } else if (baseType == 3) {
            const uint32_t l = p[0];
            const uint32_t a = bits == 16 && alphaBits > 0 ? p[1] : 255;
            argb = a << 24 | l << 16 | l << 8 | l;
        } else {
            argb = ColorValue(p, bits, alpha);
        }
        return true;
    };

    const size_t count = static_cast<size_t>(width) * height;
    const bool rle = type >= 9;
    // Checked before anything is allocated: raw pixels take their bytes each, and a run-length
    // packet of at most 128 pixels takes at least a header and one pixel.
    const size_t leastBytes = rle ? (count + 127) / 128 * (1 + pixelBytes) : count * pixelBytes;
    if (leastBytes > size - pos)
        return Fail(error, rle ? "truncated TGA run-length data" : "truncated TGA pixel data");
    std::vector<uint32_t> stream(count);
    size_t filled = 0;
    while (filled < count) {
        if (!rle) {
            if (pixelBytes > size - pos)
                return Fail(error, "truncated TGA pixel data");
            if (!pixel(data + pos, stream[filled++]))
                return Fail(error, "TGA pixel refers outside the colour map");
            pos += pixelBytes;
            continue;
        }
        if (pos >= size)
            return Fail(error, "truncated TGA run-length data");
        const uint8_t header = data[pos++];
        const size_t run = (header & 0x7F) + 1u;
        if (run > count - filled)
            return Fail(error, "TGA run passes the end of the image");
        if (header & 0x80) {
            uint32_t argb;
            if (pixelBytes > size - pos)
                return Fail(error, "truncated TGA run-length data");
            if (!pixel(data + pos, argb))
                return Fail(error, "TGA pixel refers outside the colour map");
            pos += pixelBytes;
            for (size_t i = 0; i < run; ++i)
                stream[filled++] = argb;
        } else {
            if (run * pixelBytes > size - pos)
                return Fail(error, "truncated TGA run-length data");
            for (size_t i = 0; i < run; ++i, pos += pixelBytes)
                if (!pixel(data + pos, stream[filled++]))
                    return Fail(error, "TGA pixel refers outside the colour map");
        }
    }
    ImageLevel level = MakeArgbLevel(width, height);
    for (uint32_t row = 0; row < height; ++row) {
        const uint32_t y = topToBottom ? row : height - 1 - row;
        for (uint32_t column = 0; column < width; ++column) {
            const uint32_t x = rightToLeft ? width - 1 - column : column;
            std::memcpy(level.bytes.data() + static_cast<size_t>(y) * level.pitch + 4 * x,
                        &stream[static_cast<size_t>(row) * width + column], 4);
        }
    }
    image.format =
        alpha || (baseType == 3 && bits == 16 && alphaBits > 0) ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    image.levels.push_back(std::move(level));
    return true;
}
