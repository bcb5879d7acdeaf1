#include "image/ImageWebP.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include "image/ByteSource.h"
#include "image/ImagePNG.h"
#include "image/RowResampler.h"

namespace mv {

namespace {

// Bytes read from the start of the file for its headers, grown fourfold
// while libwebp asks for more (chunks before the picture's own header).
constexpr size_t kFirstHeaderBytes = 64;

bool WithinLimits(uint64_t w, uint64_t h, const DecodeLimits& limits) {
    return w > 0 && h > 0 && w <= limits.maxSide && h <= limits.maxSide && w <= kMaxImageSide &&
           h <= kMaxImageSide && w * h <= limits.maxPixels && w * h <= kMaxImagePixels;
}

// The whole file, when it is no larger than the library may take.
bool ReadAll(ByteSource& src, const DecodeLimits& limits, std::vector<uint8_t>& data) {
    const uint64_t size = src.Size();
    if (size < 12 || size > limits.maxLibraryMemory || size > SIZE_MAX / 4) return false;
    data.resize(static_cast<size_t>(size));
    return src.ReadAt(0, data.data(), data.size());
}

// What libwebp allocates for itself besides the output: a lossless
// picture is decoded whole as 32-bit pixels, a lossy picture's
// transparency as planes of its own; lossy colour needs a few rows only.
uint64_t LibraryBytes(const WebPBitstreamFeatures& f) {
    const uint64_t w = static_cast<uint64_t>(f.width), pixels = w * static_cast<uint64_t>(f.height);
    if (f.format == 2) return pixels * 4 + w * 80;
    return (f.has_alpha ? pixels * 2 : 0) + w * 256;
}

// A packed 24-bit DIB header for width x height in front of the block.
void WriteDibHeader(std::vector<uint8_t>& block, int width, int height) {
    DibHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = 24;
    h.biSizeImage = Image::BytesPerRow(static_cast<uint32_t>(width), 24) * static_cast<uint32_t>(height);
    WriteHeader(block.data(), h);
}

uint8_t Over(int c, int a, int background) { return static_cast<uint8_t>((c * a + background * (255 - a) + 127) / 255); }

// Decodes a still bitstream (a file, or one animation frame's chunks) at
// width x height, its own size or scaled to it, into a packed 24-bit DIB.
// A picture with transparency is decoded as 32-bit rows into the same
// block and composited in place, each row moving down to its 24-bit place.
bool DecodeStill(const uint8_t* data, size_t size, const WebPBitstreamFeatures& f, int width, int height,
                 std::vector<uint8_t>& block) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return false;
    const bool bAlpha = f.has_alpha != 0;
    const uint32_t stride = Image::BytesPerRow(static_cast<uint32_t>(width), 24);
    const size_t dibBytes = static_cast<size_t>(stride) * static_cast<size_t>(height);
    const size_t alphaStride = static_cast<size_t>(width) * 4;
    const size_t decodeBytes = bAlpha ? alphaStride * static_cast<size_t>(height) : dibBytes;
    block.assign(kDibHeaderSize + std::max(dibBytes, decodeBytes), 0);
    uint8_t* bits = block.data() + kDibHeaderSize;

    config.output.colorspace = bAlpha ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = bits;
    config.output.u.RGBA.stride = static_cast<int>(bAlpha ? alphaStride : stride);
    config.output.u.RGBA.size = decodeBytes;
    config.options.flip = 1;  // bottom-up, as the DIB is
    config.options.use_threads = 1;
    if (width != f.width || height != f.height) {
        config.options.use_scaling = 1;
        config.options.scaled_width = width;
        config.options.scaled_height = height;
    }
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) return false;

    if (bAlpha) {
        // Row m of 4-byte pixels starts at 4 x width x m, its 24-bit place at
        // stride x m, never later: forwards, nothing is overwritten unread.
        const int bg[3] = {BlueOf(ImagePNG::kBackground), GreenOf(ImagePNG::kBackground),
                           RedOf(ImagePNG::kBackground)};
        for (int m = 0; m < height; ++m) {
            const uint8_t* src = bits + alphaStride * static_cast<size_t>(m);
            uint8_t* dst = bits + static_cast<size_t>(stride) * static_cast<size_t>(m);
            for (int x = 0; x < width; ++x, src += 4, dst += 3) {
                const int b = src[0], g = src[1], r = src[2], a = src[3];
                dst[0] = Over(b, a, bg[0]);
                dst[1] = Over(g, a, bg[1]);
                dst[2] = Over(r, a, bg[2]);
            }
            std::memset(dst, 0, stride - static_cast<size_t>(width) * 3);
        }
    }
    block.resize(kDibHeaderSize + dibBytes);
    WriteDibHeader(block, width, height);
    return true;
}

