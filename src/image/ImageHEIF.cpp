#include "image/ImageHEIF.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include <dav1d/dav1d.h>
#include <libde265/de265.h>

#include "image/ByteSource.h"
#include "image/HeifContainer.h"
#include "image/Orientation.h"
#include "image/RowResampler.h"

namespace mv {

namespace {

// A coded picture may be larger than its 'ispe' by what cropping to the
// conformance window takes away: less than one coding block on each axis.
constexpr uint32_t kMaxCodedMargin = 64;

int Workers() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min(n, 4u));
}

bool WithinLimits(uint64_t w, uint64_t h, const DecodeLimits& limits) {
    return w > 0 && h > 0 && w <= limits.maxSide && h <= limits.maxSide && w <= kMaxImageSide &&
           h <= kMaxImageSide && w * h <= limits.maxPixels && w * h <= kMaxImagePixels;
}

// --- Where the stored picture's rows go -------------------------------------

class RowSink {
public:
    virtual ~RowSink() = default;
    // The stored picture's size, once known; false when there is no memory.
    virtual bool Start(int width, int height) = 0;
    // The next row's 3 x width bytes, blue-green-red; Push hands it over.
    virtual uint8_t* Row() = 0;
    virtual void Push() = 0;
};

// Rows into a whole 24-bit picture, each put straight into its upright
// place: the stored picture is never held beside the turned one.
class WholeSink final : public RowSink {
public:
    explicit WholeSink(int orientation) : m_orientation(orientation) {}
    bool Start(int width, int height) override {
        m_y = 0;
        m_height = height;
        if (m_orientation == 1) {
            m_image = Image::Create24(width, height);
            return m_image.IsValid();
        }
        m_writer = std::make_unique<UprightWriter>(width, height, m_orientation);
        m_row.assign(size_t(width) * 3, 0);
        return m_writer->Valid();
    }
    uint8_t* Row() override { return m_writer ? m_row.data() : m_image.Row24(m_y); }
    void Push() override {
        if (m_writer) m_writer->Put(m_y, m_row.data());
        ++m_y;
    }
    bool Complete() const { return m_height > 0 && m_y == m_height; }
    Image Take() { return m_writer ? std::move(m_writer->Upright()) : std::move(m_image); }

private:
    int m_orientation;
    Image m_image;
    std::unique_ptr<UprightWriter> m_writer;
    std::vector<uint8_t> m_row;
    int m_y = 0, m_height = 0;
};

// The clean aperture of the stored rows into another sink.
class CropSink final : public RowSink {
public:
    CropSink(RowSink& inner, const HeifPicture& pic)
        : m_inner(inner), m_x(int(pic.cropX)), m_y0(int(pic.cropY)), m_w(int(pic.cropWidth)), m_h(int(pic.cropHeight)) {}
    bool Start(int width, int height) override {
        if (m_x + m_w > width || m_y0 + m_h > height) return false;
        m_row.assign(size_t(width) * 3, 0);
        m_y = 0;
        return m_inner.Start(m_w, m_h);
    }
    uint8_t* Row() override { return m_row.data(); }
    void Push() override {
        if (m_y >= m_y0 && m_y < m_y0 + m_h) {
            std::memcpy(m_inner.Row(), m_row.data() + size_t(m_x) * 3, size_t(m_w) * 3);
            m_inner.Push();
        }
        ++m_y;
    }

private:
    RowSink& m_inner;
    int m_x, m_y0, m_w, m_h;
    int m_y = 0;
    std::vector<uint8_t> m_row;
};

// Rows resampled to a given size as they come, on a thread of their own.
class ResizeSink final : public RowSink {
public:
    ResizeSink(int width, int height) : m_width(width), m_height(height) {}
    bool Start(int width, int height) override {
        m_pipeline.reset();
        m_resampler = std::make_unique<RowResampler>(width, height, m_width, m_height);
        if (!m_resampler->Valid()) return false;
        m_pipeline = std::make_unique<RowPipeline>(*m_resampler, static_cast<size_t>(width) * 3);
        return true;
    }
    uint8_t* Row() override { return m_pipeline->Row(); }
    void Push() override { m_pipeline->Push(); }
    // The resized picture once every row came; invalid otherwise.
    Image Finish(Color* pAverage) {
        if (!m_pipeline) return Image();
        m_pipeline->Finish();
        if (!m_resampler->Complete()) return Image();
        if (pAverage) *pAverage = m_resampler->Average();
        return m_resampler->TakeResult();
    }

private:
    int m_width, m_height;
    std::unique_ptr<RowResampler> m_resampler;
    std::unique_ptr<RowPipeline> m_pipeline;  // goes first: it feeds the resampler
};

