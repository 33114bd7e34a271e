// The level's light bake, step by step: the occluders, the rig from the lamps, the charts,
// the vertex colours and the light map pages.
#include "level_lighting.h"

#include "light_subdivide.h"
#include "textures.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <sstream>

namespace levelbuild {

namespace {

// A lamp this far reaching is the sun in the sky, not a lamp in the level.
constexpr float SUN_RANGE = 50.0f;

// Every drawn model blocks light; cut-outs only where their texture is opaque; translucent
// materials (glass, water) let it through.
struct Occluders {
    std::vector<std::unique_ptr<Image>> images;
    std::vector<const Image*> byMaterial;
};

Occluders MakeOccluders(const std::vector<Material>& materials) {
    Occluders o;
    o.byMaterial.assign(materials.size(), nullptr);
    std::map<std::string, const Image*> painted;
    auto clear = std::make_unique<Image>(1, 1);
    const Image* clearImage = clear.get();
    o.images.push_back(std::move(clear));
    for (size_t m = 0; m < materials.size(); ++m) {
        const Material& mat = materials[m];
        if (mat.a > 0 && mat.a < 1) {
            o.byMaterial[m] = clearImage;
            continue;
        }
        if (mat.a != 0 || mat.texture.empty()) {
            continue;
        }
        std::string stem = mat.texture.substr(0, mat.texture.find('.'));
        auto it = painted.find(stem);
        if (it == painted.end()) {
            auto image = std::make_unique<Image>();
            if (!MakeTexture(stem, *image)) {
                continue;
            }
            it = painted.emplace(stem, image.get()).first;
            o.images.push_back(std::move(image));
        }
        o.byMaterial[m] = it->second;
    }
    return o;
}

Vec3 Centre(const Mesh& mesh) {
    Vec3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    for (const Vertex& v : mesh.vertices) {
        lo = {std::min(lo.x, v.position.x), std::min(lo.y, v.position.y),
              std::min(lo.z, v.position.z)};
        hi = {std::max(hi.x, v.position.x), std::max(hi.y, v.position.y),
              std::max(hi.z, v.position.z)};
    }
    return (lo + hi) * 0.5f;
}

LightRig RigFromLamps(const std::vector<LampInfo>& lamps, Vec3 centre) {
    Vec3 sun = centre + Vec3{0, 100, 0};
    std::vector<PointLight> points;
    for (const LampInfo& lamp : lamps) {
        if (lamp.range > SUN_RANGE) {
            sun = lamp.position;
        } else {
            points.push_back({lamp.position, lamp.range, {lamp.r, lamp.g, lamp.b}});
        }
    }
    return MakeLightRig(sun, centre, points);
}

} // namespace

LitLevel LightLevel(const LevelScene& scene, Mesh& level, size_t firstFixedFace,
                    size_t lastFixedFace, Mesh& detail, Mesh& cutout,
                    const LightMapOptions& chosen) {
    auto started = std::chrono::steady_clock::now();
    LitLevel out;
    Occluders occluders = MakeOccluders(scene.materials);
    RayScene rays;
    rays.AddMesh(level, occluders.byMaterial);
    rays.AddMesh(detail, occluders.byMaterial);
    rays.AddMesh(cutout, occluders.byMaterial);
    rays.Build();
    LightRig rig = RigFromLamps(scene.lamps, Centre(level));
    LightMapOptions options = chosen;
    options.wallFacing = rig.toSun;

    std::vector<bool> eligible(level.triangles.size(), true);
    for (size_t t = firstFixedFace; t < lastFixedFace && t < eligible.size(); ++t) {
        eligible[t] = false;
    }
    for (size_t t = 0; t < level.triangles.size(); ++t) {
        const Material& m = scene.materials[level.triangles[t].material];
        if (m.a != 1) {
            eligible[t] = false;
        }
    }
    LightMapCharts charts = ChooseCharts(level, eligible, options);
    SeparateMarkedVertices(level, charts.marked);
    // The fixed ranges and everything before them keep their faces; light-mapped floors need
    // no finer vertices.
    std::vector<bool> frozen = charts.marked;
    for (size_t t = 0; t < lastFixedFace && t < frozen.size(); ++t) {
        frozen[t] = true;
    }
    size_t split = SubdivideByLight(level, frozen,
                                    [&](Vec3 p, Vec3 n) { return DirectLight(rig, rays, p, n); });
    charts.marked.resize(level.triangles.size(), false);

    std::vector<Rgb> soft;
    BakeVertexLight(rig, rays, level, &soft);
    BakeVertexLight(rig, rays, detail);
    BakeVertexLight(rig, rays, cutout);

    LightMapResult maps = BakeLightMaps(rig, rays, level, charts, soft, options);
    out.markers = std::move(maps.markers);
    std::stable_sort(out.markers.triangles.begin(), out.markers.triangles.end(),
                     [](const Triangle& a, const Triangle& b) { return a.material < b.material; });
    for (size_t p = 0; p < maps.pages.size(); ++p) {
        std::string name = "lightmap" + std::to_string(p) + ".dds";
        Material m;
        m.name = "lightmap" + std::to_string(p);
        m.texture = name;
        // Above zero: the engine blends the page over the level instead of cutting it out.
        m.a = 0.5f;
        out.markerMaterials.push_back(m);
        out.images.emplace_back(name, std::move(maps.pages[p]));
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::ostringstream report;
    report << "light: " << rays.TriangleCount() << " occluders, " << rig.lamps.size() << " lamps, "
           << split << " faces split by light, " << charts.charts.size()
           << " light-mapped charts on " << out.images.size() << " pages of " << options.pageSize
           << " at " << options.texel * 100 << " cm, " << seconds << " s\n";
    out.report = report.str();
    return out;
}

} // namespace levelbuild
