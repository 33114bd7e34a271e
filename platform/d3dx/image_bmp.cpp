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

// What the file and info headers say, with the masks and palette position worked out.
struct BmpHeader {
    uint32_t pixelOffset = 0;
    uint32_t width = 0, height = 0;
    bool topDown = false;
    uint32_t bits = 0, compression = BI_RGB, colorsUsed = 0, paletteEntry = 4;
    size_t paletteStart = 0;
    uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
};

bool ReadHeader(const uint8_t* data, size_t size, BmpHeader& out, std::string& error) {
    if (size < 26 || data[0] != 'B' || data[1] != 'M')
        return Fail(error, "truncated BMP header");
    out.pixelOffset = U32(data + 10);
    const uint32_t headerSize = U32(data + 14);
    if (headerSize < 12 || headerSize > size - 14)
        return Fail(error, "bad BMP header size");
    int64_t width, height;
    const uint8_t* h = data + 14;
    if (headerSize == 12) { // OS/2 1.x
        width = U16(h + 4);
        height = static_cast<int16_t>(U16(h + 6));
        out.bits = U16(h + 10);
        out.paletteEntry = 3;
    } else {
        if (headerSize < 40 && headerSize != 16 && headerSize != 64)
            return Fail(error, "bad BMP header size");
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        out.bits = U16(h + 14);
        if (headerSize >= 20)
            out.compression = U32(h + 16);
        if (headerSize >= 36)
            out.colorsUsed = U32(h + 32);
    }
    out.topDown = height < 0;
    if (out.topDown)
        height = -height;
    if (width <= 0 || height <= 0)
        return Fail(error, "BMP image has no pixels");
    if (!ImageSizeAllowed("BMP", static_cast<uint64_t>(width), static_cast<uint64_t>(height),
                          error))
        return false;
    out.width = static_cast<uint32_t>(width);
    out.height = static_cast<uint32_t>(height);
    const uint32_t bits = out.bits, compression = out.compression;
    if (compression == BI_JPEG || compression == BI_PNG)
        return Fail(error, "BMP with embedded JPEG or PNG data is not supported");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Fail(error, "unsupported BMP bit count " + std::to_string(bits));
    if ((compression == BI_RLE8 && bits != 8) || (compression == BI_RLE4 && bits != 4) ||
        ((compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) && bits != 16 &&
         bits != 32) ||
        compression > BI_ALPHABITFIELDS)
        return Fail(error, "unsupported BMP compression " + std::to_string(compression));
    if (out.topDown && (compression == BI_RLE8 || compression == BI_RLE4))
        return Fail(error, "top-down BMP cannot be RLE compressed");

    // Channel masks: the defaults, or explicit ones after (or inside) the header.
    if (bits == 16) {
        out.rMask = 0x7C00, out.gMask = 0x3E0, out.bMask = 0x1F;
    } else if (bits == 24 || bits == 32) {
        out.rMask = 0xFF0000, out.gMask = 0xFF00, out.bMask = 0xFF;
    }
    out.paletteStart = 14 + headerSize;
    if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
        const size_t maskBytes = compression == BI_ALPHABITFIELDS ? 16 : 12;
        const uint8_t* masks = h + 40;
        if (headerSize == 40) {
            if (size < out.paletteStart + maskBytes)
                return Fail(error, "truncated BMP channel masks");
            out.paletteStart += maskBytes;
        } else if (headerSize < 52) {
            return Fail(error, "bad BMP header size");
        }
        out.rMask = U32(masks), out.gMask = U32(masks + 4), out.bMask = U32(masks + 8);
        // An alpha mask in the header only counts with BI_BITFIELDS.
        if (compression == BI_ALPHABITFIELDS || headerSize >= 56)
            out.aMask = U32(masks + 12);
    }
    return true;
}

// The palette entries the file holds before its pixels; the rest stay opaque black.
std::vector<uint32_t> ReadPalette(const uint8_t* data, size_t size, const BmpHeader& header) {
    std::vector<uint32_t> palette;
    if (header.bits > 8)
        return palette;
    const uint32_t maxColors = 1u << header.bits;
    const uint32_t count =
        header.colorsUsed == 0 || header.colorsUsed > maxColors ? maxColors : header.colorsUsed;
    palette.assign(maxColors, 0xFF000000u);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = header.paletteStart + static_cast<size_t>(i) * header.paletteEntry;
        if (at + 3 > size || at + 3 > header.pixelOffset)
            break;
        palette[i] = 0xFF000000u | data[at + 2] << 16 | data[at + 1] << 8 | data[at];
    }
    return palette;
}

// The pixel of column x in an uncompressed row, as ARGB.
uint32_t RowPixel(const uint8_t* row, uint32_t x, const BmpHeader& header,
                  const std::vector<uint32_t>& palette) {
    const uint32_t bits = header.bits;
    if (bits <= 8) {
        const uint32_t bit = x * bits;
        return palette[(row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1)];
    }
    const uint32_t bytes = bits / 8;
    uint32_t pixel = 0;
    for (uint32_t k = 0; k < bytes; ++k)
        pixel |= static_cast<uint32_t>(row[x * bytes + k]) << (8 * k);
    const uint32_t a = header.aMask != 0 ? Channel(pixel, header.aMask) : 255;
    return a << 24 | Channel(pixel, header.rMask) << 16 | Channel(pixel, header.gMask) << 8 |
           Channel(pixel, header.bMask);
}

} // namespace

bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image, std::string& error) {
    image = DecodedImage{};
    image.type = "BMP";
    BmpHeader header;
    if (!ReadHeader(data, size, header, error))
        return false;
    const std::vector<uint32_t> palette = ReadPalette(data, size, header);
    if (header.pixelOffset >= size)
        return Fail(error, "truncated BMP: no pixel data");
    const uint8_t* pixels = data + header.pixelOffset;
    const size_t available = size - header.pixelOffset;
    const uint32_t w = header.width, hgt = header.height;
    const bool rle = header.compression == BI_RLE8 || header.compression == BI_RLE4;
    const size_t stride = (static_cast<size_t>(w) * header.bits + 31) / 32 * 4;
    // The last row needs only its pixels, not its padding. Checked before anything is
    // allocated, so a short file cannot ask for a large picture.
    const size_t lastRow = (static_cast<size_t>(w) * header.bits + 7) / 8;
    if (!rle && available < stride * (hgt - 1) + lastRow)
        return Fail(error, "truncated BMP pixel data (" + std::to_string(available) + " of " +
                               std::to_string(stride * hgt) + " bytes)");

    ImageLevel level = MakeArgbLevel(w, hgt);
    auto store = [&](uint32_t x, uint32_t fileRow, uint32_t argb) {
        const uint32_t y = header.topDown ? fileRow : hgt - 1 - fileRow;
        std::memcpy(level.bytes.data() + static_cast<size_t>(y) * level.pitch + 4 * x, &argb, 4);
    };
    if (rle) {
        std::vector<uint8_t> indices;
        if (!DecodeRle(pixels, available, w, hgt, header.compression == BI_RLE4, indices, error))
            return false;
        for (uint32_t row = 0; row < hgt; ++row)
            for (uint32_t x = 0; x < w; ++x)
                store(x, row, palette[indices[static_cast<size_t>(row) * w + x]]);
    } else {
        for (uint32_t row = 0; row < hgt; ++row)
            for (uint32_t x = 0; x < w; ++x)
                store(x, row, RowPixel(pixels + row * stride, x, header, palette));
    }
    image.format = header.aMask != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    image.levels.push_back(std::move(level));
    return true;
}