// --- YCbCr to RGB as libheif 1.15 converts ----------------------------------

// A decoded picture in the codec's planes.
struct Planes {
    int width = 0, height = 0;
    int depth = 8;   // bits per sample, the same in every plane
    int chroma = 1;  // 0 monochrome, 1 4:2:0, 2 4:2:2, 3 4:4:4
    const uint8_t* data[3] = {};
    ptrdiff_t stride[3] = {};  // bytes
    HeifColour colour;
};

// Kr and Kb of the matrix coefficients code point; zero when it has none.
void KrKb(uint16_t matrix, uint16_t primaries, float& kr, float& kb) {
    kr = kb = 0;
    if (matrix == 12 || matrix == 13) {
        // Derived from the colour primaries.
        struct P {
            float gx, gy, bx, by, rx, ry, wx, wy;
        };
        P p{};
        switch (primaries) {
            case 1: p = {0.300f, 0.600f, 0.150f, 0.060f, 0.640f, 0.330f, 0.3127f, 0.3290f}; break;
            case 4: p = {0.21f, 0.71f, 0.14f, 0.08f, 0.67f, 0.33f, 0.310f, 0.316f}; break;
            case 5: p = {0.29f, 0.60f, 0.15f, 0.06f, 0.64f, 0.33f, 0.3127f, 0.3290f}; break;
            case 6:
            case 7: p = {0.310f, 0.595f, 0.155f, 0.070f, 0.630f, 0.340f, 0.3127f, 0.3290f}; break;
            case 8: p = {0.243f, 0.692f, 0.145f, 0.049f, 0.681f, 0.319f, 0.310f, 0.316f}; break;
            case 9: p = {0.170f, 0.797f, 0.131f, 0.046f, 0.708f, 0.292f, 0.3127f, 0.3290f}; break;
            case 10: p = {0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.333333f, 0.33333f}; break;
            case 11: p = {0.265f, 0.690f, 0.150f, 0.060f, 0.680f, 0.320f, 0.314f, 0.351f}; break;
            case 12: p = {0.265f, 0.690f, 0.150f, 0.060f, 0.680f, 0.320f, 0.3127f, 0.3290f}; break;
            case 22: p = {0.295f, 0.605f, 0.155f, 0.077f, 0.630f, 0.340f, 0.3127f, 0.3290f}; break;
            default: return;
        }
        const float zr = 1 - (p.rx + p.ry), zg = 1 - (p.gx + p.gy), zb = 1 - (p.bx + p.by), zw = 1 - (p.wx + p.wy);
        const float denom =
            p.wy * (p.rx * (p.gy * zb - p.by * zg) + p.gx * (p.by * zr - p.ry * zb) + p.bx * (p.ry * zg - p.gy * zr));
        if (denom == 0.0f) return;
        kr = (p.ry * (p.wx * (p.gy * zb - p.by * zg) + p.wy * (p.bx * zg - p.gx * zb) + zw * (p.gx * p.by - p.bx * p.gy))) /
             denom;
        kb = (p.by * (p.wx * (p.ry * zg - p.gy * zr) + p.wy * (p.gx * zr - p.rx * zg) + zw * (p.rx * p.gy - p.gx * p.ry))) /
             denom;
        return;
    }
    switch (matrix) {
        case 1: kr = 0.2126f, kb = 0.0722f; break;
        case 4: kr = 0.30f, kb = 0.11f; break;
        case 5:
        case 6: kr = 0.299f, kb = 0.114f; break;
        case 7: kr = 0.212f, kb = 0.087f; break;
        case 9:
        case 10: kr = 0.2627f, kb = 0.0593f; break;
        default: break;
    }
}

