// Procedural texture painting: tileable value noise plus simple patterns per material.
#include "textures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace levelbuild {

namespace {

uint32_t Hash(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

float Rand01(int x, int y, int seed) {
    return (Hash(x, y, seed) & 0xFFFFFF) / 16777215.0f;
}

// Value noise on a lattice of period cells, so that the texture tiles.
float Noise(float x, float y, int period, int seed) {
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - x0, fy = y - y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto at = [&](int i, int j) {
        return Rand01(((i % period) + period) % period, ((j % period) + period) % period, seed);
    };
    float a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1), d = at(x0 + 1, y0 + 1);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

// Fractal noise in 0..1 over a texture of size px, base frequency freq cells per tile.
float Fbm(int px, int py, int size, int freq, int octaves, int seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        int f = freq << o;
        sum += Noise(px * f / static_cast<float>(size), py * f / static_cast<float>(size), f,
                     seed + o * 17) *
               amp;
        norm += amp;
        amp *= 0.5f;
    }
    return sum / norm;
}

struct Rgb {
    float r, g, b;
};

Rgb Mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

using Painter = Rgb (*)(int x, int y, int size, float& alpha);

Rgb Brick(int x, int y, int s, float& a) {
    a = 1;
    int rows = 8, cols = 4;
    int bh = s / rows, bw = s / cols;
    int row = y / bh;
    int xo = (x + (row % 2) * bw / 2) % s;
    int col = xo / bw;
    int lx = xo % bw, ly = y % bh;
    float n = Fbm(x, y, s, 8, 4, 3);
    bool mortar = lx < 2 || ly < 2;
    if (mortar) {
        return Mix({0.62f, 0.6f, 0.55f}, {0.75f, 0.73f, 0.68f}, n);
    }
    float tint = Rand01(col, row, 9) * 0.25f;
    Rgb base = Mix({0.55f, 0.22f, 0.15f}, {0.7f, 0.35f, 0.22f}, tint * 4);
    return Mix(base, {0.35f, 0.15f, 0.1f}, n * 0.5f);
}

Rgb Plaster(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 4, 5, 11);
    return Mix({0.86f, 0.84f, 0.78f}, {0.95f, 0.94f, 0.9f}, n);
}

Rgb Render(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 8, 5, 12);
    return Mix({0.82f, 0.76f, 0.62f}, {0.93f, 0.88f, 0.74f}, n);
}

Rgb Wood(int x, int y, int s, float& a) {
    a = 1;
    int boards = 4, bw = s / boards;
    int board = x / bw;
    int seg = (y + static_cast<int>(Rand01(board, 0, 5) * s)) % s;
    float grain = Fbm(x * 8, seg, s * 8, 2, 3, 7 + board);
    float ring = 0.5f + 0.5f * std::sin((x % bw) * 0.6f + grain * 10.0f);
    bool gap = (x % bw) < 1 || seg < 1;
    Rgb base = Mix({0.55f, 0.36f, 0.2f}, {0.72f, 0.5f, 0.3f}, Rand01(board, 1, 6));
    Rgb c = Mix(base, {0.42f, 0.26f, 0.14f}, ring * 0.35f);
    return gap ? Rgb{0.25f, 0.16f, 0.1f} : c;
}

Rgb DarkWood(int x, int y, int s, float& a) {
    a = 1;
    float grain = Fbm(x, y * 6, s, 3, 4, 21);
    float ring = 0.5f + 0.5f * std::sin(y * 0.15f + grain * 12.0f);
    return Mix({0.36f, 0.2f, 0.11f}, {0.5f, 0.3f, 0.17f}, ring);
}

Rgb Door(int x, int y, int s, float& a) {
    Rgb c = DarkWood(x, y, s, a);
    int m = s / 8;
    bool panel =
        (x > m && x < s - m) && ((y > m && y < s / 2 - m / 2) || (y > s / 2 + m / 2 && y < s - m));
    bool edge = panel && (x < m + 3 || x > s - m - 4 || y % (s / 2) < m + 3);
    if (edge) {
        return Mix(c, {0.2f, 0.1f, 0.05f}, 0.5f);
    }
    return c;
}

