// Menu screens: a painted background and centred lines of text.
#include "menus.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

namespace levelbuild {

namespace {

struct Glyph {
    char c;
    const char* rows[7];
};

// 5x7 glyphs, '#' set.
const Glyph FONT[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {".###.", "#....", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "....#", ".###."}},
    {':', {".....", "..#..", "..#..", ".....", "..#..", "..#..", "....."}},
    {',', {".....", ".....", ".....", ".....", "..#..", "..#..", ".#..."}},
    {'.', {".....", ".....", ".....", ".....", ".....", "..#..", "..#.."}},
    {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."}},
    {'-', {".....", ".....", ".....", ".###.", ".....", ".....", "....."}},
    {'\'', {"..#..", "..#..", ".#...", ".....", ".....", ".....", "....."}},
    {'/', {"....#", "...#.", "...#.", "..#..", ".#...", ".#...", "#...."}},
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
};

const Glyph* FindGlyph(char c) {
    char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Glyph& g : FONT) {
        if (g.c == u) {
            return &g;
        }
    }
    return nullptr;
}

void Background(Image& image, float r0, float g0, float b0, float r1, float g1, float b1) {
    for (int y = 0; y < image.height; ++y) {
        float t = y / static_cast<float>(image.height - 1);
        for (int x = 0; x < image.width; ++x) {
            float vign = 1.0f - 0.25f * std::pow(std::fabs(x / 256.0f - 1.0f), 2.0f);
            image.Set(x, y, (r0 + (r1 - r0) * t) * vign, (g0 + (g1 - g0) * t) * vign,
                      (b0 + (b1 - b0) * t) * vign);
        }
    }
}

// A house silhouette on a hill, the game's emblem on every screen.
void Emblem(Image& image, int cx, int baseY) {
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            float hill = baseY + 18 * std::sin((x - cx) * 0.012f) + 30;
            bool ground = y > hill;
            int dx = x - cx;
            bool body = y > baseY - 40 && y <= baseY + 25 && std::abs(dx) < 70;
            bool roof =
                y > baseY - 85 && y <= baseY - 40 && std::abs(dx) < (y - (baseY - 85)) * 1.8f;
            bool window = body && y > baseY - 25 && y < baseY - 5 &&
                          ((dx > -55 && dx < -30) || (dx > 30 && dx < 55));
            bool door = body && y > baseY - 15 && std::abs(dx) < 10;
            if (window) {
                image.Set(x, y, 1.0f, 0.85f, 0.45f);
            } else if (door) {
                image.Set(x, y, 0.3f, 0.18f, 0.08f);
            } else if (body || roof) {
                image.Set(x, y, 0.08f, 0.07f, 0.1f);
            } else if (ground) {
                image.Set(x, y, 0.06f, 0.12f, 0.06f);
            }
        }
    }
}

void Centred(Image& image, int y, const std::string& text, int scale, float r, float g, float b) {
    int x = (image.width - TextWidth(text, scale)) / 2;
    DrawText(image, x + scale, y + scale, text, scale, 0, 0, 0); // drop shadow
    DrawText(image, x, y, text, scale, r, g, b);
}

} // namespace

int TextWidth(const std::string& text, int scale) {
    return static_cast<int>(text.size()) * 6 * scale - scale;
}

int DrawText(Image& image, int x, int y, const std::string& text, int scale, float r, float g,
             float b) {
    int cx = x;
    for (char c : text) {
        const Glyph* glyph = FindGlyph(c);
        if (glyph) {
            for (int row = 0; row < 7; ++row) {
                for (int col = 0; col < 5; ++col) {
                    if (glyph->rows[row][col] != '#') {
                        continue;
                    }
                    for (int sy = 0; sy < scale; ++sy) {
                        for (int sx = 0; sx < scale; ++sx) {
                            int px = cx + col * scale + sx, py = y + row * scale + sy;
                            if (px >= 0 && py >= 0 && px < image.width && py < image.height) {
                                image.Set(px, py, r, g, b);
                            }
                        }
                    }
                }
            }
        }
        cx += 6 * scale;
    }
    return cx - x;
}

Image MakeTitleScreen() {
    Image image(512, 512);
    Background(image, 0.1f, 0.12f, 0.3f, 0.55f, 0.35f, 0.3f);
    Emblem(image, 256, 330);
    Centred(image, 60, "OVREL", 10, 1.0f, 0.85f, 0.4f);
    Centred(image, 150, "the house on the hill", 3, 0.95f, 0.95f, 1.0f);
    Centred(image, 440, "press any key", 4, 1.0f, 1.0f, 1.0f);
    return image;
}

Image MakeMainMenu() {
    Image image(512, 512);
    Background(image, 0.08f, 0.1f, 0.22f, 0.2f, 0.25f, 0.4f);
    Centred(image, 40, "OVREL", 8, 1.0f, 0.85f, 0.4f);
    Centred(image, 130, "find the ten collectibles", 3, 1, 1, 1);
    Centred(image, 160, "hidden in the house,", 3, 1, 1, 1);
    Centred(image, 190, "the yard and the shed", 3, 1, 1, 1);
    Centred(image, 250, "arrows: walk   mouse: look", 2, 0.8f, 0.85f, 1.0f);
    Centred(image, 275, "click: open, switch, pick up", 2, 0.8f, 0.85f, 1.0f);
    Centred(image, 300, "some doors need a switch", 2, 0.8f, 0.85f, 1.0f);
    Centred(image, 380, "any key: play", 4, 1.0f, 1.0f, 0.6f);
    Centred(image, 430, "escape: quit", 4, 1.0f, 1.0f, 0.6f);
    return image;
}

Image MakeEndScreen() {
    Image image(512, 512);
    Background(image, 0.35f, 0.25f, 0.08f, 0.1f, 0.08f, 0.2f);
    Emblem(image, 256, 360);
    Centred(image, 60, "well done!", 6, 1.0f, 0.9f, 0.4f);
    Centred(image, 150, "all ten collectibles found:", 3, 1, 1, 1);
    Centred(image, 180, "the goal is reached", 3, 1, 1, 1);
    Centred(image, 460, "press any key to quit", 3, 1.0f, 1.0f, 1.0f);
    return image;
}

} // namespace levelbuild