// Turns rows of a decoded picture into 8-bit blue-green-red exactly as
// libheif's planar conversion does (Op_YCbCr_to_RGB, then Op_to_sdr_planes
// for deeper samples): the matrix and range of the colour description
// (the item's 'nclx' box, else the bitstream's), BT.601 when the matrix has
// no coefficients, chroma taken from the nearest sample, the sums in single
// precision rounded half up, deeper results cut to their top 8 bits. The
// per-sample products are tabulated once; the sums are the library's own.
class RowConverter {
public:
    explicit RowConverter(const Planes& p) : m_p(p) {
        const int d = p.depth;
        m_shift = d - 8;
        m_max = (1 << d) - 1;
        m_mask = static_cast<uint32_t>(m_max);
        m_matrix = p.colour.matrix;
        m_full = p.colour.bFullRange;
        m_shiftH = (p.chroma == 1 || p.chroma == 2) ? 1 : 0;
        m_shiftV = p.chroma == 1 ? 1 : 0;
        m_half = 1 << (d - 1);
        m_offset = 16 << (d - 8);
        float rcr = 1.402f, gcb = -0.344136f, gcr = -0.714136f, bcb = 1.772f;
        float kr, kb;
        KrKb(p.colour.matrix, p.colour.primaries, kr, kb);
        if (kb != 0 || kr != 0) {
            rcr = 2 * (-kr + 1);
            gcb = 2 * kb * (-kb + 1) / (kb + kr - 1);
            gcr = 2 * kr * (-kr + 1) / (kb + kr - 1);
            bcb = 2 * (-kb + 1);
        }
        const size_t n = size_t(1) << d;
        m_y.resize(n);
        m_rcr.resize(n);
        m_gcb.resize(n);
        m_gcr.resize(n);
        m_bcb.resize(n);
        const float offset = static_cast<float>(m_offset);
        for (size_t v = 0; v < n; ++v) {
            float yv = static_cast<float>(static_cast<int>(v));
            float c = static_cast<float>(static_cast<int>(v) - m_half);
            if (!m_full) {
                yv = (yv - offset) * 1.1689f;
                c = c * 1.1429f;
            }
            m_y[v] = yv;
            m_rcr[v] = rcr * c;
            m_gcb[v] = gcb * c;
            m_gcr[v] = gcr * c;
            m_bcb[v] = bcb * c;
        }
    }

    // Pixels x0 .. x0 + count - 1 of row y into bgr.
    void Row(int y, int x0, int count, uint8_t* bgr) const {
        if (m_p.depth == 8)
            RowOf<uint8_t>(y, x0, count, bgr);
        else
            RowOf<uint16_t>(y, x0, count, bgr);
    }

private:
    uint8_t Cut(float f) const {
        const long x = static_cast<long>(f + 0.5f);
        const int v = x < 0 ? 0 : x > m_max ? m_max : static_cast<int>(x);
        return static_cast<uint8_t>(v >> m_shift);
    }
    uint8_t CutInt(int v) const { return static_cast<uint8_t>((v < 0 ? 0 : v > m_max ? m_max : v) >> m_shift); }

    template <typename Sample>
    void RowOf(int y, int x0, int count, uint8_t* bgr) const {
        const Sample* py = reinterpret_cast<const Sample*>(m_p.data[0] + y * m_p.stride[0]);
        if (m_p.chroma == 0) {
            // Grey: no colour difference, so each channel is the luma's.
            for (int i = 0; i < count; ++i, bgr += 3) {
                const uint32_t v = py[x0 + i] & m_mask;
                const uint8_t g = m_matrix == 0 ? (m_full ? CutInt(int(v)) : CutInt(((int(v) * 219 + 128) >> 8) + m_offset))
                                                : m_matrix == 8 ? CutInt(int(v)) : Cut(m_y[v]);
                bgr[0] = bgr[1] = bgr[2] = g;
            }
            return;
        }
        const int cy = y >> m_shiftV;
        const Sample* pb = reinterpret_cast<const Sample*>(m_p.data[1] + cy * m_p.stride[1]);
        const Sample* pr = reinterpret_cast<const Sample*>(m_p.data[2] + cy * m_p.stride[2]);
        if (m_matrix == 0 || m_matrix == 8) {
            for (int i = 0; i < count; ++i, bgr += 3) {
                const int x = x0 + i, cx = x >> m_shiftH;
                const int yv = int(py[x] & m_mask), cb = int(pb[cx] & m_mask), cr = int(pr[cx] & m_mask);
                if (m_matrix == 0) {  // the planes are green, blue, red
                    auto put = [&](int v) { return m_full ? CutInt(v) : CutInt(((v * 219 + 128) >> 8) + m_offset); };
                    bgr[0] = put(cb), bgr[1] = put(yv), bgr[2] = put(cr);
                } else {  // YCgCo
                    const int g = cb - m_half, o = cr - m_half;
                    bgr[0] = CutInt(yv - g - o), bgr[1] = CutInt(yv + g), bgr[2] = CutInt(yv - g + o);
                }
            }
            return;
        }
        for (int i = 0; i < count; ++i, bgr += 3) {
            const int x = x0 + i, cx = x >> m_shiftH;
            const uint32_t vy = py[x] & m_mask, vb = pb[cx] & m_mask, vr = pr[cx] & m_mask;
            const float yv = m_y[vy];
            bgr[2] = Cut(yv + m_rcr[vr]);
            bgr[1] = Cut(yv + m_gcb[vb] + m_gcr[vr]);
            bgr[0] = Cut(yv + m_bcb[vb]);
        }
    }