Rgb Stone(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 6, 5, 31);
    float edge = std::min(std::min(x, s - 1 - x), std::min(y, s - 1 - y)) / static_cast<float>(s);
    Rgb c = Mix({0.55f, 0.53f, 0.5f}, {0.72f, 0.7f, 0.66f}, n);
    if (edge < 0.02f) {
        c = Mix(c, {0.3f, 0.3f, 0.28f}, 0.7f);
    }
    return c;
}

Rgb Tiles(int x, int y, int s, float& a) {
    a = 1;
    int t = s / 4;
    bool grout = (x % t) < 2 || (y % t) < 2;
    float n = Fbm(x, y, s, 8, 3, 41);
    if (grout) {
        return {0.55f, 0.55f, 0.52f};
    }
    return Mix({0.85f, 0.88f, 0.9f}, {0.95f, 0.96f, 0.97f}, n);
}

Rgb KitchenTiles(int x, int y, int s, float& a) {
    a = 1;
    int t = s / 8;
    bool grout = (x % t) < 1 || (y % t) < 1;
    bool dark = ((x / t) + (y / t)) % 2 == 0;
    if (grout) {
        return {0.4f, 0.4f, 0.38f};
    }
    return dark ? Rgb{0.25f, 0.27f, 0.3f} : Rgb{0.85f, 0.83f, 0.78f};
}

Rgb Grass(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 8, 5, 51);
    float blades = Rand01(x, y, 52);
    Rgb c = Mix({0.2f, 0.38f, 0.12f}, {0.38f, 0.58f, 0.2f}, n);
    return Mix(c, {0.5f, 0.66f, 0.3f}, blades * 0.3f);
}

Rgb Gravel(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 32, 2, 61);
    float p = Rand01(x / 2, y / 2, 62);
    return Mix({0.5f, 0.48f, 0.44f}, {0.78f, 0.75f, 0.7f}, n * 0.6f + p * 0.4f);
}

Rgb Pebble(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 4, 4, 65);
    return Mix({0.45f, 0.45f, 0.47f}, {0.68f, 0.67f, 0.66f}, n);
}

Rgb Concrete(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 8, 5, 71);
    return Mix({0.5f, 0.5f, 0.5f}, {0.66f, 0.66f, 0.64f}, n);
}

Rgb Metal(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y * 8, s, 2, 3, 81);
    return Mix({0.55f, 0.57f, 0.6f}, {0.75f, 0.77f, 0.8f}, n);
}

Rgb Fabric(int x, int y, int s, float& a) {
    a = 1;
    bool weave = ((x / 2) + (y / 2)) % 2 == 0;
    float n = Fbm(x, y, s, 4, 3, 91);
    Rgb c = Mix({0.25f, 0.32f, 0.55f}, {0.35f, 0.42f, 0.65f}, n);
    return weave ? c : Mix(c, {0.1f, 0.1f, 0.2f}, 0.2f);
}

Rgb Roof(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 16, 3, 101);
    return Mix({0.3f, 0.3f, 0.32f}, {0.42f, 0.42f, 0.44f}, n);
}

Rgb Water(int x, int y, int s, float& a) {
    float n = Fbm(x, y, s, 4, 5, 111);
    float r = Fbm(x, y, s, 16, 2, 112);
    // Bright ripple crests over a deep teal body.
    float crest = std::clamp((r - 0.62f) * 6.0f, 0.0f, 1.0f);
    a = 0.72f + 0.2f * crest;
    Rgb body = Mix({0.04f, 0.25f, 0.35f}, {0.12f, 0.45f, 0.55f}, n);
    return Mix(body, {0.85f, 0.95f, 1.0f}, crest * 0.8f);
}

Rgb PoolTiles(int x, int y, int s, float& a) {
    a = 1;
    int t = s / 8;
    bool grout = (x % t) < 1 || (y % t) < 1;
    float n = Rand01(x / t, y / t, 121) * 0.08f;
    return grout ? Rgb{0.55f, 0.62f, 0.64f} : Rgb{0.78f + n, 0.9f + n * 0.5f, 0.93f};
}

