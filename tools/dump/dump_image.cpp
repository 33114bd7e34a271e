// The image report: file type, the texture format the loader keeps, size and mip levels.
#include "dump.h"

#include "d3dx/image_decoded.h"
#include "d3dx/image_format.h"

#include <string>

bool DumpImageFile(const char* path, const std::vector<uint8_t>& bytes, FILE* out, FILE* err) {
    DecodedImage image;
    std::string error;
    if (!DecodeImage(bytes.data(), bytes.size(), image, error)) {
        std::fprintf(err, "%s: %s\n", path, error.c_str());
        return false;
    }
    const ImageLevel& top = image.levels.front();
    const uint32_t full = FullMipCount(top.width, top.height);
    std::fprintf(out,
                 "%s: %s image, %s, %ux%u, %zu mip level%s in the file, %u in the texture%s%s\n",
                 path, image.type, FormatName(image.format), top.width, top.height,
                 image.levels.size(), image.levels.size() == 1 ? "" : "s", full,
                 image.note.empty() ? "" : "; ", image.note.c_str());
    return true;
}