    Planes m_p;
    int m_shift = 0, m_max = 255, m_half = 128, m_offset = 16, m_shiftH = 1, m_shiftV = 1;
    uint32_t m_mask = 255;
    uint16_t m_matrix = 2;
    bool m_full = false;
    std::vector<float> m_y, m_rcr, m_gcb, m_gcr, m_bcb;
};

// Whether the planes are what a conversion can read.
bool Usable(const Planes& p) {
    if (p.width <= 0 || p.height <= 0 || p.depth < 8 || p.depth > 16 || p.chroma < 0 || p.chroma > 3) return false;
    const int planes = p.chroma == 0 ? 1 : 3;
    for (int c = 0; c < planes; ++c)
        if (!p.data[c] || p.stride[c] <= 0) return false;
    return true;
}

// --- The codecs ---------------------------------------------------------------

// Every NAL unit (behind its 4-byte length) fits, and each sequence
// parameter set among them is no larger than the picture may be.
bool CheckHevcUnits(const std::vector<uint8_t>& stream, uint32_t maxWidth, uint32_t maxHeight,
                    const DecodeLimits& limits) {
    size_t at = 0;
    bool bSize = false;
    while (at < stream.size()) {
        if (stream.size() - at < 4) return false;
        const uint32_t n = uint32_t(stream[at]) << 24 | uint32_t(stream[at + 1]) << 16 |
                           uint32_t(stream[at + 2]) << 8 | stream[at + 3];
        at += 4;
        if (n > stream.size() - at) return false;
        if (n >= 2 && ((stream[at] >> 1) & 0x3F) == 33) {
            uint32_t w = 0, h = 0;
            if (!ReadHevcPictureSize(&stream[at], n, w, h) || w == 0 || h == 0 || w > maxWidth || h > maxHeight ||
                !WithinLimits(w, h, limits))
                return false;
            bSize = true;
        }
        at += n;
    }
    return bSize;
}

// Every OBU fits, there is a sequence header, and each allows no larger
// frame than the picture may be.
bool CheckAv1Units(const std::vector<uint8_t>& stream, uint32_t maxWidth, uint32_t maxHeight,
                   const DecodeLimits& limits) {
    size_t at = 0;
    bool bSize = false;
    while (at < stream.size()) {
        const uint8_t header = stream[at++];
        const int type = (header >> 3) & 15;
        if (header & 4) ++at;  // extension
        uint64_t n = 0;
        if (header & 2) {
            int shift = 0;
            for (;;) {
                if (at >= stream.size() || shift > 56) return false;
                const uint8_t b = stream[at++];
                n |= uint64_t(b & 0x7F) << shift;
                shift += 7;
                if (!(b & 0x80)) break;
            }
        } else {
            if (at > stream.size()) return false;
            n = stream.size() - at;
        }
        if (at > stream.size() || n > stream.size() - at) return false;
        if (type == 1) {
            uint32_t w = 0, h = 0;
            if (!ReadAv1SequenceSize(stream.data() + at, size_t(n), w, h) || w > maxWidth || h > maxHeight ||
                !WithinLimits(w, h, limits))
                return false;
            bSize = true;
        }
        at += size_t(n);
    }
    return bSize;
}