Rgb Glass(int x, int y, int s, float& a) {
    // Pale, mostly clear pane with a few diagonal reflections.
    float streak = std::fabs(std::sin((x + y) * 0.09f)) > 0.985f ? 1.0f : 0.0f;
    float n = Fbm(x, y, s, 2, 3, 125);
    a = 0.22f + 0.25f * streak + 0.08f * n;
    return Mix({0.7f, 0.82f, 0.88f}, {1, 1, 1}, streak);
}

Rgb Leaves(int x, int y, int s, float& a) {
    // Clumps of leaves: opaque where the noise is high, cut out elsewhere; the crown thins
    // towards the image border.
    float cx = (x - s / 2.0f) / (s / 2.0f), cy = (y - s / 2.0f) / (s / 2.0f);
    float d = std::sqrt(cx * cx + cy * cy);
    float n = Fbm(x, y, s, 8, 4, 131);
    float leaf = Rand01(x / 3, y / 3, 132);
    a = (n + leaf * 0.25f - d * 0.55f) > 0.42f ? 1.0f : 0.0f;
    return Mix({0.12f, 0.3f, 0.08f}, {0.35f, 0.55f, 0.18f}, leaf * 0.6f + n * 0.4f);
}

Rgb Hedge(int x, int y, int s, float& a) {
    float n = Fbm(x, y, s, 8, 4, 141);
    float leaf = Rand01(x / 2, y / 2, 142);
    float top = y / static_cast<float>(s);
    a = (n + leaf * 0.3f + top * 0.5f) > 0.55f ? 1.0f : 0.0f;
    return Mix({0.1f, 0.26f, 0.08f}, {0.28f, 0.48f, 0.16f}, leaf);
}

Rgb Railing(int x, int y, int s, float& a) {
    int bar = s / 8;
    bool vertical = (x % bar) < 3;
    bool rail = y < 6 || (y > s - 10 && y < s - 4);
    a = (vertical || rail) ? 1.0f : 0.0f;
    float n = Fbm(x, y, s, 4, 2, 151);
    return Mix({0.12f, 0.12f, 0.13f}, {0.28f, 0.28f, 0.3f}, n);
}

Rgb Bark(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x * 4, y, s * 4, 2, 4, 161);
    return Mix({0.25f, 0.18f, 0.12f}, {0.42f, 0.32f, 0.22f}, n);
}

Rgb SkySide(int x, int y, int s, float& a) {
    a = 1;
    float t = y / static_cast<float>(s); // 0 at the top, 1 at the bottom of the face
    Rgb zenith = {0.25f, 0.45f, 0.8f}, horizon = {0.75f, 0.85f, 0.95f};
    Rgb c = Mix(zenith, horizon, std::pow(std::min(t * 2.0f, 1.0f), 1.5f));
    if (t < 0.5f) {
        float cloud = Fbm(x, y * 2, s, 4, 5, 171);
        float k = std::clamp((cloud - 0.55f) * 3.0f, 0.0f, 1.0f) * (1.0f - t * 1.5f);
        c = Mix(c, {1, 1, 1}, k);
    } else {
        float hills = 0.55f + 0.06f * Fbm(x, 0, s, 4, 4, 172);
        if (t > hills) {
            c = Mix({0.25f, 0.38f, 0.22f}, {0.15f, 0.22f, 0.14f}, (t - hills) * 3.0f);
        }
    }
    return c;
}

Rgb SkyTop(int x, int y, int s, float& a) {
    a = 1;
    float cloud = Fbm(x, y, s, 4, 5, 181);
    float k = std::clamp((cloud - 0.55f) * 3.0f, 0.0f, 1.0f);
    return Mix({0.22f, 0.42f, 0.78f}, {1, 1, 1}, k * 0.8f);
}

Rgb SkyBottom(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 8, 4, 191);
    return Mix({0.14f, 0.22f, 0.12f}, {0.22f, 0.3f, 0.18f}, n);
}

Rgb ShadowBlob(int x, int y, int s, float& a) {
    // Soft dark patch for the shadow-marker model; clamp addressing keeps the border's value.
    float cx = (x + 0.5f - s / 2.0f) / (s / 2.0f), cy = (y + 0.5f - s / 2.0f) / (s / 2.0f);
    float d = std::max(std::fabs(cx), std::fabs(cy));
    float k = std::clamp((1.0f - d) * 3.0f, 0.0f, 1.0f);
    a = 0.12f + 0.43f * k;
    return {0, 0, 0};
}

