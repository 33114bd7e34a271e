// The ovrel_dump tool as people run it: reports for X files and images, one line per bad
// file, a non-zero exit status when any file could not be read, and the game's own data.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

struct DumpRun {
    std::string output;
    int status;
};

DumpRun Dump(const std::string& arguments) {
    const std::string command =
        std::string("\"") + OVREL_OUTPUT_DIR + "/ovrel_dump\" " + arguments + " 2>&1";
    DumpRun run{"", -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Corpus(const std::string& relative) {
    return "\"" + std::string(OVREL_CORPUS_DIR) + "/" + relative + "\"";
}

TEST(DumpTool, ReportsMeshesAndImages) {
    const DumpRun run = Dump(Corpus("x/test_cube_binary.x") + " " + Corpus("x/cell.x") + " " +
                             Corpus("dds/DwarfHead.dds") + " " + Corpus("img/basn6a08.png"));
    EXPECT_EQ(run.status, 0) << run.output;
    const char* expected[] = {
        "test_cube_binary.x: X file, version 0303, binary, 32-bit floats",
        "vertex format: 0x112 (XYZ | NORMAL | TEX1), 32 bytes",
        "meshes: 1, vertices: 24, faces: 12, indices: 16-bit",
        "bounds: (-1, -1, -1) to (1, 1, 1)",
        "materials: 3",
        "DwarfHead.dds: DDS image, DXT1, 256x256, 9 mip levels in the file, 9 in the texture",
        "basn6a08.png: PNG image, A8R8G8B8, 32x32, 1 mip level in the file, 6 in the texture",
    };
    for (const char* line : expected)
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\nin:\n" << run.output;
}

TEST(DumpTool, BadFilesGetOneLineEachAndAFailingStatus) {
    const DumpRun run = Dump(Corpus("x/empty.x") + " " + Corpus("x/OV_GetNextToken") + " " +
                             Corpus("img/xs1n0g01.png") + " " + Corpus("dds") + " " +
                             Corpus("no-such-file.x") + " " + Corpus("img/pal1.bmp"));
    EXPECT_EQ(run.status, 1);
    const char* expected[] = {
        "empty.x: empty file\n",
        "OV_GetNextToken: compressed chunk inflates to 2797 bytes, its header says 2800\n",
        "xs1n0g01.png: corrupt PNG signature\n",
        "dds: not a regular file\n",
        "no-such-file.x: No such file or directory\n",
        "pal1.bmp: BMP image, X8R8G8B8, 127x64",
    };
    for (const char* line : expected)
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\nin:\n" << run.output;
    EXPECT_EQ(Dump("").status, 2);
}

TEST(DumpTool, DescribesTheGameData) {
    const std::string data = OVREL_DATA_DIR;
    if (!std::filesystem::exists(data + "/L1.x"))
        GTEST_SKIP() << "the level data has not been built";
    const DumpRun run =
        Dump(data + "/L1.x " + data + "/L1add0.x " + data + "/L1add5.x " + data + "/L1add3.x");
    EXPECT_EQ(run.status, 0) << run.output;
    // The layouts the engine writes into at fixed byte offsets.
    const char* expected[] = {
        "L1.x: X file",     "0x152 (XYZ | NORMAL | DIFFUSE | TEX1), 36 bytes",
        "L1add0.x: X file", "0x112 (XYZ | NORMAL | TEX1), 32 bytes",
        "L1add3.x: X file", "0x012 (XYZ | NORMAL), 24 bytes",
    };
    for (const char* line : expected)
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\nin:\n" << run.output;
}

} // namespace
