// Lights the assembled level: vertex colours of the level, detail and cut-out models from
// the sun, the sky and the lamps with ray-cast shadows, and the shadow-marker model with its
// light maps over the large floors.
#pragma once

#include "image_io.h"
#include "level_builder.h"
#include "light_maps.h"

#include <string>
#include <utility>
#include <vector>

namespace levelbuild {

struct LitLevel {
    Mesh markers;
    std::vector<Material> markerMaterials;
    std::vector<std::pair<std::string, Image>> images; // light map pages by file name
    std::string report;
};

// Bakes the light into level, detail and cutout. Level triangles from firstFixedFace to
// lastFixedFace (exclusive) are the animated objects' boxes: they are neither light-mapped
// nor changed. Vertices are only ever appended, so every vertex keeps its index. Walls are
// charted towards the sun when the options ask for walls.
LitLevel LightLevel(const LevelScene& scene, Mesh& level, size_t firstFixedFace,
                    size_t lastFixedFace, Mesh& detail, Mesh& cutout,
                    const LightMapOptions& options = {});

} // namespace levelbuild
