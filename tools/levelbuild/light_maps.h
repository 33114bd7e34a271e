// Light maps for the shadow-marker model: the level's large floors (lawns, paving, room
// floors) and sunlit walls are grouped into flat charts, packed into square pages and lit texel by
// texel, so that shadows of walls, railings, trees and furniture fall on them sharply. The engine
// draws the marker copies of these triangles over the white level with the pages blended on top.
#pragma once

#include "image_io.h"
#include "light_bake.h"
#include "mesh.h"

#include <vector>

namespace levelbuild {

struct LightMapOptions {
    float texel = 0.05f;      // metres per texel
    int pageSize = 1024;      // texels along each side of a page
    int padding = 2;          // texels of border around each chart, against filtering seams
    float minArea = 1.5f;     // smallest floor chart, square metres
    float minWallArea = 2.0f; // smallest wall chart
    float minFill = 0.25f;    // smallest share of its rectangle a chart must cover
    bool walls = false;       // chart walls too, those facing wallFacing (the sun)
    Vec3 wallFacing{0, 1, 0};
};

// Which level triangles the light maps cover, grouped by chart.
struct LightMapCharts {
    std::vector<std::vector<size_t>> charts; // level triangle indices, one list per chart
    std::vector<int> axes;                   // per chart: the axis it lies across (0 x, 1 y, 2 z)
    std::vector<bool> marked;                // per level triangle
};

// Chooses the charts among the level triangles allowed by eligible: floors and, if asked,
// walls facing the sun, flat in an axis plane, joined when they lie in one plane and close
// together.
LightMapCharts ChooseCharts(const Mesh& level, const std::vector<bool>& eligible,
                            const LightMapOptions& options);

// Gives marked triangles vertices of their own where they share one with an unmarked
// triangle, appending the copies; the engine whitens every vertex of a marked triangle.
void SeparateMarkedVertices(Mesh& level, const std::vector<bool>& marked);

struct LightMapResult {
    Mesh markers; // copies of the charts' triangles, material = page index
    std::vector<Image> pages;
    float texel = 0; // metres per texel actually used
};

// Lights and packs the charts. vertexSoft holds the level vertices' soft light, which the
// texels take over between the vertices so that charts meet the vertex-lit surfaces evenly.
LightMapResult BakeLightMaps(const LightRig& rig, const RayScene& rays, const Mesh& level,
                             const LightMapCharts& charts, const std::vector<Rgb>& vertexSoft,
                             const LightMapOptions& options);

// The texel that darkens and tints a white-lit surface into the given light when blended on
// top of it with its alpha: colour * alpha + surface * (1 - alpha).
void EncodeLightTexel(Rgb light, uint8_t out[4]);

} // namespace levelbuild
