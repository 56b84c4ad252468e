#include "resources/DefaultTexture.h"

namespace folivex {

namespace {

// A fixed scramble of small integers, so the cloth looks the same on every run.
unsigned Scramble(unsigned x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

// -range .. +range, from the scramble of n.
int Jitter(unsigned n, int range) {
    return int(Scramble(n) % unsigned(2 * range + 1)) - range;
}

} // namespace

// Dark taupe linen: every row (weft) and every column (warp) is one thread of its own
// slightly different shade, with a fine grain on top. The variations are small and
// carry no period shorter than the tile, so the 64 x 64 tiles join without a visible
// grid and the cream pages stand out against a calm background.
QImage DefaultTexture() {
    QImage img(64, 64, QImage::Format_RGB888);
    for (int y = 0; y < 64; ++y) {
        const int weft = Jitter(unsigned(y) + 101u, 5);
        for (int x = 0; x < 64; ++x) {
            const int warp = Jitter(unsigned(x) + 7001u, 4);
            // Warp threads show on odd squares of the weave, weft threads on even ones.
            const int thread = (x + y) % 2 ? warp : weft;
            const int v = thread + Jitter(unsigned(y * 64 + x) + 90001u, 3);
            img.setPixel(x, y, qRgb(112 + v, 100 + v, 86 + v));
        }
    }
    return img;
}

} // namespace folivex
