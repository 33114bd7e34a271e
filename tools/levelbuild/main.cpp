// ovrel_levelbuild: reads the level description and writes the game's data folder (the eight
// X models, the textures they name, the HUD and menu images) and the window icon.
//
// Usage: ovrel_levelbuild <level description> <data folder> <icon file> [--text]
// --text writes the models as text X files, to read or to compare; the game reads either.
#include "image_io.h"
#include "level_builder.h"
#include "level_source.h"
#include "menus.h"
#include "texture_files.h"
#include "textures.h"
#include "x_binary_writer.h"
#include "x_writer.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

using namespace levelbuild;

namespace {

void Require(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error("cannot write " + what);
    }
}

bool textModels = false;

void WriteModel(const std::string& dir, const std::string& file, const std::string& frame,
                const Mesh& mesh, const std::vector<Material>& materials, VertexLayout layout) {
    // Binary: the game reads raw floats instead of parsing some ten megabytes of decimals.
    const auto write = textModels ? WriteXFile : WriteBinaryXFile;
    Require(write(dir + "/" + file, frame, mesh, materials, layout, "data\\tex\\"), file);
}

// The level's textures go out with their mip chains, so the game only copies them. The log
// names those the blocks would spoil; the rest are counted.
void WriteTexture(const std::string& dir, const std::string& name, const Image& image,
                  int& compressed, std::string& report) {
    TextureFile file = MakeTextureFile(image);
    Require(WriteTextureFile(dir + "/tex/" + name, file), name);
    if (file.blocks.empty()) {
        report += "kept 32-bit: " + DescribeTextureFile(name, file);
    } else {
        ++compressed;
    }
}

} // namespace

int main(int argc, char** argv) {
    textModels = argc == 5 && std::string(argv[4]) == "--text";
    if (argc != 4 && !textModels) {
        std::fprintf(stderr, "usage: %s <level description> <data folder> <icon file> [--text]\n",
                     argv[0]);
        return 2;
    }
    try {
        std::string data = argv[2];
        // The folder holds only what this build writes: no texture of an earlier build stays
        // behind to be installed with the game.
        std::filesystem::remove_all(data + "/tex");
        std::filesystem::create_directories(data + "/tex");
        LevelScene scene = BuildScene(ReadLevelSource(argv[1]));
        LevelModels models = AssembleModels(scene);
        models.report += CheckModelSeams(scene, models);

        const VertexLayout levelLayout{true, true, true};
        const VertexLayout texturedLayout{true, false, true};
        const VertexLayout hullLayout{true, false, false};
        WriteModel(data, "L1.x", "Level", models.level, models.levelMaterials, levelLayout);
        WriteModel(data, "L1add0.x", "ShadowMarkers", models.markers, models.markerMaterials,
                   texturedLayout);
        WriteModel(data, "L1add1.x", "Detail", models.detail, models.detailMaterials, levelLayout);
        WriteModel(data, "L1add2.x", "CutOuts", models.cutout, models.cutoutMaterials, levelLayout);
        WriteModel(data, "L1add3.x", "Hull", models.hull, models.hullMaterials, hullLayout);
        WriteModel(data, "L1add4.x", "Sky", models.sky, models.skyMaterials, texturedLayout);
        WriteModel(data, "L1add5.x", "Water", models.water, models.waterMaterials, texturedLayout);
        WriteModel(data, "kelmar.x", "Collectible", models.collectible, models.collectibleMaterials,
                   levelLayout);

        int compressed = 0;
        for (const std::string& name : models.textures) {
            Image image;
            std::string stem = name.substr(0, name.find('.'));
            if (!MakeTexture(stem, image)) {
                throw std::runtime_error("no painter for texture " + name);
            }
            WriteTexture(data, name, image, compressed, models.report);
        }
        for (const auto& [name, image] : models.bakedImages) {
            WriteTexture(data, name, image, compressed, models.report);
        }
        models.report += "textures: " + std::to_string(compressed) + " of " +
                         std::to_string(models.textures.size() + models.bakedImages.size()) +
                         " in DXT blocks\n";
        // The game recognises images by content: the corona sprite and the menu screens are
        // DDS files too, with the chain the loader would otherwise build from a PNG.
        Require(WriteDds(data + "/sprite.obr", MakeCoronaSprite()), "sprite.obr");
        Require(WriteDds(data + "/menu0.obr", MakeTitleScreen()), "menu0.obr");
        Require(WriteDds(data + "/menu1.obr", MakeMainMenu()), "menu1.obr");
        Require(WriteDds(data + "/menu2.obr", MakeEndScreen()), "menu2.obr");
        Require(WriteDds(data + "/test4.dds", MakeHudIcon()), "test4.dds");
        Require(WriteDds(data + "/temp2.dds", MakeSpareImage()), "temp2.dds");
        Require(WriteDds(data + "/test10.dds", MakeCollectibleIcon()), "test10.dds");
        Require(WriteDds(data + "/test11.dds", MakeFadeOverlay()), "test11.dds");
        Require(WriteDds(data + "/point.dds", MakeCrosshair()), "point.dds");
        Require(WritePng(argv[3], MakeWindowIcon()), argv[3]);
        std::printf("%s", models.report.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ovrel_levelbuild: %s\n", e.what());
        return 1;
    }
    return 0;
}
