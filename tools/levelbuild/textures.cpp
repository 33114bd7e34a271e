// Procedural texture painting: tileable noise and patterns per material, drawn at sizes that
// give broad surfaces a few millimetres per texel.
#include "textures.h"

#include "texture_noise.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace levelbuild {

namespace {

struct Rgb {
    float r, g, b;
};

Rgb Mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb c, float k) {
    return {c.r * k, c.g * k, c.b * k};
}

float Smooth(float e0, float e1, float x) {
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// 1 inside a joint of the given width around a line at distance d, with a soft edge a
// texel wide so that the mip levels fade the joint instead of flickering.
float Joint(float d, float width) {
    return 1.0f - Smooth(width * 0.5f - 0.5f, width * 0.5f + 0.75f, d);
}

// Distance of a coordinate to the nearest multiple of period.
float ToLine(float v, float period) {
    float m = std::fmod(v, period);
    return std::min(m, period - m);
}

using Painter = Rgb (*)(int x, int y, int size, float& alpha);

// Brick courses of 16 rows and 8 bricks per tile, bricks of varying fire colour with worn
// arrises, recessed mortar and broad weathering.
Rgb Brick(int x, int y, int s, float& a) {
    a = 1;
    float bh = s / 16.0f, bw = s / 8.0f;
    int row = static_cast<int>(y / bh);
    float xo = std::fmod(x + (row % 2) * bw / 2, static_cast<float>(s));
    int col = static_cast<int>(xo / bw);
    float lx = std::fmod(xo, bw), ly = std::fmod(static_cast<float>(y), bh);
    float edge = std::min(std::min(lx, bw - lx), std::min(ly, bh - ly));
    float chip = Fbm(x, y, s, 48, 2, 4);
    float mortar = Joint(edge - chip * 2.5f, 3.0f * 2);
    float fire = Rand01(col, row, 9);
    Rgb base = Mix({0.5f, 0.2f, 0.13f}, {0.72f, 0.38f, 0.24f}, fire);
    if (Rand01(col, row, 10) > 0.88f) {
        base = Mix(base, {0.3f, 0.15f, 0.12f}, 0.6f); // an over-fired brick
    }
    float grain = Fbm(x, y, s, 32, 3, 3);
    Rgb brick = Scale(base, 0.85f + 0.25f * grain + 0.06f * (Rand01(x, y, 11) - 0.5f));
    brick = Scale(brick, 0.88f + 0.12f * Smooth(0, 5, edge));
    Rgb joint = Scale(Mix({0.55f, 0.53f, 0.48f}, {0.7f, 0.68f, 0.62f}, Fbm(x, y, s, 24, 3, 5)),
                      0.8f + 0.2f * Smooth(0, 2, edge));
    Rgb c = Mix(brick, joint, mortar);
    float weather = Fbm(x, y, s, 2, 3, 6);
    return Mix(c, {0.42f, 0.4f, 0.36f}, std::clamp((weather - 0.45f) * 0.8f, 0.0f, 0.3f));
}

// Interior plaster: broad, soft clouding from the trowel and a faint sand grain.
Rgb Plaster(int x, int y, int s, float& a) {
    a = 1;
    float broad = Fbm(x, y, s, 3, 4, 11);
    float trowel = Fbm(x * 0.6f, y * 1.6f, s, 6, 3, 13);
    float sand = Rand01(x, y, 14) - 0.5f;
    Rgb c = Mix({0.84f, 0.82f, 0.76f}, {0.94f, 0.93f, 0.88f}, broad);
    return Scale(c, 0.97f + 0.05f * trowel + 0.025f * sand);
}

// Exterior render: coarser grain, rain streaks running down and patches of dirt.
Rgb Render(int x, int y, int s, float& a) {
    a = 1;
    float grain = Fbm(x, y, s, 64, 2, 12);
    float streak = Fbm(x * 4.0f, y * 0.25f, s, 8, 3, 15);
    float patch = Fbm(x, y, s, 3, 4, 16);
    Rgb c = Mix({0.8f, 0.73f, 0.58f}, {0.92f, 0.86f, 0.71f}, patch);
    c = Scale(c, 0.92f + 0.12f * grain + 0.03f * (Rand01(x, y, 17) - 0.5f));
    return Mix(c, {0.6f, 0.56f, 0.48f}, std::clamp((streak - 0.6f) * 0.8f, 0.0f, 0.12f));
}

// Floor boards: eight planks across, each of its own tone, butt joints staggered along them
// and wavy grain with knots here and there.
Rgb Wood(int x, int y, int s, float& a) {
    a = 1;
    float bw = s / 8.0f;
    int board = static_cast<int>(x / bw);
    float lx = std::fmod(static_cast<float>(x), bw);
    float offset = Rand01(board, 0, 5) * s;
    float along = std::fmod(y + offset, static_cast<float>(s));
    int piece = along < s / 2.0f ? 0 : 1;
    float joint = std::max(Joint(std::min(lx, bw - lx), 2.5f),
                           Joint(std::min(along, std::fabs(along - s / 2.0f)), 2.5f));
    float tone = Rand01(board, piece + 2, 6);
    float warp = Fbm(x, y, s, 4, 3, 7 + board);
    float grain = 0.5f + 0.5f * std::sin(lx * 0.35f + warp * 14.0f + tone * 9.0f);
    float fine = Fbm(x * 6.0f, y * 0.5f, s, 16, 2, 8);
    Rgb base = Mix({0.5f, 0.32f, 0.17f}, {0.7f, 0.5f, 0.3f}, tone);
    Rgb c = Mix(base, Scale(base, 0.72f), grain * 0.45f + fine * 0.25f);
    float kx = bw * (0.3f + 0.4f * Rand01(board, piece, 19)), ky = s * (0.1f + 0.3f * tone);
    float knot = std::hypot((lx - kx) * 1.4f, (along - piece * s / 2.0f - ky) * 0.7f);
    if (Rand01(board, piece, 20) > 0.55f) {
        c = Mix(c, {0.3f, 0.18f, 0.09f}, 0.6f * (1.0f - Smooth(2, 7, knot)));
    }
    return Mix(c, {0.18f, 0.11f, 0.06f}, joint);
}

Rgb DarkWood(int x, int y, int s, float& a) {
    a = 1;
    float warp = Fbm(x, y, s, 3, 4, 21);
    float ring = 0.5f + 0.5f * std::sin(y * 0.09f + warp * 12.0f);
    float fine = Fbm(x * 0.5f, y * 5.0f, s, 16, 2, 22);
    Rgb c = Mix({0.33f, 0.19f, 0.1f}, {0.5f, 0.3f, 0.17f}, ring * 0.7f + fine * 0.3f);
    return Scale(c, 0.95f + 0.05f * Rand01(x, y, 23));
}

// A panelled door leaf: four raised panels in a frame of dark wood.
Rgb Door(int x, int y, int s, float& a) {
    Rgb c = DarkWood(x, y, s, a);
    float m = s / 8.0f, mid = s / 2.0f;
    float px = std::min(x - m, s - m - x);
    float py = y < mid ? std::min(y - m, mid - m / 2 - y) : std::min(y - mid - m / 2, s - m - y);
    float inside = std::min(px, py);
    if (inside > 0) {
        float bevel = Smooth(0, 6, inside);
        return Scale(c, 0.8f + 0.25f * bevel);
    }
    return Scale(c, 1.0f - 0.25f * Joint(-inside, 3.0f));
}

// Flagstones: three rows of slabs of varied length per tile, joints of mortar, a grain of
// fine and coarse speckle and a tone of their own per slab.
Rgb Stone(int x, int y, int s, float& a) {
    a = 1;
    float rh = s / 3.0f;
    int row = static_cast<int>(y / rh);
    float ly = std::fmod(static_cast<float>(y), rh);
    // Three slabs per row with joints at jittered places, so that rows do not line up.
    float cuts[3];
    float shift = Rand01(0, row, 34) * s / 3.0f;
    for (int k = 0; k < 3; ++k) {
        cuts[k] = std::fmod((k + 0.3f * (Rand01(k, row, 32) - 0.5f)) * s / 3.0f + shift,
                            static_cast<float>(s));
    }
    std::sort(cuts, cuts + 3);
    float best = 1e9f;
    int slab = 0;
    for (int k = 0; k < 3; ++k) {
        float d = std::fabs(x - cuts[k]);
        best = std::min(best, std::min(d, s - d));
        slab += x >= cuts[k];
    }
    slab %= 3;
    float joint = std::max(Joint(best, 3.0f), Joint(std::min(ly, rh - ly), 3.0f));
    float tone = Rand01(slab, row, 33);
    Rgb base = Mix({0.58f, 0.55f, 0.5f}, {0.74f, 0.71f, 0.65f}, tone);
    float coarse = Fbm(x, y, s, 12, 4, 31);
    float speck = Rand01(x, y, 35);
    Rgb c = Scale(base, 0.88f + 0.2f * coarse + 0.08f * (speck - 0.5f));
    c = Mix(c, {0.45f, 0.44f, 0.4f}, Smooth(0.93f, 1.0f, speck) * 0.5f);
    return Mix(c, {0.36f, 0.35f, 0.32f}, joint * 0.85f);
}

// Glazed wall tiles, eight by eight, each slightly different, with a bevelled edge.
Rgb Tiles(int x, int y, int s, float& a) {
    a = 1;
    float t = s / 8.0f;
    float dx = ToLine(static_cast<float>(x), t), dy = ToLine(static_cast<float>(y), t);
    float grout = Joint(std::min(dx, dy), 3.0f);
    int ix = static_cast<int>(x / t), iy = static_cast<int>(y / t);
    float tone = Rand01(ix, iy, 41);
    Rgb c = Mix({0.84f, 0.87f, 0.89f}, {0.94f, 0.96f, 0.97f}, tone);
    c = Scale(c, 0.97f + 0.04f * Fbm(x, y, s, 16, 2, 42));
    c = Scale(c, 0.93f + 0.07f * Smooth(1, 6, std::min(dx, dy)));
    return Mix(c, {0.6f, 0.6f, 0.57f}, grout);
}

Rgb KitchenTiles(int x, int y, int s, float& a) {
    a = 1;
    float t = s / 16.0f;
    float dx = ToLine(static_cast<float>(x), t), dy = ToLine(static_cast<float>(y), t);
    float grout = Joint(std::min(dx, dy), 2.5f);
    int ix = static_cast<int>(x / t), iy = static_cast<int>(y / t);
    bool dark = (ix + iy) % 2 == 0;
    float tone = 0.95f + 0.08f * Rand01(ix, iy, 43) + 0.03f * Fbm(x, y, s, 16, 2, 44);
    Rgb c = dark ? Rgb{0.24f, 0.26f, 0.3f} : Rgb{0.86f, 0.84f, 0.79f};
    return Mix(Scale(c, tone), {0.45f, 0.44f, 0.41f}, grout);
}

// Lawn: patches of lush and dry grass, short blades as strokes of their own shade, the odd
// clover leaf.
Rgb Grass(int x, int y, int s, float& a) {
    a = 1;
    float patch = Fbm(x, y, s, 4, 4, 51);
    float dry = Smooth(0.55f, 0.75f, Fbm(x, y, s, 3, 3, 53));
    Rgb c = Mix({0.19f, 0.36f, 0.11f}, {0.33f, 0.52f, 0.17f}, patch);
    c = Mix(c, {0.45f, 0.5f, 0.22f}, dry * 0.6f);
    // Blades: cellular strokes stretched upright.
    CellSample blade = Cellular(x * 2.0f, y * 0.6f, s, 48, 54);
    float stroke = 1.0f - Smooth(0.1f, 0.45f, blade.nearest);
    float shade = Rand01(blade.cellX, blade.cellY, 55);
    c = Mix(c, Scale(c, 0.7f + 0.6f * shade), stroke * 0.7f);
    return Scale(c, 0.94f + 0.12f * Rand01(x, y, 52));
}

// Gravel: a packed bed of small rounded stones of many greys and browns.
Rgb Gravel(int x, int y, int s, float& a) {
    a = 1;
    CellSample st = Cellular(x, y, s, 48, 61);
    float border = st.second - st.nearest;
    float tone = Rand01(st.cellX, st.cellY, 62);
    Rgb stone = Mix({0.5f, 0.47f, 0.42f}, {0.8f, 0.77f, 0.71f}, tone);
    if (Rand01(st.cellX, st.cellY, 63) > 0.7f) {
        stone = Mix(stone, {0.62f, 0.5f, 0.38f}, 0.5f);
    }
    float round = 1.0f - st.nearest * 0.5f;
    Rgb c = Scale(stone, 0.8f + 0.25f * round);
    return Mix({0.3f, 0.28f, 0.25f}, c, Smooth(0.03f, 0.15f, border));
}

// One stepping stone, shown whole on each: a weathered face darker towards its rim.
Rgb Pebble(int x, int y, int s, float& a) {
    a = 1;
    float cx = (x + 0.5f) / s - 0.5f, cy = (y + 0.5f) / s - 0.5f;
    float rim = std::sqrt(cx * cx + cy * cy) * 2;
    float n = Fbm(x, y, s, 4, 5, 65);
    float speck = Rand01(x, y, 66);
    Rgb c = Mix({0.46f, 0.45f, 0.46f}, {0.7f, 0.69f, 0.66f}, n);
    c = Scale(c, 0.95f + 0.1f * (speck - 0.5f));
    return Scale(c, 1.0f - 0.25f * Smooth(0.7f, 1.0f, rim));
}

// Cast concrete: mottled grey, air pores and the faint marks of the formwork boards.
Rgb Concrete(int x, int y, int s, float& a) {
    a = 1;
    float mottle = Fbm(x, y, s, 6, 5, 71);
    Rgb c = Mix({0.5f, 0.5f, 0.49f}, {0.68f, 0.68f, 0.66f}, mottle);
    CellSample pore = Cellular(x, y, s, 96, 72, 1.0f);
    bool hasPore = Rand01(pore.cellX, pore.cellY, 73) > 0.75f;
    if (hasPore) {
        c = Scale(c, 1.0f - 0.35f * (1.0f - Smooth(0.08f, 0.2f, pore.nearest)));
    }
    float board = Joint(ToLine(static_cast<float>(y), s / 4.0f), 2.0f);
    c = Scale(c, 1.0f - 0.06f * board);
    return Scale(c, 0.96f + 0.08f * Rand01(x, y, 74));
}

Rgb Metal(int x, int y, int s, float& a) {
    a = 1;
    float brush = Fbm(x * 0.2f, y * 6.0f, s, 8, 3, 81);
    Rgb c = Mix({0.55f, 0.57f, 0.6f}, {0.76f, 0.78f, 0.81f}, brush);
    return Scale(c, 0.96f + 0.06f * Fbm(x, y, s, 4, 2, 82));
}

Rgb Fabric(int x, int y, int s, float& a) {
    a = 1;
    bool warp = ((x / 2) + (y / 2)) % 2 == 0;
    float n = Fbm(x, y, s, 4, 3, 91);
    Rgb c = Mix({0.25f, 0.32f, 0.55f}, {0.35f, 0.42f, 0.65f}, n);
    c = warp ? c : Scale(c, 0.85f);
    return Scale(c, 0.95f + 0.1f * Fbm(x, y, s, 32, 2, 92));
}

// Flat roof covering: granules over bitumen, seams where the sheets overlap.
Rgb Roof(int x, int y, int s, float& a) {
    a = 1;
    float n = Fbm(x, y, s, 16, 3, 101);
    Rgb c = Mix({0.28f, 0.28f, 0.3f}, {0.44f, 0.43f, 0.44f}, n);
    c = Scale(c, 0.9f + 0.2f * Rand01(x, y, 102));
    return Scale(c, 1.0f - 0.2f * Joint(ToLine(static_cast<float>(y), s / 2.0f), 4.0f));
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

// Pool mosaic: small tiles in pale blues with the odd darker one.
Rgb PoolTiles(int x, int y, int s, float& a) {
    a = 1;
    float t = s / 16.0f;
    float dx = ToLine(static_cast<float>(x), t), dy = ToLine(static_cast<float>(y), t);
    float grout = Joint(std::min(dx, dy), 2.5f);
    int ix = static_cast<int>(x / t), iy = static_cast<int>(y / t);
    float tone = Rand01(ix, iy, 121);
    Rgb c = Mix({0.66f, 0.84f, 0.9f}, {0.84f, 0.94f, 0.96f}, tone);
    if (Rand01(ix, iy, 122) > 0.9f) {
        c = {0.35f, 0.6f, 0.75f};
    }
    return Mix(c, {0.6f, 0.66f, 0.66f}, grout);
}

Rgb Glass(int x, int y, int s, float& a) {
    // Pale, mostly clear pane with a few diagonal reflections.
    float streak = Smooth(0.97f, 0.995f, std::fabs(std::sin((x + y) * 0.045f * 128.0f / s)));
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
    CellSample leaf = Cellular(x, y, s, s / 4, 132);
    float shade = Rand01(leaf.cellX, leaf.cellY, 133);
    a = (n + (1.0f - leaf.nearest) * 0.3f - d * 0.55f) > 0.5f ? 1.0f : 0.0f;
    Rgb c = Mix({0.12f, 0.3f, 0.08f}, {0.38f, 0.58f, 0.2f}, shade * 0.7f + n * 0.3f);
    return Scale(c, 0.75f + 0.35f * (1.0f - leaf.nearest));
}

Rgb Hedge(int x, int y, int s, float& a) {
    float n = Fbm(x, y, s, 8, 4, 141);
    CellSample leaf = Cellular(x, y, s, s / 3, 142);
    float shade = Rand01(leaf.cellX, leaf.cellY, 143);
    float top = y / static_cast<float>(s);
    a = (n + (1.0f - leaf.nearest) * 0.3f + top * 0.5f) > 0.68f ? 1.0f : 0.0f;
    Rgb c = Mix({0.1f, 0.26f, 0.08f}, {0.3f, 0.5f, 0.17f}, shade);
    return Scale(c, 0.75f + 0.35f * (1.0f - leaf.nearest));
}

Rgb Railing(int x, int y, int s, float& a) {
    float bar = s / 8.0f;
    bool vertical = std::fmod(static_cast<float>(x), bar) < bar * 0.2f;
    bool rail = y < s / 20 || (y > s - s / 12 && y < s - s / 30);
    a = (vertical || rail) ? 1.0f : 0.0f;
    float n = Fbm(x, y, s, 4, 2, 151);
    return Mix({0.12f, 0.12f, 0.13f}, {0.28f, 0.28f, 0.3f}, n);
}

Rgb Bark(int x, int y, int s, float& a) {
    a = 1;
    float furrow = Fbm(x * 4.0f, y * 0.5f, s * 4, 4, 4, 161);
    float ridge = Smooth(0.35f, 0.65f, furrow);
    Rgb c = Mix({0.2f, 0.15f, 0.1f}, {0.45f, 0.36f, 0.26f}, ridge);
    return Scale(c, 0.9f + 0.15f * Rand01(x, y, 162));
}

Rgb SkySide(int x, int y, int s, float& a) {
    a = 1;
    float t = y / static_cast<float>(s); // 0 at the top, 1 at the bottom of the face
    Rgb zenith = {0.25f, 0.45f, 0.8f}, horizon = {0.75f, 0.85f, 0.95f};
    Rgb c = Mix(zenith, horizon, std::pow(std::min(t * 2.0f, 1.0f), 1.5f));
    if (t < 0.5f) {
        float cloud = Fbm(x, y * 2, s, 4, 6, 171);
        float k = std::clamp((cloud - 0.55f) * 3.0f, 0.0f, 1.0f) * (1.0f - t * 1.5f);
        c = Mix(c, {1, 1, 1}, k);
    } else {
        float hills = 0.55f + 0.06f * Fbm(x, 0, s, 4, 4, 172);
        float trees = 0.015f * Fbm(x, 0, s, 64, 2, 173);
        if (t > hills - trees) {
            float far = Fbm(x, y, s, 32, 2, 174);
            c = Mix({0.27f, 0.4f, 0.24f}, {0.15f, 0.22f, 0.14f}, (t - hills) * 3.0f);
            c = Scale(c, 0.9f + 0.15f * far);
        }
    }
    return c;
}

Rgb SkyTop(int x, int y, int s, float& a) {
    a = 1;
    float cloud = Fbm(x, y, s, 4, 6, 181);
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
    float scale = s / 128.0f;
    int w = static_cast<int>((6 + Rand01(static_cast<int>(x / (8 * scale)), 0, 221) * 4) * scale);
    int book = x / std::max(1, w);
    float h = 0.75f + Rand01(book, 1, 222) * 0.25f;
    if (y < s * (1 - h)) {
        return {0.3f, 0.2f, 0.12f};
    }
    Rgb cols[5] = {{0.6f, 0.1f, 0.1f},
                   {0.1f, 0.3f, 0.55f},
                   {0.15f, 0.45f, 0.2f},
                   {0.7f, 0.6f, 0.3f},
                   {0.35f, 0.15f, 0.4f}};
    Rgb c = Scale(cols[Hash(book, 2, 223) % 5], 0.9f + 0.15f * Fbm(x, y, s, 16, 2, 224));
    bool band = std::fabs(y - s * (1 - h * 0.85f)) < 2 * scale;
    c = band ? Mix(c, {0.85f, 0.75f, 0.35f}, 0.7f) : c;
    return (x % std::max(1, w)) < scale ? Rgb{0.1f, 0.05f, 0.02f} : c;
}

Rgb Painting(int x, int y, int s, float& a) {
    a = 1;
    int m = s / 12;
    if (x < m || y < m || x >= s - m || y >= s - m) {
        return Scale({0.55f, 0.4f, 0.15f}, 0.85f + 0.2f * Fbm(x, y, s, 16, 2, 232));
    }
    float t = y / static_cast<float>(s);
    float hill = 0.55f + 0.15f * std::sin(x * 6.4f / s) + 0.05f * Fbm(x, 0, s, 4, 3, 231);
    float brush = 0.93f + 0.1f * Fbm(x, y, s, 24, 2, 233);
    if (t > hill) {
        return Scale(Mix({0.3f, 0.5f, 0.2f}, {0.2f, 0.35f, 0.15f}, t), brush);
    }
    return Scale(Mix({0.9f, 0.7f, 0.45f}, {0.4f, 0.6f, 0.85f}, 1 - t), brush);
}

// Stone step tread: u runs along the step, v back from the nosing, which the texture
// coordinates start at on every step; the front edge is worn lighter.
Rgb StoneTread(int x, int y, int s, float& a) {
    a = 1;
    float coarse = Fbm(x, y, s, 8, 4, 241);
    float speck = Rand01(x, y, 242);
    Rgb c = Mix({0.6f, 0.57f, 0.51f}, {0.76f, 0.73f, 0.66f}, coarse);
    c = Scale(c, 0.92f + 0.1f * (speck - 0.5f));
    float v = (y + 0.5f) / s;
    c = Mix(c, {0.82f, 0.8f, 0.74f}, 0.35f * (1.0f - Smooth(0.0f, 0.05f, v)));
    float joint = Joint(ToLine(static_cast<float>(x), s / 2.0f), 3.0f);
    return Mix(c, {0.4f, 0.38f, 0.34f}, joint * 0.8f);
}

// Stone riser: darker, rougher face in the shade of the nosing above (v runs down from it).
Rgb StoneRiser(int x, int y, int s, float& a) {
    a = 1;
    float coarse = Fbm(x, y, s, 12, 4, 243);
    Rgb c = Mix({0.4f, 0.38f, 0.35f}, {0.53f, 0.5f, 0.46f}, coarse);
    float v = (y + 0.5f) / s;
    c = Scale(c, 0.8f + 0.2f * Smooth(0.0f, 0.03f, v)); // shadow under the nosing
    float joint = Joint(ToLine(static_cast<float>(x), s / 2.0f), 3.0f);
    return Mix(Scale(c, 0.94f + 0.12f * Rand01(x, y, 244)), {0.3f, 0.29f, 0.26f}, joint * 0.8f);
}

// Wooden tread: one oak board running along the step, grain along u.
Rgb WoodTread(int x, int y, int s, float& a) {
    a = 1;
    float warp = Fbm(x, y, s, 3, 3, 245);
    float grain = 0.5f + 0.5f * std::sin(y * 24.0f / s + warp * 10.0f);
    float fine = Fbm(x * 0.4f, y * 6.0f, s, 16, 2, 246);
    Rgb c = Mix({0.62f, 0.43f, 0.24f}, {0.46f, 0.3f, 0.16f}, grain * 0.5f + fine * 0.3f);
    float v = (y + 0.5f) / s;
    return Scale(c, 0.85f + 0.15f * Smooth(0.0f, 0.03f, v));
}

// Painted riser board, off-white with a scuffed lower edge.
Rgb PaintedRiser(int x, int y, int s, float& a) {
    a = 1;
    float v = (y + 0.5f) / s;
    // A riser is about 0.16 of the texture tall: scuffs along its foot.
    float scuff =
        Fbm(x, y, s, 16, 3, 247) * Smooth(0.12f, 0.16f, v) * (1.0f - Smooth(0.2f, 0.22f, v));
    Rgb c = Scale({0.9f, 0.88f, 0.83f}, 0.96f + 0.04f * Fbm(x, y, s, 4, 2, 248));
    c = Scale(c, 0.82f + 0.18f * Smooth(0.0f, 0.04f, v));
    return Mix(c, {0.55f, 0.5f, 0.45f}, scuff * 0.5f);
}

// Pool step riser: the mosaic in a deeper blue.
Rgb PoolRiser(int x, int y, int s, float& a) {
    Rgb c = PoolTiles(x, y, s, a);
    return Mix(c, {0.2f, 0.45f, 0.62f}, 0.55f);
}

// Pool step nosing: a dark blue band of tiles that marks each step's edge under water.
Rgb PoolNosing(int x, int y, int s, float& a) {
    a = 1;
    float t = s / 8.0f;
    float grout = Joint(ToLine(static_cast<float>(x), t), 2.5f);
    Rgb c = Scale({0.08f, 0.2f, 0.42f}, 0.9f + 0.2f * Rand01(static_cast<int>(x / t), 0, 249));
    c = Scale(c, 0.95f + 0.1f * Fbm(x, y, s, 16, 2, 250));
    return Mix(c, {0.5f, 0.56f, 0.58f}, grout);
}

struct Entry {
    const char* name;
    Painter painter;
    int size;
};

// Broad surfaces get 512 texels, furniture and small parts 256 or less.
const Entry TEXTURES[] = {
    {"brick", Brick, 512},
    {"plaster", Plaster, 512},
    {"render", Render, 512},
    {"wood", Wood, 512},
    {"darkwood", DarkWood, 256},
    {"door", Door, 256},
    {"stone", Stone, 512},
    {"tiles", Tiles, 512},
    {"kitchentiles", KitchenTiles, 512},
    {"grass", Grass, 512},
    {"gravel", Gravel, 512},
    {"pebble", Pebble, 256},
    {"concrete", Concrete, 512},
    {"metal", Metal, 128},
    {"fabric", Fabric, 256},
    {"roof", Roof, 512},
    {"water", Water, 256},
    {"pooltiles", PoolTiles, 512},
    {"leaves", Leaves, 256},
    {"hedge", Hedge, 256},
    {"railing", Railing, 128},
    {"bark", Bark, 256},
    {"glass", Glass, 128},
    {"skyside", SkySide, 512},
    {"skytop", SkyTop, 512},
    {"skybottom", SkyBottom, 128},
    {"shadow", ShadowBlob, 64},
    {"lampshade", LampShade, 64},
    {"switch", Switch, 64},
    {"gem", Gem, 64},
    {"books", Books, 256},
    {"painting", Painting, 256},
    {"stonetread", StoneTread, 256},
    {"stoneriser", StoneRiser, 256},
    {"woodtread", WoodTread, 256},
    {"paintedriser", PaintedRiser, 256},
    {"poolriser", PoolRiser, 256},
    {"poolnosing", PoolNosing, 128},
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
    // A plus two texels thick with a light core and a dark rim, so that it reads on pale
    // concrete as well as in dark rooms. The game draws it with its top-left corner four
    // pixels up and left of the screen centre, so the core straddles the centre.
    static const char* const SHAPE[8] = {
        "..oooo..", //
        "..oWWo..", //
        "oooWWooo", //
        "oWWWWWWo", //
        "oWWWWWWo", //
        "oooWWooo", //
        "..oWWo..", //
        "..oooo..", //
    };
    Image image(8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (SHAPE[y][x] == 'W') {
                image.Set(x, y, 1.0f, 1.0f, 0.96f, 1.0f);
            } else if (SHAPE[y][x] == 'o') {
                image.Set(x, y, 0.05f, 0.05f, 0.06f, 0.8f);
            }
        }
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