// An animation's first frame: its bitstream and place on the canvas.
struct FirstFrame {
    WebPDemuxer* demux = nullptr;
    WebPIterator frame{};
    bool bHasFrame = false;
    WebPBitstreamFeatures features{};
    ~FirstFrame() {
        if (bHasFrame) WebPDemuxReleaseIterator(&frame);
        if (demux) WebPDemuxDelete(demux);
    }
    FirstFrame() = default;
    FirstFrame(const FirstFrame&) = delete;
    FirstFrame& operator=(const FirstFrame&) = delete;

    bool Open(const std::vector<uint8_t>& data, int canvasWidth, int canvasHeight) {
        WebPData whole{data.data(), data.size()};
        demux = WebPDemux(&whole);
        if (!demux) return false;
        bHasFrame = WebPDemuxGetFrame(demux, 1, &frame) != 0;
        if (!bHasFrame || !frame.complete) return false;
        if (WebPGetFeatures(frame.fragment.bytes, frame.fragment.size, &features) != VP8_STATUS_OK) return false;
        // The frame lies on the canvas and its bitstream is the size the frame says.
        return features.width == frame.width && features.height == frame.height && frame.x_offset >= 0 &&
               frame.y_offset >= 0 && frame.width <= canvasWidth - frame.x_offset &&
               frame.height <= canvasHeight - frame.y_offset;
    }
    bool CoversCanvas(int canvasWidth, int canvasHeight) const {
        return frame.x_offset == 0 && frame.y_offset == 0 && frame.width == canvasWidth &&
               frame.height == canvasHeight;
    }
};

// The first frame on its canvas, the rest of the canvas the background.
bool DecodeCanvas(FirstFrame& first, int canvasWidth, int canvasHeight, std::vector<uint8_t>& block) {
    const WebPIterator& f = first.frame;
    if (first.CoversCanvas(canvasWidth, canvasHeight))
        return DecodeStill(f.fragment.bytes, f.fragment.size, first.features, canvasWidth, canvasHeight, block);
    std::vector<uint8_t> frameBlock;
    if (!DecodeStill(f.fragment.bytes, f.fragment.size, first.features, f.width, f.height, frameBlock)) return false;
    const uint32_t stride = Image::BytesPerRow(static_cast<uint32_t>(canvasWidth), 24);
    const uint32_t frameStride = Image::BytesPerRow(static_cast<uint32_t>(f.width), 24);
    block.assign(kDibHeaderSize + static_cast<size_t>(stride) * static_cast<size_t>(canvasHeight), 0);
    WriteDibHeader(block, canvasWidth, canvasHeight);
    for (int y = 0; y < canvasHeight; ++y) {
        uint8_t* row = block.data() + kDibHeaderSize + static_cast<size_t>(canvasHeight - 1 - y) * stride;
        for (int x = 0; x < canvasWidth; ++x) {
            row[3 * x] = static_cast<uint8_t>(BlueOf(ImagePNG::kBackground));
            row[3 * x + 1] = static_cast<uint8_t>(GreenOf(ImagePNG::kBackground));
            row[3 * x + 2] = static_cast<uint8_t>(RedOf(ImagePNG::kBackground));
        }
        const int fy = y - f.y_offset;
        if (fy < 0 || fy >= f.height) continue;
        const uint8_t* src =
            frameBlock.data() + kDibHeaderSize + static_cast<size_t>(f.height - 1 - fy) * frameStride;
        std::memcpy(row + 3 * static_cast<size_t>(f.x_offset), src, static_cast<size_t>(f.width) * 3);
    }
    return true;
}

// The features from the file's first bytes, read fourfold larger while
// libwebp asks for more; false for a file that is not a WebP picture.
bool HeadFeatures(ByteSource& src, const DecodeLimits& limits, WebPBitstreamFeatures& f) {
    const uint64_t most = std::min<uint64_t>(src.Size(), limits.maxLibraryMemory);
    std::vector<uint8_t> head;
    for (uint64_t n = std::min<uint64_t>(most, kFirstHeaderBytes);; n = std::min(most, n * 4)) {
        head.resize(static_cast<size_t>(n));
        if (!src.ReadAt(0, head.data(), head.size())) return false;
        f = WebPBitstreamFeatures{};
        const VP8StatusCode status = WebPGetFeatures(head.data(), head.size(), &f);
        if (status == VP8_STATUS_OK) return true;
        if (status != VP8_STATUS_NOT_ENOUGH_DATA || n == most) return false;
    }
}

// Reads the file and its features, within the limits; the size and needs
// come from the headers first, so a picture beyond the limits is refused
// before the whole file is read. For an animation the canvas counts, and
// its first frame's needs.
// libwebp's own working memory may take a quarter of what a picture
// library may: a lossless picture is held whole by it, so a larger one
// would be held twice over once its rows are turned into a picture.
bool LibraryFits(const WebPBitstreamFeatures& f, const DecodeLimits& limits) {
    return LibraryBytes(f) <= limits.maxLibraryMemory / 4;
}

