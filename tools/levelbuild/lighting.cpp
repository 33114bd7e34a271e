// Baked vertex colours: sky and sun outdoors, an even ambient indoors, and the lamps nearby.
#include "level_builder.h"

#include <algorithm>
#include <cstdint>

namespace levelbuild {

void BakeLighting(const LevelScene& scene, Mesh& level) {
    Vec3 sun = Normalize(scene.sunDirection) * -1.0f;
    for (Vertex& v : level.vertices) {
        Vec3 probe = v.position + v.normal * 0.05f;
        bool inside = false;
        for (const Box3& b : scene.indoors) {
            if (probe.x > b.lo.x && probe.x < b.hi.x && probe.y > b.lo.y && probe.y < b.hi.y &&
                probe.z > b.lo.z && probe.z < b.hi.z) {
                inside = true;
            }
        }
        float r, g, b;
        if (inside) {
            float amb = 0.42f + 0.08f * v.normal.y;
            r = g = b = amb;
        } else {
            float sky = 0.55f + 0.15f * v.normal.y;
            float direct = std::max(0.0f, Dot(v.normal, sun)) * 0.45f;
            r = sky + direct;
            g = sky + direct * 0.97f;
            b = sky * 1.05f + direct * 0.85f;
        }
        for (const LampInfo& lamp : scene.lamps) {
            if (lamp.range > 50) {
                continue;
            }
            Vec3 toLamp = lamp.position - v.position;
            float dist = Length(toLamp);
            float reach = std::min(lamp.range, 6.0f);
            if (dist >= reach) {
                continue;
            }
            float facing = std::max(0.0f, Dot(v.normal, toLamp * (1.0f / std::max(dist, 1e-3f))));
            float k = (1.0f - dist / reach);
            float add = k * k * (0.25f + 0.75f * facing) * (inside ? 0.55f : 0.35f);
            r += add * lamp.r;
            g += add * lamp.g;
            b += add * lamp.b;
        }
        auto byte = [](float f) {
            return static_cast<uint32_t>(std::clamp(f, 0.0f, 1.0f) * 255.0f);
        };
        v.color = 0xFF000000u | (byte(r) << 16) | (byte(g) << 8) | byte(b);
    }
}

} // namespace levelbuild
