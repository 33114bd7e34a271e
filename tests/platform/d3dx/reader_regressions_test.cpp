// Inputs that fuzzing found and the readers once mishandled (reads past the buffer, huge
// allocations, crashes): each is now read or refused with one line, and never read outside
// itself (run under the sanitizer build). A folder per harness under tests/corpus/regressions.
#include "d3dx/image_decoded.h"
#include "x_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Every file of one regressions folder; none when the folder does not exist.
std::vector<std::filesystem::path> RegressionFiles(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path dir = CorpusPath("regressions/" + folder);
    if (std::filesystem::is_directory(dir))
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    return files;
}

void ExpectOneLine(bool ok, const std::string& error, const std::filesystem::path& file) {
    if (!ok) {
        EXPECT_FALSE(error.empty()) << file;
        EXPECT_EQ(error.find('\n'), std::string::npos) << file << ": " << error;
    }
}

TEST(ReaderRegressions, ImagesAreReadOrRefusedCleanly) {
    size_t checked = 0;
    for (const char* folder : {"dds", "bmp", "tga", "png", "jpeg"}) {
        for (const std::filesystem::path& file : RegressionFiles(folder)) {
            const std::vector<uint8_t> bytes = ReadBytes(file.string());
            DecodedImage image;
            std::string error;
            const bool ok = DecodeImage(bytes.data(), bytes.size(), image, error);
            ExpectOneLine(ok, error, file);
            ++checked;
        }
    }
    EXPECT_GE(checked, 2u);
}

TEST(ReaderRegressions, XFilesAreReadOrRefusedCleanly) {
    for (const std::filesystem::path& file : RegressionFiles("x_file")) {
        XMeshData mesh;
        std::string error;
        const bool ok = BuildFromBytes(ReadBytes(file.string()), mesh, error);
        ExpectOneLine(ok, error, file);
        if (!ok)
            continue;
        for (uint32_t index : mesh.indices)
            ASSERT_LT(index, mesh.vertexCount) << file;
    }
}

} // namespace