// Decodes one HEVC picture (its parameter sets and NAL units, each behind a
// 4-byte length) as libheif's libde265 plugin does, and hands the first
// picture to use while the decoder still holds it.
template <class Use>
bool DecodeHevc(const std::vector<uint8_t>& stream, int threads, const HeifCoded& coded, Use&& use) {
    de265_decoder_context* ctx = de265_new_decoder();
    if (!ctx) return false;
    struct Release {
        de265_decoder_context* ctx;
        ~Release() { de265_free_decoder(ctx); }
    } release{ctx};
    if (threads > 1) de265_start_worker_threads(ctx, threads);
    for (size_t at = 0; at + 4 <= stream.size();) {
        const uint32_t n = uint32_t(stream[at]) << 24 | uint32_t(stream[at + 1]) << 16 |
                           uint32_t(stream[at + 2]) << 8 | stream[at + 3];
        at += 4;
        // data() + at: an empty unit may end the stream, where [at] would be past the end.
        if (de265_push_NAL(ctx, stream.data() + at, static_cast<int>(n), 0, nullptr) != DE265_OK) return false;
        at += n;
    }
    if (de265_flush_data(ctx) != DE265_OK) return false;
    int more = 0;
    do {
        more = 0;
        if (de265_decode(ctx, &more) != DE265_OK) return false;
        const de265_image* img = de265_get_next_picture(ctx);
        if (!img) continue;
        Planes p;
        p.width = de265_get_image_width(img, 0);
        p.height = de265_get_image_height(img, 0);
        p.depth = de265_get_bits_per_pixel(img, 0);
        const de265_chroma chroma = de265_get_chroma_format(img);
        p.chroma = chroma == de265_chroma_mono ? 0 : chroma == de265_chroma_420 ? 1 : chroma == de265_chroma_422 ? 2 : 3;
        const int planes = p.chroma == 0 ? 1 : 3;
        bool bOk = true;
        for (int c = 0; c < planes; ++c) {
            int stride = 0;
            p.data[c] = de265_get_image_plane(img, c, &stride);
            p.stride[c] = stride;
            // The plugin refuses planes of different depths, as the conversion does.
            if (de265_get_bits_per_pixel(img, c) != p.depth) bOk = false;
            const int cw = de265_get_image_width(img, c), ch = de265_get_image_height(img, c);
            const int ew = c == 0 || p.chroma == 3 ? p.width : (p.width + 1) >> 1;
            const int eh = c == 0 || p.chroma != 1 ? p.height : (p.height + 1) >> 1;
            if (cw < ew || ch < eh) bOk = false;
        }
        // The bitstream's colour description, unless the item has its own.
        p.colour.primaries = static_cast<uint16_t>(de265_get_image_colour_primaries(img));
        p.colour.transfer = static_cast<uint16_t>(de265_get_image_transfer_characteristics(img));
        p.colour.matrix = static_cast<uint16_t>(de265_get_image_matrix_coefficients(img));
        p.colour.bFullRange = de265_get_image_full_range_flag(img) != 0;
        if (coded.bHasColour) p.colour = coded.colour;
        bOk = bOk && Usable(p) && use(p);
        de265_release_next_picture(ctx);
        return bOk;
    } while (more);
    return false;
}

