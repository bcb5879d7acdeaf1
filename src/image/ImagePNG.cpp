#include "image/ImagePNG.h"

#include <csetjmp>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include <png.h>

#include "image/ByteSource.h"
#include "image/RowResampler.h"

namespace mv {

namespace {

// Largest ancillary chunk libpng may allocate, and how many it keeps.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;
constexpr png_uint_32 kMaxCachedChunks = 128;

struct PngReader {
    ByteSource* bytes = nullptr;
    uint64_t position = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_bytep> rows;  // sized before the rows are read
    bool bPixelsRead = false;
};

// Errors go back to the recovery point without a word; warnings are dropped.
void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep dst, png_size_t length) {
    PngReader* r = static_cast<PngReader*>(png_get_io_ptr(png));
    size_t n = r->bytes->ReadSome(r->position, dst, length);
    r->position += n;
    if (n != length) png_error(png, "unexpected end of file");
}

// Reads the header and sets up the transforms that give 8-bit blue-green-red
// rows; false for a picture this decoder does not take. Called below a
// recovery point.
bool Prepare(PngReader* r, const DecodeLimits* limits, png_uint_32* pWidth, png_uint_32* pHeight, int* pInterlace) {
    png_set_read_fn(r->png, r, ReadData);
    const png_uint_32 side = limits->maxSide < kMaxImageSide ? limits->maxSide : kMaxImageSide;
    png_set_user_limits(r->png, side, side);
    png_set_chunk_malloc_max(r->png, kMaxChunkBytes);
    png_set_chunk_cache_max(r->png, kMaxCachedChunks);
    png_read_info(r->png, r->info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(r->png, r->info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    const uint64_t pixels = static_cast<uint64_t>(width) * height;
    if (width == 0 || height == 0 || pixels > limits->maxPixels || pixels > kMaxImagePixels) return false;

    // Palette and greyscale pictures of any depth become 8-bit colour
    // (their transparency an alpha channel first, so it is composited below).
    const bool bTransparent = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(r->png, r->info, PNG_INFO_tRNS);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r->png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(r->png);
    if (png_get_valid(r->png, r->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(r->png);
    if (!(colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(r->png);

    if (bTransparent) {
        // Given in 8-bit values: with 16-bit channels stripped to 8, libpng
        // takes the background at the output depth.
        png_color_16 background{};
        background.red = static_cast<png_uint_16>(RedOf(ImagePNG::kBackground));
        background.green = static_cast<png_uint_16>(GreenOf(ImagePNG::kBackground));
        background.blue = static_cast<png_uint_16>(BlueOf(ImagePNG::kBackground));
        png_set_background(r->png, &background, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    if (bitDepth == 16) png_set_strip_16(r->png);
    png_set_bgr(r->png);
    png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    if (png_get_channels(r->png, r->info) != 3 || png_get_bit_depth(r->png, r->info) != 8 ||
        png_get_rowbytes(r->png, r->info) != 3 * static_cast<size_t>(width))
        return false;
    *pWidth = width;
    *pHeight = height;
    *pInterlace = interlace;
    return true;
}

// The picture's size, from its header.
bool RunSizeReader(PngReader* r, const DecodeLimits* limits, int* pWidth, int* pHeight) {
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_uint_32 width = 0, height = 0;
    int interlace = 0;
    if (!Prepare(r, limits, &width, &height, &interlace)) return false;
    *pWidth = static_cast<int>(width);
    *pHeight = static_cast<int>(height);
    return true;
}

// Rows of a picture that is not interlaced, top first, handed to push as
// they are read. *pbInterlaced tells the caller to decode whole instead.
bool RunRowReader(PngReader* r, const DecodeLimits* limits, uint8_t* (*rowFor)(void*, png_uint_32, png_uint_32),
                  uint8_t* (*push)(void*, uint8_t*), void* context, bool* pbInterlaced) {
    if (setjmp(png_jmpbuf(r->png))) return r->bPixelsRead;
    png_uint_32 width = 0, height = 0;
    int interlace = 0;
    if (!Prepare(r, limits, &width, &height, &interlace)) return false;
    if (interlace != PNG_INTERLACE_NONE) {
        *pbInterlaced = true;
        return false;
    }
    uint8_t* row = rowFor(context, width, height);
    if (!row) return false;
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(r->png, row, nullptr);
        row = push(context, row);
    }
    r->bPixelsRead = true;
    png_read_end(r->png, nullptr);
    return true;
}

// Decodes into *block; false on any failure. Nothing in this frame needs a
// destructor, so the jump from OnError back here is safe.
bool RunDecoder(PngReader* r, std::vector<uint8_t>* block, const DecodeLimits* limits) {
    if (setjmp(png_jmpbuf(r->png))) {
        // An error after the last row (in the chunks behind the pixels)
        // leaves the picture intact.
        return r->bPixelsRead;
    }
    png_uint_32 width = 0, height = 0;
    int interlace = 0;
    if (!Prepare(r, limits, &width, &height, &interlace)) return false;

    const uint32_t stride = Image::BytesPerRow(width, 24);
    DibHeader h;
    h.biWidth = static_cast<int32_t>(width);
    h.biHeight = static_cast<int32_t>(height);
    h.biBitCount = 24;
    h.biSizeImage = stride * height;
    block->assign(kDibHeaderSize + h.biSizeImage, 0);
    WriteHeader(block->data(), h);
    uint8_t* bits = block->data() + kDibHeaderSize;
    // The top row of the picture is the last row in memory.
    r->rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) r->rows[y] = bits + static_cast<size_t>(height - 1 - y) * stride;
    png_read_image(r->png, r->rows.data());
    r->bPixelsRead = true;
    png_read_end(r->png, nullptr);
    return true;
}

}  // namespace

ImagePNG::ImagePNG(const std::string& sPath, const DecodeLimits& limits) {
    FileSource file(sPath);
    if (file.IsOpen()) Decode(file, limits);
}

ImagePNG ImagePNG::FromSource(ByteSource& src, const DecodeLimits& limits) {
    ImagePNG img;
    img.Decode(src, limits);
    return img;
}

ImagePNG ImagePNG::FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    ImagePNG img;
    MemorySource src(data, size);
    img.Decode(src, limits);
    return img;
}

void ImagePNG::Decode(ByteSource& src, const DecodeLimits& limits) {
    Invalidate();
    auto reader = std::make_unique<PngReader>();
    reader->bytes = &src;
    // The library's structures go on every way out, an exception (no memory
    // for the pixels) included.
    struct Release {
        PngReader* r;
        ~Release() {
            if (r->png) png_destroy_read_struct(&r->png, r->info ? &r->info : nullptr, nullptr);
        }
    } release{reader.get()};
    reader->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!reader->png) return;
    reader->info = png_create_info_struct(reader->png);
    if (!reader->info) return;
    std::vector<uint8_t> block;
    try {
        if (RunDecoder(reader.get(), &block, &limits)) Adopt(std::move(block));
    } catch (const std::bad_alloc&) {
        Invalidate();  // no memory for the pixels: an invalid picture
    }
}

namespace {

// The reader's structures for one pass over the file, released on every way out.
struct ReaderHolder {
    std::unique_ptr<PngReader> reader = std::make_unique<PngReader>();
    explicit ReaderHolder(ByteSource& src) {
        reader->bytes = &src;
        reader->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
        if (reader->png) reader->info = png_create_info_struct(reader->png);
    }
    ~ReaderHolder() {
        if (reader->png) png_destroy_read_struct(&reader->png, reader->info ? &reader->info : nullptr, nullptr);
    }
    bool Ok() const { return reader->png && reader->info; }
};

struct ResizeContext {
    int width, height;
    std::unique_ptr<RowResampler> resampler;
    std::unique_ptr<RowPipeline> pipeline;
};

}  // namespace

bool ImagePNG::ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits) {
    ReaderHolder holder(src);
    return holder.Ok() && RunSizeReader(holder.reader.get(), &limits, &width, &height);
}

Image ImagePNG::DecodeResized(ByteSource& src, int width, int height, Color* pAverage, const DecodeLimits& limits) {
    try {
        bool bInterlaced = false;
        ResizeContext context{width, height, nullptr, nullptr};
        {
            ReaderHolder holder(src);
            if (!holder.Ok()) return Image();
            auto rowFor = [](void* c, png_uint_32 w, png_uint_32 h) -> uint8_t* {
                auto* ctx = static_cast<ResizeContext*>(c);
                ctx->resampler = std::make_unique<RowResampler>(static_cast<int>(w), static_cast<int>(h), ctx->width,
                                                                ctx->height);
                if (!ctx->resampler->Valid()) return nullptr;
                ctx->pipeline = std::make_unique<RowPipeline>(*ctx->resampler, static_cast<size_t>(w) * 3);
                return ctx->pipeline->Row();
            };
            auto push = [](void* c, uint8_t*) { return static_cast<ResizeContext*>(c)->pipeline->Push(); };
            const bool bRead = RunRowReader(holder.reader.get(), &limits, rowFor, push, &context, &bInterlaced);
            if (context.pipeline) context.pipeline->Finish();
            if (bRead && context.resampler && context.resampler->Complete()) {
                if (pAverage) *pAverage = context.resampler->Average();
                return context.resampler->TakeResult();
            }
        }
        if (!bInterlaced) return Image();
        // Passes over the whole picture: decoded whole, then resized.
        ImagePNG whole;
        whole.Decode(src, limits);
        if (!whole.IsValid()) return Image();
        RowResampler resampler(static_cast<int>(whole.Width()), static_cast<int>(whole.Height()), width, height);
        if (!resampler.Valid()) return Image();
        for (int y = 0; y < static_cast<int>(whole.Height()); ++y) resampler.PushRow(whole.Row24(y));
        if (pAverage) *pAverage = resampler.Average();
        return resampler.TakeResult();
    } catch (const std::exception&) {
        return Image();  // no memory, or no thread: an invalid picture
    }
}

namespace {

struct PngWriter {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    // Where the bytes go when there is no file.
    const std::function<bool(const void*, size_t)>* pSink = nullptr;
    ~PngWriter() {
        png_destroy_write_struct(&png, &info);
        if (file) std::fclose(file);
    }
};

void WriteToSink(png_structp png, png_bytep data, png_size_t n) {
    auto* w = static_cast<PngWriter*>(png_get_io_ptr(png));
    if (!(*w->pSink)(data, n)) png_error(png, "write");
}

void FlushSink(png_structp) {}

// Below the recovery point: nothing here may own memory of its own.
bool WriteRows(PngWriter& w, const Image& picture, std::vector<uint8_t>& row) {
    if (setjmp(png_jmpbuf(w.png))) return false;
    if (w.pSink)
        png_set_write_fn(w.png, &w, WriteToSink, FlushSink);
    else
        png_init_io(w.png, w.file);
    const int width = picture.Width(), height = picture.Height();
    png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = picture.Row24(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = src[3 * x + 2];
            row[3 * x + 1] = src[3 * x + 1];
            row[3 * x + 2] = src[3 * x];
        }
        png_write_row(w.png, row.data());
    }
    png_write_end(w.png, nullptr);
    return true;
}

}  // namespace

bool SavePng(const Image& picture, const std::string& sPath) {
    if (!picture.IsValid() || picture.BitCount() != 24 || picture.Width() <= 0 || picture.Height() <= 0) return false;
    std::vector<uint8_t> row(static_cast<size_t>(picture.Width()) * 3);
    PngWriter w;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!w.png) return false;
    w.info = png_create_info_struct(w.png);
    if (!w.info) return false;
    w.file = std::fopen(NativePath(sPath).c_str(), "wb");
    if (!w.file) return false;
    if (!WriteRows(w, picture, row)) return false;
    const bool bClosed = std::fclose(w.file) == 0;
    w.file = nullptr;
    return bClosed;
}

bool WritePng(const Image& picture, const std::function<bool(const void*, size_t)>& sink) {
    if (!picture.IsValid() || picture.BitCount() != 24 || picture.Width() <= 0 || picture.Height() <= 0) return false;
    std::vector<uint8_t> row(static_cast<size_t>(picture.Width()) * 3);
    PngWriter w;
    w.pSink = &sink;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!w.png) return false;
    w.info = png_create_info_struct(w.png);
    if (!w.info) return false;
    return WriteRows(w, picture, row);
}

}  // namespace mv