// bWhole: the caller keeps the whole decoded picture besides.
bool Prepare(ByteSource& src, const DecodeLimits& limits, std::vector<uint8_t>& data, WebPBitstreamFeatures& f,
             bool bWhole) {
    auto fits = [&](uint64_t fileBytes) {
        const uint64_t output = bWhole ? uint64_t(Image::BytesPerRow(uint32_t(f.width), 24)) * uint64_t(f.height) : 0;
        return LibraryFits(f, limits) && fileBytes + LibraryBytes(f) + output <= limits.maxLibraryMemory;
    };
    if (!HeadFeatures(src, limits, f)) return false;
    if (!WithinLimits(static_cast<uint64_t>(f.width), static_cast<uint64_t>(f.height), limits)) return false;
    if (!fits(src.Size())) return false;
    if (!ReadAll(src, limits, data)) return false;
    if (WebPGetFeatures(data.data(), data.size(), &f) != VP8_STATUS_OK) return false;
    if (!WithinLimits(static_cast<uint64_t>(f.width), static_cast<uint64_t>(f.height), limits)) return false;
    return fits(data.size());
}

}  // namespace

ImageWebP::ImageWebP(const std::string& sPath, const DecodeLimits& limits) {
    FileSource file(sPath);
    if (file.IsOpen()) Decode(file, limits);
}

ImageWebP ImageWebP::FromSource(ByteSource& src, const DecodeLimits& limits) {
    ImageWebP img;
    img.Decode(src, limits);
    return img;
}

ImageWebP ImageWebP::FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    ImageWebP img;
    MemorySource src(data, size);
    img.Decode(src, limits);
    return img;
}

void ImageWebP::Decode(ByteSource& src, const DecodeLimits& limits) {
    Invalidate();
    try {
        std::vector<uint8_t> data, block;
        WebPBitstreamFeatures f{};
        if (!Prepare(src, limits, data, f, true)) return;
        if (f.has_animation) {
            FirstFrame first;
            if (!first.Open(data, f.width, f.height) ||
                data.size() + LibraryBytes(first.features) > limits.maxLibraryMemory ||
                !LibraryFits(first.features, limits) ||
                !DecodeCanvas(first, f.width, f.height, block))
                return;
        } else if (!DecodeStill(data.data(), data.size(), f, f.width, f.height, block)) {
            return;
        }
        Adopt(std::move(block));
    } catch (const std::bad_alloc&) {
        Invalidate();  // no memory for the pixels: an invalid picture
    }
}

bool ImageWebP::ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits) {
    try {
        WebPBitstreamFeatures f{};
        if (!HeadFeatures(src, limits, f) ||
            !WithinLimits(static_cast<uint64_t>(f.width), static_cast<uint64_t>(f.height), limits))
            return false;
        width = f.width;
        height = f.height;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

Image ImageWebP::DecodeResized(ByteSource& src, int width, int height, Color* pAverage, const DecodeLimits& limits) {
    if (!WithinLimits(static_cast<uint64_t>(width > 0 ? width : 0), static_cast<uint64_t>(height > 0 ? height : 0),
                      DecodeLimits()))
        return Image();
    try {
        std::vector<uint8_t> data, block;
        WebPBitstreamFeatures f{};
        if (!Prepare(src, limits, data, f, false)) return Image();
        ImageWebP out;
        if (!f.has_animation) {
            if (!DecodeStill(data.data(), data.size(), f, width, height, block)) return Image();
            out.Adopt(std::move(block));
        } else {
            FirstFrame first;
            if (!first.Open(data, f.width, f.height) ||
                data.size() + LibraryBytes(first.features) > limits.maxLibraryMemory ||
                !LibraryFits(first.features, limits))
                return Image();
            if (first.CoversCanvas(f.width, f.height)) {
                const WebPIterator& fr = first.frame;
                if (!DecodeStill(fr.fragment.bytes, fr.fragment.size, first.features, width, height, block))
                    return Image();
                out.Adopt(std::move(block));
            } else {
                // A frame smaller than its canvas: the canvas whole, then resized.
                if (!DecodeCanvas(first, f.width, f.height, block)) return Image();
                ImageWebP canvas;
                canvas.Adopt(std::move(block));
                RowResampler resampler(f.width, f.height, width, height);
                if (!resampler.Valid()) return Image();
                for (int y = 0; y < f.height; ++y) resampler.PushRow(canvas.Row24(y));
                if (pAverage) *pAverage = resampler.Average();
                return resampler.TakeResult();
            }
        }
        if (pAverage) *pAverage = out.AverageColor();
        return Image(std::move(out));
    } catch (const std::bad_alloc&) {
        return Image();  // no memory: an invalid picture
    }
}

}  // namespace mv