// The same for one AV1 picture (the configuration OBUs, then the item's),
// as libheif's dav1d plugin does.
template <class Use>
bool DecodeAv1(const std::vector<uint8_t>& stream, int threads, const HeifCoded& coded, uint32_t maxWidth,
               uint32_t maxHeight, Use&& use) {
    if (stream.empty()) return false;
    Dav1dSettings settings;
    dav1d_default_settings(&settings);
    settings.n_threads = threads;
    settings.max_frame_delay = 1;
    settings.all_layers = 0;
    // dav1d refuses larger frames before allocating them; the sides are checked after.
    settings.frame_size_limit = static_cast<unsigned>(std::min<uint64_t>(uint64_t(maxWidth) * maxHeight, UINT_MAX));
    settings.logger.callback = nullptr;
    Dav1dContext* ctx = nullptr;
    if (dav1d_open(&ctx, &settings) < 0) return false;
    Dav1dData data{};
    Dav1dPicture pic{};
    struct Release {
        Dav1dContext** ctx;
        Dav1dData* data;
        Dav1dPicture* pic;
        ~Release() {
            dav1d_picture_unref(pic);
            // Also when dav1d stopped with the data's size at zero: it still holds the buffer.
            if (data->ref) dav1d_data_unref(data);
            dav1d_close(ctx);
        }
    } release{&ctx, &data, &pic};
    uint8_t* bytes = dav1d_data_create(&data, stream.size());
    if (!bytes) return false;
    std::memcpy(bytes, stream.data(), stream.size());
    bool bFlushed = false;
    for (;;) {
        int res = data.sz > 0 ? dav1d_send_data(ctx, &data) : 0;
        if (res < 0 && res != DAV1D_ERR(EAGAIN)) return false;
        res = dav1d_get_picture(ctx, &pic);
        if (!bFlushed && res == DAV1D_ERR(EAGAIN)) {
            if (data.sz == 0) bFlushed = true;
            continue;
        }
        if (res < 0) return false;
        break;
    }
    Planes p;
    p.width = pic.p.w;
    p.height = pic.p.h;
    p.depth = pic.p.bpc;
    switch (pic.p.layout) {
        case DAV1D_PIXEL_LAYOUT_I400: p.chroma = 0; break;
        case DAV1D_PIXEL_LAYOUT_I420: p.chroma = 1; break;
        case DAV1D_PIXEL_LAYOUT_I422: p.chroma = 2; break;
        case DAV1D_PIXEL_LAYOUT_I444: p.chroma = 3; break;
        default: return false;
    }
    for (int c = 0; c < (p.chroma == 0 ? 1 : 3); ++c) {
        p.data[c] = static_cast<const uint8_t*>(pic.data[c]);
        p.stride[c] = pic.stride[c > 0 ? 1 : 0];
    }
    if (!pic.seq_hdr) return false;
    p.colour.primaries = static_cast<uint16_t>(pic.seq_hdr->pri);
    p.colour.transfer = static_cast<uint16_t>(pic.seq_hdr->trc);
    p.colour.matrix = static_cast<uint16_t>(pic.seq_hdr->mtrx);
    p.colour.bFullRange = pic.seq_hdr->color_range != 0;
    if (coded.bHasColour) p.colour = coded.colour;
    return Usable(p) && uint32_t(p.width) <= maxWidth && uint32_t(p.height) <= maxHeight && use(p);
}

// The codec's input for one coded picture: its configuration, then its data.
bool ReadCoded(ByteSource& src, const HeifPicture& pic, const HeifCoded& coded, const DecodeLimits& limits,
               std::vector<uint8_t>& stream) {
    const uint64_t total = coded.config.size() + coded.DataSize();
    if (total > limits.maxLibraryMemory || total > SIZE_MAX / 2) return false;
    stream.resize(static_cast<size_t>(total));
    std::copy(coded.config.begin(), coded.config.end(), stream.begin());
    size_t at = coded.config.size();
    for (const HeifCoded::Extent& e : coded.extents) {
        const size_t n = static_cast<size_t>(e.length);
        if (coded.bInIdat) {
            if (e.offset > pic.idat.size() || n > pic.idat.size() - e.offset) return false;
            std::copy_n(pic.idat.begin() + static_cast<ptrdiff_t>(e.offset), n, stream.begin() + static_cast<ptrdiff_t>(at));
        } else if (!src.ReadAt(e.offset, stream.data() + at, n)) {
            return false;
        }
        at += n;
    }
    return true;
}

// Decodes one coded picture, no larger than its 'ispe' allows, on the given
// number of threads.
// The stream's own sizes (the HEVC sequence parameter sets, the AV1
// sequence headers) are checked first: the codec allocates by them.
template <class Use>
bool DecodeCoded(const HeifPicture& pic, const HeifCoded& coded, const std::vector<uint8_t>& stream, int threads,
                 const DecodeLimits& limits, Use&& use) {
    const uint32_t maxWidth = coded.width + kMaxCodedMargin, maxHeight = coded.height + kMaxCodedMargin;
    if (pic.codec == HeifCodec::Hevc)
        return CheckHevcUnits(stream, maxWidth, maxHeight, limits) && DecodeHevc(stream, threads, coded, use);
    return CheckAv1Units(stream, maxWidth, maxHeight, limits) &&
           DecodeAv1(stream, threads, coded, maxWidth, maxHeight, use);
}

