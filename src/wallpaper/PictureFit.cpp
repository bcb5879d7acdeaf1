#include "wallpaper/PictureFit.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "image/Resample.h"
#include "image/RowResampler.h"
#include "wallpaper/Compose.h"

namespace mv {

namespace {

bool Positive(Size s) { return s.cx > 0 && s.cy > 0; }

// The two cross products that compare the shapes: picture width x area
// height against area width x picture height. The first is the larger when
// the picture is the wider shape.
struct ShapeProducts {
    uint64_t pictureWide;  // pw * ah
    uint64_t areaWide;     // aw * ph
    uint64_t Larger() const { return std::max(pictureWide, areaWide); }
    uint64_t Smaller() const { return std::min(pictureWide, areaWide); }
};
ShapeProducts Products(Size picture, Size area) {
    return {static_cast<uint64_t>(picture.cx) * static_cast<uint64_t>(area.cy),
            static_cast<uint64_t>(area.cx) * static_cast<uint64_t>(picture.cy)};
}

// a * b / c rounded to the nearest integer (halves up), for positive values.
int MulDivRound(int64_t a, int64_t b, int64_t c) { return static_cast<int>((2 * a * b + c) / (2 * c)); }

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// The window of the picture with the area's shape that covers as much of it
// as it can, centred: the part Fill keeps.
Rect CentredCoverWindow(Size picture, Size area) {
    Rect r{0, 0, picture.cx, picture.cy};
    if (static_cast<uint64_t>(picture.cx) * area.cy >= static_cast<uint64_t>(area.cx) * picture.cy) {
        const int keep = Clamp(MulDivRound(picture.cy, area.cx, area.cy), 1, picture.cx);
        r.left = (picture.cx - keep) / 2;
        r.right = r.left + keep;
    } else {
        const int keep = Clamp(MulDivRound(picture.cx, area.cy, area.cx), 1, picture.cy);
        r.top = (picture.cy - keep) / 2;
        r.bottom = r.top + keep;
    }
    return r;
}

// The part r of a 24-bit picture resized to width x height by the program's
// resampler, its rows handed over in place (no copy of the part is made).
Image ResampleRegion(const Image& src, const Rect& r, int width, int height) {
    if (r.Width() == width && r.Height() == height) return Crop24(src, r);
    try {
        RowResampler resampler(r.Width(), r.Height(), width, height);
        if (!resampler.Valid()) return Image();
        for (int y = r.top; y < r.bottom; ++y) resampler.PushRow(src.Row24(y) + 3 * static_cast<size_t>(r.left));
        return resampler.TakeResult();
    } catch (const std::bad_alloc&) {
        return Image();
    }
}

// A small copy of the part r of a 24-bit picture, width x height pixels
// (not larger than r): each pixel the mean of up to 4 x 4 samples spread
// evenly over the cell of the part it stands for. Close to an area average
// at a cost that follows the small copy's size, not the picture's.
Image SampledCopy(const Image& src, const Rect& r, int width, int height) {
    Image out = Image::Create24(width, height);
    if (!out.IsValid()) return out;
    constexpr int kSamples = 4;
    auto positions = [](int start, int extent, int cells) {
        // Per cell: its sample count, then the sample positions.
        std::vector<int> v;
        for (int c = 0; c < cells; ++c) {
            const int64_t lo = static_cast<int64_t>(c) * extent / cells, hi = static_cast<int64_t>(c + 1) * extent / cells;
            const int n = static_cast<int>(std::max<int64_t>(1, std::min<int64_t>(kSamples, hi - lo)));
            v.push_back(n);
            for (int i = 0; i < n; ++i)
                v.push_back(start + static_cast<int>(lo + ((2 * i + 1) * (hi - lo)) / (2 * n)));
        }
        return v;
    };
    const std::vector<int> xs = positions(r.left, r.Width(), width), ys = positions(r.top, r.Height(), height);
    size_t yi = 0;
    for (int y = 0; y < height; ++y) {
        const int ny = ys[yi];
        uint8_t* row = out.Row24(y);
        size_t xi = 0;
        for (int x = 0; x < width; ++x) {
            const int nx = xs[xi];
            int sum[3] = {0, 0, 0};
            for (int j = 1; j <= ny; ++j) {
                const uint8_t* in = src.Row24(ys[yi + j]);
                for (int i = 1; i <= nx; ++i)
                    for (int c = 0; c < 3; ++c) sum[c] += in[3 * xs[xi + i] + c];
            }
            const int n = nx * ny;
            for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<uint8_t>((sum[c] + n / 2) / n);
            xi += 1 + nx;
        }
        yi += 1 + ny;
    }
    return out;
}

// Largest side of the copy the interest is measured on.
constexpr int kInterestSide = 256;
// Largest side of the backdrop before it is blurred and scaled up.
constexpr int kBackdropSide = 64;
constexpr int kBlurPasses = 3;
// The backdrop's brightness, in 256ths.
constexpr int kBackdropLevel = 205;

// A copy at most kInterestSide on its longer side, shape kept (the picture
// itself when it is that small already).
Image InterestCopy(const Image& picture) {
    const int pw = picture.Width(), ph = picture.Height();
    if (pw <= kInterestSide && ph <= kInterestSide) return picture;
    int sw, sh;
    if (pw >= ph) {
        sw = kInterestSide;
        sh = std::max(1, MulDivRound(ph, kInterestSide, pw));
    } else {
        sh = kInterestSide;
        sw = std::max(1, MulDivRound(pw, kInterestSide, ph));
    }
    return SampledCopy(picture, Rect{0, 0, pw, ph}, sw, sh);
}

// Skin tones as the usual daylight rule for RGB gives them.
bool IsSkin(int r, int g, int b) {
    const int mx = std::max(r, std::max(g, b)), mn = std::min(r, std::min(g, b));
    return r > 95 && g > 40 && b > 20 && mx - mn > 15 && std::abs(r - g) > 15 && r > g && r > b;
}

// Interest of each pixel: edges of the luminance and of the colour's
// strength (central differences), and a bonus for skin tones. A flat area
// of strong colour (a blue sky) holds no interest of its own: only where
// colour changes does it count.
std::vector<int> InterestMap(const Image& small) {
    const int w = small.Width(), h = small.Height();
    std::vector<int> luma(static_cast<size_t>(w) * h), sat(luma.size()), interest(luma.size());
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = small.Row24(y);
        for (int x = 0; x < w; ++x) {
            const int b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
            const size_t i = static_cast<size_t>(y) * w + x;
            luma[i] = (77 * r + 150 * g + 29 * b) >> 8;
            sat[i] = std::max(r, std::max(g, b)) - std::min(r, std::min(g, b));
            interest[i] = IsSkin(r, g, b) ? 64 : 0;
        }
    }
    auto edge = [&](const std::vector<int>& v, int x, int y) {
        // Borders take the one-sided difference: no edge is made up there.
        auto at = [&](int xx, int yy) { return v[static_cast<size_t>(yy) * w + xx]; };
        return std::abs(at(std::min(x + 1, w - 1), y) - at(std::max(x - 1, 0), y)) +
               std::abs(at(x, std::min(y + 1, h - 1)) - at(x, std::max(y - 1, 0)));
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            interest[static_cast<size_t>(y) * w + x] += 2 * edge(luma, x, y) + edge(sat, x, y);
    return interest;
}

}  // namespace

PictureFit PictureFitFromValue(uint32_t value) {
    return value <= static_cast<uint32_t>(PictureFit::Automatic) ? static_cast<PictureFit>(value)
                                                                 : PictureFit::Automatic;
}

bool ShapesMatch(Size picture, Size area) {
    if (!Positive(picture) || !Positive(area)) return false;
    const ShapeProducts p = Products(picture, area);
    return p.Larger() * 100 <= p.Smaller() * 101;
}

bool FillCutsLittle(Size picture, Size area) {
    if (!Positive(picture) || !Positive(area)) return false;
    // Filling keeps smaller / larger of the picture's area.
    const ShapeProducts p = Products(picture, area);
    return p.Smaller() * 10 >= p.Larger() * 7;
}

PictureFit ResolvePictureFit(Size picture, Size area, PictureFit requested) {
    if (requested == PictureFit::Stretch || ShapesMatch(picture, area) || !Positive(picture) || !Positive(area))
        return PictureFit::Stretch;
    if (requested == PictureFit::Automatic)
        return FillCutsLittle(picture, area) ? PictureFit::Fill : PictureFit::FitBlurred;
    return requested;
}

Size CoverSize(Size picture, Size area) {
    if (!Positive(picture) || !Positive(area)) return Size{};
    const ShapeProducts p = Products(picture, area);
    if (p.pictureWide >= p.areaWide) return Size{std::max(1, MulDivRound(picture.cx, area.cy, picture.cy)), area.cy};
    return Size{area.cx, std::max(1, MulDivRound(picture.cy, area.cx, picture.cx))};
}

Size FitInsideSize(Size picture, Size area) {
    if (!Positive(picture) || !Positive(area)) return Size{};
    const ShapeProducts p = Products(picture, area);
    if (p.pictureWide >= p.areaWide) return Size{area.cx, std::max(1, MulDivRound(picture.cy, area.cx, picture.cx))};
    return Size{std::max(1, MulDivRound(picture.cx, area.cy, picture.cy)), area.cy};
}

FitPlacement PlaceFitted(Size original, Size decoded, Size area, PictureFit requested) {
    FitPlacement p;
    p.mode = ResolvePictureFit(original, area, requested);
    p.crop = Rect{0, 0, decoded.cx, decoded.cy};
    p.placed = Rect{0, 0, area.cx, area.cy};
    if (!Positive(decoded) || !Positive(area)) return p;
    if (p.mode == PictureFit::Fill) {
        p.crop = CentredCoverWindow(decoded, area);
    } else if (p.mode == PictureFit::Fit || p.mode == PictureFit::FitBlurred) {
        const Size s = FitInsideSize(original, area);
        p.placed.left = (area.cx - s.cx) / 2;
        p.placed.top = (area.cy - s.cy) / 2;
        p.placed.right = p.placed.left + s.cx;
        p.placed.bottom = p.placed.top + s.cy;
    }
    return p;
}

int InterestingCropStart(const Image& picture, Size keep) {
    if (!picture.IsValid() || picture.BitCount() != 24) return 0;
    const int pw = picture.Width(), ph = picture.Height();
    const bool bAcross = keep.cx < pw;
    if (!bAcross && keep.cy >= ph) return 0;
    const int extent = bAcross ? pw : ph;
    const int kept = Clamp(bAcross ? keep.cx : keep.cy, 1, extent);
    const int middle = (extent - kept) / 2;

    const Image small = InterestCopy(picture);
    if (!small.IsValid()) return middle;
    const int sw = small.Width(), sh = small.Height();
    const int sExtent = bAcross ? sw : sh, sCross = bAcross ? sh : sw;
    const int k = Clamp(MulDivRound(kept, sExtent, extent), 1, sExtent);
    if (k >= sExtent) return middle;

    // The interest summed across the cut axis, then over each window.
    const std::vector<int> map = InterestMap(small);
    std::vector<int64_t> prefix(static_cast<size_t>(sExtent) + 1, 0);
    for (int i = 0; i < sExtent; ++i) {
        int64_t line = 0;
        for (int j = 0; j < sCross; ++j)
            line += bAcross ? map[static_cast<size_t>(j) * sw + i] : map[static_cast<size_t>(i) * sw + j];
        prefix[static_cast<size_t>(i) + 1] = prefix[static_cast<size_t>(i)] + line;
    }
    const int positions = sExtent - k + 1;
    auto window = [&](int p) { return prefix[static_cast<size_t>(p + k)] - prefix[static_cast<size_t>(p)]; };
    int bestPos = 0;
    int64_t best = window(0);
    for (int p = 1; p < positions; ++p)
        if (window(p) > best) {
            best = window(p);
            bestPos = p;
        }
    const int64_t centred = window((sExtent - k) / 2);
    // A clear subject: the best window holds 5 % more than the middle one,
    // and the gain is more than faint noise (8 levels per line across).
    if (best * 100 <= centred * 105 || best - centred < 8 * static_cast<int64_t>(sCross)) return middle;

    // Every window about as good as the best (within 1 %) keeps the subject:
    // take the middle of that run, so the subject has room on both sides.
    const int64_t nearBest = best - best / 100;
    int lo = bestPos, hi = bestPos;
    while (lo > 0 && window(lo - 1) >= nearBest) --lo;
    while (hi + 1 < positions && window(hi + 1) >= nearBest) ++hi;
    const int pos = lo + (hi - lo) / 2;

    // The window's centre, in the picture's pixels, twice over.
    const int64_t centre2 = (2 * static_cast<int64_t>(pos) + k) * extent / sExtent;
    const int64_t start = (centre2 - kept) / 2;
    return static_cast<int>(std::clamp<int64_t>(start, 0, extent - kept));
}

FitPlacement PlaceFittedByInterest(const Image& decoded, Size original, Size area, PictureFit requested) {
    FitPlacement p = PlaceFitted(original, Size{decoded.Width(), decoded.Height()}, area, requested);
    if (p.mode != PictureFit::Fill) return p;
    const Size keep{p.crop.Width(), p.crop.Height()};
    const int start = InterestingCropStart(decoded, keep);
    if (keep.cx < decoded.Width()) {
        p.crop.left = start;
        p.crop.right = start + keep.cx;
    } else if (keep.cy < decoded.Height()) {
        p.crop.top = start;
        p.crop.bottom = start + keep.cy;
    }
    return p;
}

Size DecodeSizeForFit(Size original, Size area, PictureFit requested) {
    if (!Positive(original) || !Positive(area)) return original;
    const PictureFit mode = ResolvePictureFit(original, area, requested);
    if (mode == PictureFit::Stretch) return (original.cx > area.cx || original.cy > area.cy) ? area : original;
    const Size need = mode == PictureFit::Fill ? CoverSize(original, area) : FitInsideSize(original, area);
    // The needed size keeps the picture's shape, so it is smaller on both
    // axes or on neither.
    return (need.cx < original.cx && need.cy < original.cy) ? need : original;
}

void DrawBlurredBackdrop(const Image& picture, Image& out, const Rect& keepOut) {
    const int aw = out.Width(), ah = out.Height();
    if (!picture.IsValid() || picture.BitCount() != 24 || !out.IsValid() || aw <= 0 || ah <= 0) return;
    const Size area{aw, ah};
    // The small backdrop: the picture's cover of the area.
    int bw = std::min(aw, kBackdropSide), bh = std::min(ah, kBackdropSide);
    if (aw >= ah)
        bh = std::max(1, std::min(ah, MulDivRound(ah, bw, aw)));
    else
        bw = std::max(1, std::min(aw, MulDivRound(aw, bh, ah)));
    const Image small = SampledCopy(picture, CentredCoverWindow(Size{picture.Width(), picture.Height()}, area), bw, bh);
    if (!small.IsValid()) return;

    // Box blurs, across then down, edges repeated; three passes come close
    // to a Gaussian.
    std::vector<int> px(static_cast<size_t>(bw) * bh * 3), tmp(px.size());
    for (int y = 0; y < bh; ++y) std::copy(small.Row24(y), small.Row24(y) + 3 * bw, px.begin() + 3 * static_cast<size_t>(y) * bw);
    const int radius = std::max(1, std::max(bw, bh) / 20), span = 2 * radius + 1;
    auto blur = [&](int count, int stride, int lines, int lineStride) {
        // `lines` runs of `count` pixels, `stride` values apart; from px to tmp, then back.
        for (int l = 0; l < lines; ++l)
            for (int c = 0; c < 3; ++c) {
                const size_t base = static_cast<size_t>(l) * lineStride + c;
                auto at = [&](int i) { return px[base + static_cast<size_t>(Clamp(i, 0, count - 1)) * stride]; };
                int sum = 0;
                for (int i = -radius; i <= radius; ++i) sum += at(i);
                for (int i = 0; i < count; ++i) {
                    tmp[base + static_cast<size_t>(i) * stride] = (sum + span / 2) / span;
                    sum += at(i + radius + 1) - at(i - radius);
                }
            }
        px.swap(tmp);
    };
    for (int pass = 0; pass < kBlurPasses; ++pass) {
        blur(bw, 3, bh, 3 * bw);
        blur(bh, 3 * bw, bw, 3);
    }
    for (int& v : px) v = (v * kBackdropLevel + 128) >> 8;

    // Scaled up bilinearly (pixel centres aligned), 8 bits of weight, over
    // the pixels outside keepOut only.
    struct Tap {
        int i0, i1, w;  // w: 0..256, the weight of i1
    };
    auto taps = [](int src, int dst) {
        std::vector<Tap> t(static_cast<size_t>(dst));
        for (int d = 0; d < dst; ++d) {
            // Source position (d + 0.5) * src / dst - 0.5, in 256ths.
            const int64_t pos = ((2 * static_cast<int64_t>(d) + 1) * src * 256 / dst - 256) / 2;
            if (pos <= 0) {
                t[static_cast<size_t>(d)] = {0, 0, 0};
            } else {
                const int i0 = static_cast<int>(pos >> 8);
                if (i0 >= src - 1)
                    t[static_cast<size_t>(d)] = {src - 1, src - 1, 0};
                else
                    t[static_cast<size_t>(d)] = {i0, i0 + 1, static_cast<int>(pos & 255)};
            }
        }
        return t;
    };
    const std::vector<Tap> tx = taps(bw, aw), ty = taps(bh, ah);
    std::vector<int> across(static_cast<size_t>(bw) * 3);
    for (int y = 0; y < ah; ++y) {
        const Tap& v = ty[static_cast<size_t>(y)];
        for (int i = 0; i < bw * 3; ++i)
            across[static_cast<size_t>(i)] = px[static_cast<size_t>(v.i0) * bw * 3 + i] * (256 - v.w) +
                                             px[static_cast<size_t>(v.i1) * bw * 3 + i] * v.w;
        uint8_t* row = out.Row24(y);
        auto fill = [&](int x0, int x1) {
            for (int x = x0; x < x1; ++x) {
                const Tap& h = tx[static_cast<size_t>(x)];
                for (int c = 0; c < 3; ++c) {
                    const int a = across[static_cast<size_t>(h.i0) * 3 + c], b = across[static_cast<size_t>(h.i1) * 3 + c];
                    row[3 * x + c] = static_cast<uint8_t>((a * (256 - h.w) + b * h.w + 32768) >> 16);
                }
            }
        };
        if (y < keepOut.top || y >= keepOut.bottom || keepOut.IsEmpty()) {
            fill(0, aw);
        } else {
            fill(0, Clamp(keepOut.left, 0, aw));
            fill(Clamp(keepOut.right, 0, aw), aw);
        }
    }
}

Image ComposeFittedDecoded(const Image& decoded, Size original, Size area, PictureFit requested, Color background) {
    if (!decoded.IsValid() || decoded.BitCount() != 24 || !Positive(area)) return Image();
    if (!Positive(original)) original = Size{decoded.Width(), decoded.Height()};
    const FitPlacement p = PlaceFittedByInterest(decoded, original, area, requested);
    switch (p.mode) {
        case PictureFit::Fill:
            return ResampleRegion(decoded, p.crop, area.cx, area.cy);
        case PictureFit::Fit:
        case PictureFit::FitBlurred: {
            const bool bAtSize = decoded.Width() == p.placed.Width() && decoded.Height() == p.placed.Height();
            const Image scaled = bAtSize ? Image() : Resample24(decoded, p.placed.Width(), p.placed.Height());
            if (!bAtSize && !scaled.IsValid()) return Image();
            const Image& shown = bAtSize ? decoded : scaled;
            // The background around the picture, as a centred picture has it.
            if (p.mode == PictureFit::Fit) return ComposeCentredOrStretched(shown, false, area, background);
            Image out = Image::Create24(area.cx, area.cy);
            if (!out.IsValid()) return out;
            DrawBlurredBackdrop(decoded, out, p.placed);
            Blit24(shown, out, p.placed.left, p.placed.top);
            return out;
        }
        default:
            return ComposeCentredOrStretched(decoded, true, area, background);
    }
}

Image ComposeFitted(const Image& picture, Size area, PictureFit requested, Color background) {
    return ComposeFittedDecoded(picture, Size{picture.Width(), picture.Height()}, area, requested, background);
}

}  // namespace mv
