#include "wallpaper/Compose.h"

#include <algorithm>
#include <cstring>

#include "image/Resample.h"
#include "wallpaper/Layout.h"

namespace mv {

void Blit24(const Image& src, Image& dst, int x, int y) {
    const int sw = src.Width(), sh = src.Height();
    const int x0 = x < 0 ? -x : 0, y0 = y < 0 ? -y : 0;
    const int x1 = std::min(sw, dst.Width() - x), y1 = std::min(sh, dst.Height() - y);
    if (x0 >= x1 || y0 >= y1) return;
    const size_t bytes = static_cast<size_t>(x1 - x0) * 3;
    for (int sy = y0; sy < y1; ++sy)
        std::memcpy(dst.Row24(sy + y) + 3 * (x0 + x), src.Row24(sy) + 3 * x0, bytes);
}

Image ComposeTiledScreen(const Image& tile, Size screen, int32_t smartTiling) {
    Image out = Image::Create24(screen.cx, screen.cy);
    if (!out.IsValid() || !tile.IsValid() || tile.BitCount() != 24) return Image();
    const int tw = FitTileSize(screen.cx, tile.Width(), smartTiling);
    const int th = FitTileSize(screen.cy, tile.Height(), smartTiling);
    Image fitted = (tw == tile.Width() && th == tile.Height()) ? tile : Resample24(tile, tw, th);
    if (!fitted.IsValid()) return Image();
    for (int y = 0; y < screen.cy; y += th)
        for (int x = 0; x < screen.cx; x += tw) Blit24(fitted, out, x, y);
    return out;
}

Image ComposeCentredOrStretched(const Image& picture, bool bStretch, Size screen, Color background) {
    if (!picture.IsValid() || picture.BitCount() != 24) return Image();
    if (bStretch) return Resample24(picture, screen.cx, screen.cy);
    Image out = Image::Create24(screen.cx, screen.cy);
    if (!out.IsValid()) return out;
    const uint8_t bgr[3] = {static_cast<uint8_t>(BlueOf(background)), static_cast<uint8_t>(GreenOf(background)),
                            static_cast<uint8_t>(RedOf(background))};
    for (int y = 0; y < screen.cy; ++y) {
        uint8_t* row = out.Row24(y);
        for (int x = 0; x < screen.cx; ++x) std::memcpy(row + 3 * x, bgr, 3);
    }
    Blit24(picture, out, (screen.cx - picture.Width()) / 2, (screen.cy - picture.Height()) / 2);
    return out;
}

Image Crop24(const Image& src, const Rect& r) {
    if (!src.IsValid() || src.BitCount() != 24) return Image();
    const int left = std::max(0, r.left), top = std::max(0, r.top);
    const int right = std::min(src.Width(), r.right), bottom = std::min(src.Height(), r.bottom);
    if (right <= left || bottom <= top) return Image();
    Image out = Image::Create24(right - left, bottom - top);
    if (!out.IsValid()) return out;
    for (int y = top; y < bottom; ++y)
        std::memcpy(out.Row24(y - top), src.Row24(y) + 3 * left, static_cast<size_t>(right - left) * 3);
    return out;
}

namespace {
int PositiveMod(int64_t a, int64_t m) {
    const int64_t r = a % m;
    return static_cast<int>(r < 0 ? r + m : r);
}

// Moves every pixel dx to the right and dy down, wrapping round, in place.
void Roll24(Image& image, int dx, int dy) {
    const int W = image.Width(), H = image.Height();
    if (!image.IsValid() || image.BitCount() != 24 || W <= 0 || H <= 0) return;
    dx = PositiveMod(dx, W);
    dy = PositiveMod(dy, H);
    if (dx != 0)
        for (int y = 0; y < H; ++y) {
            uint8_t* row = image.Row24(y);
            std::rotate(row, row + 3 * static_cast<size_t>(W - dx), row + 3 * static_cast<size_t>(W));
        }
    if (dy != 0) {
        // Rows are stored bottom-up: moving them down the picture moves
        // them towards the start of the block.
        uint8_t* first = image.Row24(H - 1);
        const size_t stride = image.Stride();
        std::rotate(first, first + stride * static_cast<size_t>(dy), first + stride * static_cast<size_t>(H));
    }
}
}  // namespace

void ArrangeForShell(Image& canvas, const Rect& bounds, Point origin, WallpaperArrangement arrangement) {
    if (arrangement != WallpaperArrangement::TiledFromPrimary) return;
    // Canvas column x shows at virtual x + bounds.left, which the tiled
    // bitmap holds at column (x + bounds.left - origin.x) mod W.
    Roll24(canvas, bounds.left - origin.x, bounds.top - origin.y);
}

void UnarrangeForShell(Image& bitmap, const Rect& bounds, Point origin, WallpaperArrangement arrangement) {
    if (arrangement != WallpaperArrangement::TiledFromPrimary) return;
    Roll24(bitmap, origin.x - bounds.left, origin.y - bounds.top);
}

float Bilerp(float c00, float c10, float c01, float c11, float x, float y) {
    float a = c00 + (c10 - c00) * x;
    float b = c01 + (c11 - c01) * x;
    return a + (b - a) * y;
}

namespace {
struct Corners {
    float c00, c10, c01, c11;
};
constexpr float k3 = 0.333f;
constexpr Corners kZero{0, 0, 0, 0};

enum Band { kLow, kMid, kHigh };

struct Region {
    Corners wA, wB, wD;
};

// Rows: top, middle, bottom; columns: left, middle, right.
const Region kRegions[3][3] = {
    {{{k3, 0.5f, 0.5f, 1.0f}, {k3, 0, 0.5f, 0}, {k3, 0.5f, 0, 0}},
     {{0.5f, 0.5f, 1.0f, 1.0f}, kZero, {0.5f, 0.5f, 0, 0}},
     {{0.5f, k3, 1.0f, 0.5f}, {0, k3, 0, 0.5f}, {0.5f, k3, 0, 0}}},
    {{{0.5f, 1.0f, 0.5f, 1.0f}, {0.5f, 0, 0.5f, 0}, kZero},
     {kZero, kZero, kZero},
     {{1.0f, 0.5f, 1.0f, 0.5f}, {0, 0.5f, 0, 0.5f}, kZero}},
    {{{0.5f, 1.0f, k3, 0.5f}, {0.5f, 0, k3, 0}, {0, 0, k3, 0.5f}},
     {{1.0f, 1.0f, 0.5f, 0.5f}, kZero, {0, 0, 0.5f, 0.5f}},
     {{1.0f, 0.5f, 0.5f, k3}, {0, 0.5f, 0, k3}, {0, 0, 0.5f, k3}}},
};

float Weight(const Corners& c, float x, float y) { return Bilerp(c.c00, c.c10, c.c01, c.c11, x, y); }
}  // namespace

Image MakeSeamlessTile(const Image& picture) {
    if (!picture.IsValid() || picture.BitCount() != 24) return Image();
    const int W = picture.Width(), H = picture.Height();
    const int BW = static_cast<int>(static_cast<float>(W) * 0.1f);
    const int BH = static_cast<int>(static_cast<float>(H) * 0.1f);
    const int IW = W - 2 * BW, IH = H - 2 * BH;
    Image tile = Image::Create24(IW, IH);
    if (!tile.IsValid()) return tile;
    for (int j = 0; j < IH; ++j)
        std::memcpy(tile.Row24(j), picture.Row24(j + BH) + 3 * BW, static_cast<size_t>(IW) * 3);

    for (int i = 0; i < IW; ++i) {
        Band col;
        float x;
        if (i < BW) {
            col = kLow;
            x = static_cast<float>(i) / static_cast<float>(BW);
        } else if (i < IW - BW) {
            col = kMid;
            x = static_cast<float>(i - BW) / static_cast<float>(IW - 2 * BW);
        } else {
            col = kHigh;
            x = 1.0f - static_cast<float>(IW - i) / static_cast<float>(BW);
        }
        for (int j = 0; j < IH; ++j) {
            Band row;
            float y;
            if (j < BH) {
                row = kLow;
                y = static_cast<float>(j) / static_cast<float>(BH);
            } else if (j < IH - BH) {
                row = kMid;
                y = 1.0f - static_cast<float>(j - BH) / static_cast<float>(IH - 2 * BH);
            } else {
                row = kHigh;
                y = 1.0f - static_cast<float>(IH - j) / static_cast<float>(BH);
            }
            if (row == kMid && col == kMid) {
                j = IH - BH - 1;  // skip the rest of the interior of this column
                continue;
            }
            const Region& r = kRegions[row][col];
            const uint8_t* A = picture.Row24(j + BH) + 3 * (i + BW);
            const uint8_t* B = nullptr;
            const uint8_t* D = nullptr;
            if (col == kLow) B = picture.Row24(j + BH) + 3 * (i + BW + IW);
            if (col == kHigh) B = picture.Row24(j + BH) + 3 * (i + BW - IW);
            if (row == kLow) D = picture.Row24(j + BH + IH) + 3 * (i + BW);
            if (row == kHigh) D = picture.Row24(j + BH - IH) + 3 * (i + BW);
            const float wA = Weight(r.wA, x, y);
            const float wB = B ? Weight(r.wB, x, y) : 0.0f;
            const float wD = D ? Weight(r.wD, x, y) : 0.0f;
            uint8_t* out = tile.Row24(j) + 3 * i;
            for (int c = 0; c < 3; ++c) {
                float v = A[c] * wA + (B ? B[c] * wB : 0.0f) + (D ? D[c] * wD : 0.0f);
                int iv = static_cast<int>(v);
                out[c] = static_cast<uint8_t>(iv < 0 ? 0 : iv > 255 ? 255 : iv);
            }
        }
    }
    return tile;
}

}  // namespace mv