// A picture of one coded picture: decoded whole by the codec (on several
// threads), its rows converted into the sink while the sink resamples.
bool DecodeSingle(ByteSource& src, const HeifPicture& pic, const DecodeLimits& limits, RowSink& sink,
                  uint64_t sinkBytes) {
    const HeifCoded& coded = pic.tiles[0];
    // The codec's own picture (about one and a half to three samples a
    // pixel), the coded data and what the sink keeps, together.
    const uint64_t pixels = uint64_t(coded.width + kMaxCodedMargin) * (coded.height + kMaxCodedMargin);
    if (pixels * 6 + coded.config.size() + coded.DataSize() + sinkBytes > limits.maxLibraryMemory) return false;
    std::vector<uint8_t> stream;
    if (!ReadCoded(src, pic, coded, limits, stream)) return false;
    return DecodeCoded(pic, coded, stream, Workers(), limits, [&](const Planes& p) {
        if (!WithinLimits(uint64_t(p.width), uint64_t(p.height), limits) || !sink.Start(p.width, p.height))
            return false;
        RowConverter convert(p);
        for (int y = 0; y < p.height; ++y) {
            convert.Row(y, 0, p.width, sink.Row());
            sink.Push();
        }
        return true;
    });
}

// Decodes one tile of a grid into its place in a band of rows that are
// width pixels long: its first rows columns, clipped at the band's right end.
bool DecodeTile(const HeifPicture& pic, const HeifCoded& tile, const std::vector<uint8_t>& stream, int x0, int rows,
                int width, uint8_t* band, const DecodeLimits& limits) {
    const int tw = static_cast<int>(pic.tileWidth);
    return DecodeCoded(pic, tile, stream, 1, limits, [&](const Planes& p) {
        const int cols = std::min({p.width, tw, width - x0});
        const int lines = std::min(p.height, rows);
        RowConverter convert(p);
        for (int y = 0; y < lines; ++y) convert.Row(y, 0, cols, band + (size_t(y) * width + x0) * 3);
        return true;
    });
}

// A grid: one row of tiles at a time, its tiles decoded side by side on
// several threads (each tile by one codec instance) into a band of
// converted rows that then goes to the sink. The tiles cover the output;
// where a tile decodes smaller than it claims, the band stays black.
bool DecodeGrid(ByteSource& src, const HeifPicture& pic, const DecodeLimits& limits, RowSink& sink,
                uint64_t sinkBytes) {
    const int width = static_cast<int>(pic.width), height = static_cast<int>(pic.height);
    const int tw = static_cast<int>(pic.tileWidth), th = static_cast<int>(pic.tileHeight);
    const uint64_t bandBytes = uint64_t(width) * 3 * th;
    const int workers = std::min<int>(Workers(), static_cast<int>(pic.columns));
    // The whole picture is budgeted at once: every tile's coded data, the
    // band, each worker's tile in the codec and what the sink keeps.
    const uint64_t tileBytes = uint64_t(tw + kMaxCodedMargin) * (th + kMaxCodedMargin) * 6;
    uint64_t coded = 0;
    for (const HeifCoded& t : pic.tiles) coded += t.config.size() + t.DataSize();
    if (coded + bandBytes + workers * tileBytes + sinkBytes > limits.maxLibraryMemory) return false;
    if (!sink.Start(width, height)) return false;
    std::vector<uint8_t> band(static_cast<size_t>(bandBytes));
    std::vector<std::vector<uint8_t>> streams(pic.columns);
    for (uint32_t r = 0; r < pic.rows; ++r) {
        const int rows = std::min(th, height - static_cast<int>(r) * th);
        const HeifCoded* tiles = &pic.tiles[size_t(r) * pic.columns];
        for (uint32_t c = 0; c < pic.columns; ++c)
            if (!ReadCoded(src, pic, tiles[c], limits, streams[c])) return false;
        std::fill(band.begin(), band.end(), uint8_t(0));
        std::atomic<uint32_t> next{0};
        std::atomic<bool> bFailed{false};
        auto work = [&]() {
            try {
                for (uint32_t c; !bFailed && (c = next++) < pic.columns;)
                    if (!DecodeTile(pic, tiles[c], streams[c], static_cast<int>(c) * tw, rows, width, band.data(), limits))
                        bFailed = true;
            } catch (const std::exception&) {
                bFailed = true;
            }
        };
        std::vector<std::thread> helpers;
        try {
            for (int i = 1; i < workers; ++i) helpers.emplace_back(work);
        } catch (const std::exception&) {
            // Fewer helpers than hoped: the rest is done here.
        }
        work();
        for (std::thread& t : helpers) t.join();
        if (bFailed) return false;
        for (int y = 0; y < rows; ++y) {
            std::memcpy(sink.Row(), &band[size_t(y) * width * 3], size_t(width) * 3);
            sink.Push();
        }
    }
    return true;
}

