// The image entry on any bytes, as the texture loader calls it: recognised by content, then
// the top level widened to 32-bit ARGB and halved, as a texture too large for the device is.
// One harness, built once per format so that each starts from its own seeds.
#include "d3dx/image_decoded.h"
#include "d3dx/image_format.h"
#include "fuzz_entry.h"

#include <cstdlib>

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedImage image;
    std::string error;
    if (!DecodeImage(data, size, image, error))
        return 0;
    if (image.levels.empty())
        std::abort();
    for (const ImageLevel& level : image.levels) {
        uint32_t pitch = 0, rows = 0;
        if (!LevelLayout(image.format, level.width, level.height, pitch, rows) ||
            level.pitch != pitch || level.bytes.size() != static_cast<size_t>(pitch) * rows)
            std::abort();
    }
    const ImageLevel argb = ConvertToArgb(image.format, image.levels.front());
    HalveArgb(argb);
    return 0;
}
