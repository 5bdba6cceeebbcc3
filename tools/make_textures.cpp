// quorvel-textures: draws the bundled wall, ceiling and floor textures.
//
//   quorvel-textures OUT_FOLDER [--seed N]
//
// writes Wall.png (brick), Ceiling.png (stone slabs) and Floor.png (planks),
// 256 x 256 RGB. They are drawn fairly light and low in contrast because the
// game multiplies them by the cell tint and the light, then fogs them.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "png_writer.h"

static const int SIZE = 256;

// Deterministic hash noise, so the same seed always draws the same textures.
static uint32_t Hash(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

static float Random01(int x, int y, uint32_t seed)
{
    return float(Hash(x, y, seed) & 0xFFFFFF) / float(0xFFFFFF);
}

// Smooth value noise that wraps every `period` cells, so the texture tiles.
static float ValueNoise(float x, float y, int period, uint32_t seed)
{
    int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    float fx = x - float(x0), fy = y - float(y0);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto at = [&](int ix, int iy) {
        return Random01(((ix % period) + period) % period, ((iy % period) + period) % period, seed);
    };
    float top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * fx;
    float bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * fx;
    return top + (bottom - top) * fy;
}

// Several octaves of tiling noise, in 0..1.
static float Fractal(float u, float v, int baseCells, uint32_t seed)
{
    float sum = 0, weight = 0, amplitude = 1;
    for (int octave = 0, cells = baseCells; octave < 4; ++octave, cells *= 2, amplitude *= 0.5f) {
        sum += amplitude * ValueNoise(u * float(cells), v * float(cells), cells, seed + uint32_t(octave) * 101u);
        weight += amplitude;
    }
    return sum / weight;
}

struct Colour {
    float r, g, b;
};

static Colour Mix(Colour a, Colour b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

static Colour Scale(Colour c, float k)
{
    return {c.r * k, c.g * k, c.b * k};
}

typedef Colour (*Painter)(int x, int y, uint32_t seed);

// Running bond: rows of 4 bricks, every other row shifted by half a brick.
static Colour PaintBrick(int x, int y, uint32_t seed)
{
    const int brickW = 64, brickH = 32, mortar = 3;
    int row = y / brickH;
    int shifted = x + (row % 2) * (brickW / 2);
    int column = (shifted / brickW) % (SIZE / brickW);
    int inX = shifted % brickW, inY = y % brickH;
    float u = float(x) / SIZE, v = float(y) / SIZE;
    float grain = Fractal(u, v, 16, seed);
    if (inX < mortar || inY < mortar) {
        Colour mortarColour = {0.78f, 0.76f, 0.72f};
        return Scale(mortarColour, 0.85f + 0.2f * grain);
    }
    float brickTone = Random01(column, row, seed + 7);
    Colour brick = Mix(Colour{0.74f, 0.42f, 0.32f}, Colour{0.86f, 0.56f, 0.42f}, brickTone);
    // Edges slightly darker, so each brick reads as a block under fog.
    int edge = std::min(std::min(inX - mortar, brickW - 1 - inX), std::min(inY - mortar, brickH - 1 - inY));
    float bevel = edge < 3 ? 0.85f + 0.05f * float(edge) : 1.0f;
    return Scale(brick, bevel * (0.8f + 0.35f * grain));
}

// Large square slabs of pale stone with fine cracks of noise.
static Colour PaintStone(int x, int y, uint32_t seed)
{
    const int slab = 128, joint = 2;
    int inX = x % slab, inY = y % slab;
    float u = float(x) / SIZE, v = float(y) / SIZE;
    float grain = Fractal(u, v, 8, seed);
    float speckle = Random01(x, y, seed + 3);
    Colour stone = Mix(Colour{0.70f, 0.70f, 0.68f}, Colour{0.86f, 0.85f, 0.80f},
                       Random01(x / slab, y / slab, seed + 11));
    if (inX < joint || inY < joint) return Scale(stone, 0.55f);
    return Scale(stone, 0.78f + 0.3f * grain + 0.06f * (speckle - 0.5f));
}

// Planks running along v, with wavy grain and staggered ends.
static Colour PaintPlanks(int x, int y, uint32_t seed)
{
    const int plankW = 32, gap = 2;
    int plank = x / plankW;
    int inX = x % plankW;
    int endOffset = int(Random01(plank, 0, seed + 5) * SIZE);
    int inY = (y + endOffset) % SIZE;
    float u = float(x) / SIZE, v = float(y) / SIZE;
    float wave = Fractal(u * 0.5f, v, 4, seed + uint32_t(plank));
    float rings = 0.5f + 0.5f * std::sin((float(inX) * 0.35f + wave * 18.0f));
    Colour wood = Mix(Colour{0.62f, 0.44f, 0.28f}, Colour{0.78f, 0.58f, 0.38f}, Random01(plank, 1, seed + 9));
    if (inX < gap || inY < gap) return Scale(wood, 0.45f);
    return Scale(wood, 0.82f + 0.18f * rings + 0.1f * (Fractal(u, v, 32, seed) - 0.5f));
}

static bool WriteTexture(const std::string& path, Painter paint, uint32_t seed)
{
    std::vector<unsigned char> pixels(size_t(SIZE) * SIZE * 3);
    for (int y = 0; y < SIZE; ++y) {
        for (int x = 0; x < SIZE; ++x) {
            Colour c = paint(x, y, seed);
            unsigned char* p = &pixels[(size_t(y) * SIZE + x) * 3];
            const float channel[3] = {c.r, c.g, c.b};
            for (int i = 0; i < 3; ++i) {
                float value = channel[i] < 0 ? 0 : channel[i] > 1 ? 1 : channel[i];
                p[i] = (unsigned char)std::lround(value * 255.0f);
            }
        }
    }
    RawImage image = {SIZE, SIZE, 3, pixels.data()};
    return WriteFileBytes(path.c_str(), EncodePng(image));
}

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs("usage: quorvel-textures OUT_FOLDER [--seed N]\n"
                   "Writes Wall.png, Ceiling.png and Floor.png (256 x 256) into OUT_FOLDER.\n",
                   argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    uint32_t seed = 1;
    if (argc == 4 && std::strcmp(argv[2], "--seed") == 0) seed = uint32_t(std::strtoul(argv[3], nullptr, 10));
    std::string folder = argv[1];
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    const struct {
        const char* name;
        Painter paint;
    } textures[] = {{"Wall.png", PaintBrick}, {"Ceiling.png", PaintStone}, {"Floor.png", PaintPlanks}};
    for (const auto& texture : textures) {
        if (!WriteTexture(folder + texture.name, texture.paint, seed)) {
            std::fprintf(stderr, "quorvel-textures: cannot write %s%s\n", folder.c_str(), texture.name);
            return 1;
        }
    }
    return 0;
}
