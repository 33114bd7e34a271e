// BMP files: Windows and OS/2 headers, 1-, 4- and 8-bit palettes (RLE4 and RLE8 too), 16- and
// 32-bit with default or explicit channel masks, 24-bit; rows bottom-up or top-down. The
// result is 32-bit ARGB, with alpha only when the file gives an alpha mask.
#include "d3dx/image_decoded.h"

#include <cstring>

namespace {

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_JPEG = 4, BI_PNG = 5,
                   BI_ALPHABITFIELDS = 6;

uint32_t U16(const uint8_t* p) {
    return p[0] | p[1] << 8;
}
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint32_t Channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = __builtin_ctz(mask);
    const uint64_t max = mask >> shift;
    return static_cast<uint32_t>((((pixel & mask) >> shift) * 255 + max / 2) / max);
}

bool Fail(std::string& error, const std::string& text) {
    error = text;
    return false;
}

// Expands RLE8 or RLE4 data into one palette index per pixel, bottom row first. Pixels the
// codes skip keep index 0.
bool DecodeRle(const uint8_t* src, size_t size, uint32_t width, uint32_t height, bool four,
               std::vector<uint8_t>& indices, std::string& error) {
    indices.assign(static_cast<size_t>(width) * height, 0);
    uint32_t x = 0, y = 0;
    size_t pos = 0;
    auto put = [&](uint8_t index) {
        if (x < width && y < height)
            indices[static_cast<size_t>(y) * width + x] = index;
        ++x;
    };
    while (pos + 1 < size) {
        const uint8_t count = src[pos], value = src[pos + 1];
        pos += 2;
        if (count > 0) {
            if (x + count > width)
                return Fail(error, "BMP RLE run passes the end of a row");
            for (uint32_t i = 0; i < count; ++i)
                put(four ? ((i & 1) ? value & 0xF : value >> 4) : value);
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) { // delta
            if (pos + 1 >= size)
                break;
            x += src[pos];
            y += src[pos + 1];
            pos += 2;
        } else { // absolute run of value pixels, padded to 16 bits
            const size_t bytes = four ? (value + 1) / 2 : value;
            if (bytes > size - pos)
                break;
            if (x + value > width)
                return Fail(error, "BMP RLE run passes the end of a row");
            for (uint32_t i = 0; i < value; ++i)
                put(four ? ((i & 1) ? src[pos + i / 2] & 0xF : src[pos + i / 2] >> 4)
                         : src[pos + i]);
            pos += bytes + (bytes & 1);
        }
        if (y > height)
            return Fail(error, "BMP RLE data runs past the image");
    }
    return Fail(error, "truncated BMP RLE data");
}

} // namespace

bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image, std::string& error) {
    image = DecodedImage{};
    image.type = "BMP";
    if (size < 26 || data[0] != 'B' || data[1] != 'M')
        return Fail(error, "truncated BMP header");
    const uint32_t pixelOffset = U32(data + 10);
    const uint32_t headerSize = U32(data + 14);
    if (headerSize < 12 || headerSize > size - 14)
        return Fail(error, "bad BMP header size");
    int64_t width, height;
    uint32_t bits, compression = BI_RGB, colorsUsed = 0, paletteEntry = 4;
    const uint8_t* h = data + 14;
    if (headerSize == 12) { // OS/2 1.x
        width = U16(h + 4);
        height = static_cast<int16_t>(U16(h + 6));
        bits = U16(h + 10);
        paletteEntry = 3;
    } else {
        if (headerSize < 40 && headerSize != 16 && headerSize != 64)
            return Fail(error, "bad BMP header size");
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        bits = U16(h + 14);
        if (headerSize >= 20)
            compression = U32(h + 16);
        if (headerSize >= 36)
            colorsUsed = U32(h + 32);
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0)
        return Fail(error, "BMP image has no pixels");
    if (width > MAX_IMAGE_SIZE || height > MAX_IMAGE_SIZE)
        return Fail(error, "BMP image too large (" + std::to_string(width) + "x" +
                               std::to_string(height) + ")");
    if (compression == BI_JPEG || compression == BI_PNG)
        return Fail(error, "BMP with embedded JPEG or PNG data is not supported");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Fail(error, "unsupported BMP bit count " + std::to_string(bits));
    if ((compression == BI_RLE8 && bits != 8) || (compression == BI_RLE4 && bits != 4) ||
        ((compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) && bits != 16 &&
         bits != 32) ||
        compression > BI_ALPHABITFIELDS)
        return Fail(error, "unsupported BMP compression " + std::to_string(compression));
    if (topDown && (compression == BI_RLE8 || compression == BI_RLE4))
        return Fail(error, "top-down BMP cannot be RLE compressed");

    // Channel masks: the defaults, or explicit ones after (or inside) the header.
    uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
    if (bits == 16) {
        rMask = 0x7C00, gMask = 0x3E0, bMask = 0x1F;
    } else if (bits == 24 || bits == 32) {
        rMask = 0xFF0000, gMask = 0xFF00, bMask = 0xFF;
    }
    size_t paletteStart = 14 + headerSize;
    if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
        const size_t maskBytes = compression == BI_ALPHABITFIELDS ? 16 : 12;
        const uint8_t* masks = h + 40;
        if (headerSize == 40) {
            if (size < paletteStart + maskBytes)
                return Fail(error, "truncated BMP channel masks");
            paletteStart += maskBytes;
        } else if (headerSize < 52) {
            return Fail(error, "bad BMP header size");
        }
        rMask = U32(masks), gMask = U32(masks + 4), bMask = U32(masks + 8);
        if (compression == BI_ALPHABITFIELDS || headerSize >= 56)
            aMask = U32(masks + 12);
    } else if (headerSize >= 56 && bits == 32 && compression == BI_RGB) {
        aMask = 0; // an alpha mask in the header only counts with BI_BITFIELDS
    }

    std::vector<uint32_t> palette;
    if (bits <= 8) {
        const uint32_t maxColors = 1u << bits;
        const uint32_t count = colorsUsed == 0 || colorsUsed > maxColors ? maxColors : colorsUsed;
        palette.assign(maxColors, 0xFF000000u);
        for (uint32_t i = 0; i < count; ++i) {
            const size_t at = paletteStart + static_cast<size_t>(i) * paletteEntry;
            if (at + 3 > size || at + 3 > pixelOffset)
                break;
            palette[i] = 0xFF000000u | data[at + 2] << 16 | data[at + 1] << 8 | data[at];
        }
    }
    if (pixelOffset >= size)
        return Fail(error, "truncated BMP: no pixel data");
    const uint8_t* pixels = data + pixelOffset;
    const size_t available = size - pixelOffset;
    const auto w = static_cast<uint32_t>(width), hgt = static_cast<uint32_t>(height);
    ImageLevel level = MakeArgbLevel(w, hgt);
    const bool alpha = aMask != 0;
    auto store = [&](uint32_t x, uint32_t fileRow, uint32_t argb) {
        const uint32_t y = topDown ? fileRow : hgt - 1 - fileRow;
        std::memcpy(level.bytes.data() + static_cast<size_t>(y) * level.pitch + 4 * x, &argb, 4);
    };

    if (compression == BI_RLE8 || compression == BI_RLE4) {
        std::vector<uint8_t> indices;
        if (!DecodeRle(pixels, available, w, hgt, compression == BI_RLE4, indices, error))
            return false;
        for (uint32_t row = 0; row < hgt; ++row)
            for (uint32_t x = 0; x < w; ++x)
                store(x, row, palette[indices[static_cast<size_t>(row) * w + x]]);
    } else {
        const size_t stride = (static_cast<size_t>(w) * bits + 31) / 32 * 4;
        // The last row needs only its pixels, not its padding.
        const size_t lastRow = (static_cast<size_t>(w) * bits + 7) / 8;
        if (available < stride * (hgt - 1) + lastRow)
            return Fail(error, "truncated BMP pixel data (" + std::to_string(available) + " of " +
                                   std::to_string(stride * hgt) + " bytes)");
        for (uint32_t row = 0; row < hgt; ++row) {
            const uint8_t* src = pixels + row * stride;
            for (uint32_t x = 0; x < w; ++x) {
                uint32_t argb;
                if (bits <= 8) {
                    const uint32_t bit = x * bits;
                    const uint32_t index =
                        (src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                    argb = palette[index];
                } else {
                    const uint32_t bytes = bits / 8;
                    uint32_t pixel = 0;
                    for (uint32_t k = 0; k < bytes; ++k)
                        pixel |= static_cast<uint32_t>(src[x * bytes + k]) << (8 * k);
                    const uint32_t a = alpha ? Channel(pixel, aMask) : 255;
                    argb = a << 24 | Channel(pixel, rMask) << 16 | Channel(pixel, gMask) << 8 |
                           Channel(pixel, bMask);
                }
                store(x, row, argb);
            }
        }
    }
    image.format = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    image.levels.push_back(std::move(level));
    return true;
}