Rgb LampShade(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 8, 2, 201);
    return Mix({0.95f, 0.88f, 0.7f}, {1.0f, 0.96f, 0.85f}, n);
}

Rgb Switch(int x, int y, int s, float& a) {
    a = 1;
    int m = s / 6;
    bool plate = x > m && x < s - m && y > m && y < s - m;
    return plate ? Rgb{0.92f, 0.92f, 0.9f} : Rgb{0.75f, 0.75f, 0.72f};
}

Rgb Gem(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 4, 3, 211);
    return Mix({0.95f, 0.7f, 0.15f}, {1.0f, 0.92f, 0.5f}, n);
}

Rgb Books(int x, int y, int s, float& a) {
    a = 1;
    int w = 6 + static_cast<int>(Rand01(x / 8, 0, 221) * 4);
    int book = x / w;
    float h = 0.75f + Rand01(book, 1, 222) * 0.25f;
    if (y < s * (1 - h)) {
        return {0.3f, 0.2f, 0.12f};
    }
    Rgb cols[5] = {{0.6f, 0.1f, 0.1f},
                   {0.1f, 0.3f, 0.55f},
                   {0.15f, 0.45f, 0.2f},
                   {0.7f, 0.6f, 0.3f},
                   {0.35f, 0.15f, 0.4f}};
    Rgb c = cols[Hash(book, 2, 223) % 5];
    return (x % w) == 0 ? Rgb{0.1f, 0.05f, 0.02f} : c;
}

Rgb Painting(int x, int y, int s, float& a) {
    a = 1;
    int m = s / 12;
    if (x < m || y < m || x >= s - m || y >= s - m) {
        return {0.55f, 0.4f, 0.15f};
    }
    float t = y / static_cast<float>(s);
    float hill = 0.55f + 0.15f * std::sin(x * 0.05f) + 0.05f * Fbm(x, 0, s, 4, 3, 231);
    if (t > hill) {
        return Mix({0.3f, 0.5f, 0.2f}, {0.2f, 0.35f, 0.15f}, t);
    }
    return Mix({0.9f, 0.7f, 0.45f}, {0.4f, 0.6f, 0.85f}, 1 - t);
}

struct Entry {
    const char* name;
    Painter painter;
    int size;
};

const Entry TEXTURES[] = {
    {"brick", Brick, 256},        {"plaster", Plaster, 128},    {"render", Render, 128},
    {"wood", Wood, 256},          {"darkwood", DarkWood, 128},  {"door", Door, 128},
    {"stone", Stone, 128},        {"tiles", Tiles, 128},        {"kitchentiles", KitchenTiles, 128},
    {"grass", Grass, 256},        {"gravel", Gravel, 128},      {"pebble", Pebble, 64},
    {"concrete", Concrete, 128},  {"metal", Metal, 64},         {"fabric", Fabric, 64},
    {"roof", Roof, 128},          {"water", Water, 128},        {"pooltiles", PoolTiles, 128},
    {"leaves", Leaves, 128},      {"hedge", Hedge, 128},        {"railing", Railing, 64},
    {"bark", Bark, 64},           {"glass", Glass, 64},         {"skyside", SkySide, 256},
    {"skytop", SkyTop, 256},      {"skybottom", SkyBottom, 64}, {"shadow", ShadowBlob, 64},
    {"lampshade", LampShade, 32}, {"switch", Switch, 32},       {"gem", Gem, 32},
    {"books", Books, 128},        {"painting", Painting, 128},
};

Image Paint(Painter painter, int size) {
    Image image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float a = 1;
            Rgb c = painter(x, y, size, a);
            image.Set(x, y, c.r, c.g, c.b, a);
        }
    }
    return image;
}

} // namespace

bool MakeTexture(const std::string& name, Image& image) {
    for (const Entry& e : TEXTURES) {
        if (name == e.name) {
            image = Paint(e.painter, e.size);
            return true;
        }
    }
    return false;
}