// sinkBytes: what the sink keeps of the picture (the whole upright picture,
// or a resized one's rows).
bool DecodeDirect(ByteSource& src, const HeifPicture& pic, const DecodeLimits& limits, RowSink& sink,
                  uint64_t sinkBytes) {
    if (pic.tiles.empty()) return false;
    CropSink crop(sink, pic);
    RowSink& into = pic.bCrop ? static_cast<RowSink&>(crop) : sink;
    // A single coded picture (not a grid of one) is shown at its decoded size.
    const bool bSingle = pic.rows == 1 && pic.columns == 1 && pic.width == pic.tileWidth &&
                         pic.height == pic.tileHeight;
    return bSingle ? DecodeSingle(src, pic, limits, into, sinkBytes) : DecodeGrid(src, pic, limits, into, sinkBytes);
}

}  // namespace

ImageHEIF::ImageHEIF(const std::string& sPath, const DecodeLimits& limits) {
    FileSource file(sPath);
    if (file.IsOpen()) Decode(file, limits);
}

ImageHEIF ImageHEIF::FromSource(ByteSource& src, const DecodeLimits& limits) {
    ImageHEIF img;
    img.Decode(src, limits);
    return img;
}

ImageHEIF ImageHEIF::FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    ImageHEIF img;
    MemorySource src(data, size);
    img.Decode(src, limits);
    return img;
}

void ImageHEIF::Decode(ByteSource& src, const DecodeLimits& limits) {
    Invalidate();
    try {
        HeifPicture pic;
        if (ReadHeifPicture(src, limits, pic) != HeifVerdict::Direct) return;
        // Shown upright: each stored row goes straight to its turned place.
        WholeSink sink(pic.orientation);
        const uint64_t whole = uint64_t(pic.uprightWidth) * pic.uprightHeight * 3;
        if (!DecodeDirect(src, pic, limits, sink, whole) || !sink.Complete()) return;
        Image upright = sink.Take();
        if (upright.IsValid()) static_cast<Image&>(*this) = std::move(upright);
    } catch (const std::exception&) {
        Invalidate();  // no memory, or no thread: an invalid picture
    }
}

bool ImageHEIF::ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits) {
    try {
        HeifPicture pic;
        if (ReadHeifPicture(src, limits, pic) != HeifVerdict::Direct) return false;
        width = static_cast<int>(pic.uprightWidth);
        height = static_cast<int>(pic.uprightHeight);
        return width > 0 && height > 0;
    } catch (const std::exception&) {
        return false;
    }
}

Image ImageHEIF::DecodeResized(ByteSource& src, int width, int height, Color* pAverage, const DecodeLimits& limits) {
    if (width <= 0 || height <= 0 || !WithinLimits(uint64_t(width), uint64_t(height), DecodeLimits())) return Image();
    try {
        HeifPicture pic;
        if (ReadHeifPicture(src, limits, pic) != HeifVerdict::Direct) return Image();
        // The stored picture is resized to the upright size turned back,
        // then turned upright: only the small result is turned.
        const bool bSwap = OrientationSwapsSides(pic.orientation);
        ResizeSink sink(bSwap ? height : width, bSwap ? width : height);
        if (!DecodeDirect(src, pic, limits, sink, uint64_t(width) * height * 3)) return Image();
        Image stored = sink.Finish(pAverage);
        return stored.IsValid() && pic.orientation != 1 ? Orient24(stored, pic.orientation) : stored;
    } catch (const std::exception&) {
        return Image();  // no memory, or no thread: an invalid picture
    }
}

}  // namespace mv