Image MakeCoronaSprite() {
    const int s = 64;
    Image image(s, s);
    for (int y = 0; y < s; ++y) {
        for (int x = 0; x < s; ++x) {
            float cx = (x + 0.5f - s / 2.0f) / (s / 2.0f), cy = (y + 0.5f - s / 2.0f) / (s / 2.0f);
            float d = std::sqrt(cx * cx + cy * cy);
            float glow = std::clamp(1.0f - d, 0.0f, 1.0f);
            float core = std::exp(-d * d * 30.0f);
            float ray =
                std::pow(std::fabs(std::cos(std::atan2(cy, cx) * 3.0f)), 20.0f) * glow * 0.4f;
            float v = std::clamp(glow * glow * 0.7f + core + ray, 0.0f, 1.0f);
            image.Set(x, y, v, v, v, v);
        }
    }
    return image;
}

Image MakeHudIcon() {
    const int s = 64;
    Image image(s, s);
    for (int y = 0; y < s; ++y) {
        for (int x = 0; x < s; ++x) {
            float cx = x + 0.5f - 32, cy = y + 0.5f - 32;
            float d = std::sqrt(cx * cx + cy * cy);
            float ang = std::atan2(cy, cx);
            bool ring = d > 24 && d < 29;
            bool star = d < 22 * (0.45f + 0.55f * std::pow(std::fabs(std::cos(ang * 2.0f)), 6.0f));
            if (ring) {
                image.Set(x, y, 0.9f, 0.75f, 0.3f, 0.9f);
            } else if (star) {
                float k = 1.0f - d / 22.0f;
                image.Set(x, y, 0.95f, 0.85f * k + 0.1f, 0.4f * k, 0.85f);
            }
        }
    }
    return image;
}

Image MakeCollectibleIcon() {
    const int s = 16;
    Image image(s, s);
    for (int y = 0; y < s; ++y) {
        for (int x = 0; x < s; ++x) {
            float cx = std::fabs(x + 0.5f - 8), cy = std::fabs(y + 0.5f - 8);
            if (cx / 6.0f + cy / 7.5f <= 1.0f) {
                float k = 1.0f - (cx + cy) / 14.0f;
                bool outline = cx / 6.0f + cy / 7.5f > 0.8f;
                if (outline) {
                    image.Set(x, y, 0.5f, 0.3f, 0.05f, 1);
                } else {
                    image.Set(x, y, 1.0f, 0.75f + 0.25f * k, 0.2f + 0.5f * k, 1);
                }
            }
        }
    }
    return image;
}

Image MakeFadeOverlay() {
    Image image(16, 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            image.Set(x, y, 0.97f, 0.96f, 0.94f, 1);
        }
    }
    return image;
}

Image MakeCrosshair() {
    Image image(8, 8);
    for (int i = 0; i < 8; ++i) {
        if (i == 3 || i == 4) {
            continue;
        }
        image.Set(i, 3, 1, 1, 1, 0.85f);
        image.Set(i, 4, 0.1f, 0.1f, 0.1f, 0.6f);
        image.Set(3, i, 1, 1, 1, 0.85f);
        image.Set(4, i, 0.1f, 0.1f, 0.1f, 0.6f);
    }
    return image;
}

Image MakeSpareImage() {
    Image image(32, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            float n = Fbm(x, y, 32, 4, 3, 241);
            image.Set(x, y, n, n * 0.8f, n * 0.6f, 1);
        }
    }
    return image;
}

Image MakeWindowIcon() {
    const int s = 32;
    Image image(s, s);
    for (int y = 0; y < s; ++y) {
        for (int x = 0; x < s; ++x) {
            bool roof = y >= 3 && y < 15 && std::abs(x - 16) <= (y - 3) * 13 / 12;
            bool wall = y >= 15 && y < 29 && x >= 6 && x < 26;
            bool door = y >= 20 && y < 29 && x >= 14 && x < 19;
            bool window = y >= 18 && y < 23 && ((x >= 8 && x < 12) || (x >= 21 && x < 25));
            if (door) {
                image.Set(x, y, 0.35f, 0.2f, 0.1f, 1);
            } else if (window) {
                image.Set(x, y, 1.0f, 0.9f, 0.5f, 1);
            } else if (wall) {
                image.Set(x, y, 0.9f, 0.85f, 0.72f, 1);
            } else if (roof) {
                image.Set(x, y, 0.65f, 0.2f, 0.12f, 1);
            }
        }
    }
    return image;
}

} // namespace levelbuild
