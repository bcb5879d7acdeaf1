#include "image/ImageJPEG.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "image/ByteSource.h"
#include "image/Orientation.h"
#include "image/RowResampler.h"

namespace mv {

namespace {

// Everything the library's callbacks reach, kept in one place so that the
// jump back to the recovery point leaves no C++ object half-built.
struct JpegState {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    jmp_buf recovery;
    jpeg_source_mgr source;
    jpeg_progress_mgr progress;
    ByteSource* bytes = nullptr;
    uint64_t position = 0;
    bool bHeaderRead = false;
    int endsSupplied = 0;  // end-of-image markers made up at the end of the data
    uint8_t* row = nullptr;  // the row a streamed decode fills next
    JSAMPARRAY cmyk = nullptr;  // one row of a four-component picture, from the library's pool
    JOCTET buffer[16384];
};

JpegState* StateOf(j_common_ptr c) { return static_cast<JpegState*>(c->client_data); }

// Any library error: format the message (not shown) and go back to the recovery point.
void ErrorExit(j_common_ptr c) {
    char sMessage[JMSG_LENGTH_MAX];
    (*c->err->format_message)(c, sMessage);
    std::longjmp(StateOf(c)->recovery, 1);
}

// Warnings (corrupt data the library works around) are counted, not printed.
// Running out of data after the made-up end marker means the file was cut
// short inside the picture: that is an error.
void EmitMessage(j_common_ptr c, int level) {
    if (level >= 0) return;
    c->err->num_warnings++;
    if (c->err->msg_code == JWRN_HIT_MARKER && StateOf(c)->endsSupplied > 0) (*c->err->error_exit)(c);
}

void InitSource(j_decompress_ptr) {}

// At the end of the data an end-of-image marker is supplied, so that a file
// missing only its last marker still loads; should the decoder then need
// more picture data, EmitMessage makes it an error. Running out while the
// headers are read is an error at once.
boolean FillInput(j_decompress_ptr cinfo) {
    JpegState* st = StateOf(reinterpret_cast<j_common_ptr>(cinfo));
    size_t n = st->bytes->ReadSome(st->position, st->buffer, sizeof st->buffer);
    if (n == 0) {
        if (!st->bHeaderRead || ++st->endsSupplied > 16) ERREXIT(cinfo, JERR_INPUT_EOF);
        static const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};
        st->source.next_input_byte = kEndOfImage;
        st->source.bytes_in_buffer = 2;
        return TRUE;
    }
    st->position += n;
    st->source.next_input_byte = st->buffer;
    st->source.bytes_in_buffer = n;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr& src = *cinfo->src;
    const size_t want = static_cast<size_t>(count);
    if (want <= src.bytes_in_buffer) {
        src.next_input_byte += want;
        src.bytes_in_buffer -= want;
        return;
    }
    StateOf(reinterpret_cast<j_common_ptr>(cinfo))->position += want - src.bytes_in_buffer;
    src.bytes_in_buffer = 0;
    src.next_input_byte = nullptr;
}

void TermSource(j_decompress_ptr) {}

// Bounds the work a progressive picture can demand.
void Progress(j_common_ptr c) {
    if (!c->is_decompressor) return;
    j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(c);
    if (d->input_scan_number > ImageJPEG::kMaxScans) ERREXIT(c, JERR_BAD_SCAN_SCRIPT);
}

// The library's error handling, memory cap and our source and progress
// hooks. Called below a recovery point.
void Begin(JpegState* st, const DecodeLimits* limits) {
    jpeg_decompress_struct* cinfo = &st->cinfo;
    cinfo->err = jpeg_std_error(&st->err);
    st->err.error_exit = ErrorExit;
    st->err.emit_message = EmitMessage;
    jpeg_create_decompress(cinfo);
    cinfo->client_data = st;
    cinfo->mem->max_memory_to_use = static_cast<long>(
        limits->maxLibraryMemory > 0x7FFFFFFFull ? 0x7FFFFFFFull : limits->maxLibraryMemory);
    st->source.init_source = InitSource;
    st->source.fill_input_buffer = FillInput;
    st->source.skip_input_data = SkipInput;
    st->source.resync_to_restart = jpeg_resync_to_restart;
    st->source.term_source = TermSource;
    st->source.bytes_in_buffer = 0;
    st->source.next_input_byte = nullptr;
    cinfo->src = &st->source;
    st->progress.progress_monitor = Progress;
    cinfo->progress = &st->progress;
}

bool IsFourComponent(j_decompress_ptr cinfo) {
    return cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
}

// Reads the header: true for a greyscale, colour or CMYK picture within the limits.
bool ReadAcceptableHeader(JpegState* st, const DecodeLimits* limits) {
    jpeg_decompress_struct* cinfo = &st->cinfo;
    jpeg_read_header(cinfo, TRUE);
    st->bHeaderRead = true;
    const J_COLOR_SPACE space = cinfo->jpeg_color_space;
    const bool bKnown = (space == JCS_GRAYSCALE && cinfo->num_components == 1) ||
                        ((space == JCS_RGB || space == JCS_YCbCr) && cinfo->num_components == 3) ||
                        (IsFourComponent(cinfo) && cinfo->num_components == 4);
    const uint64_t width = cinfo->image_width, height = cinfo->image_height;
    return bKnown && width != 0 && height != 0 && width <= limits->maxSide && height <= limits->maxSide &&
           width <= kMaxImageSide && height <= kMaxImageSide && width * height <= limits->maxPixels &&
           width * height <= kMaxImagePixels;
}

// Greyscale and colour pictures come out as blue-green-red rows; CMYK and
// YCCK ones as CMYK, turned into blue-green-red row by row (FourToDib).
void AskForDibOrder(j_decompress_ptr cinfo) {
    if (IsFourComponent(cinfo)) {
        cinfo->out_color_space = JCS_CMYK;
        return;
    }
#ifdef JCS_EXTENSIONS
    cinfo->out_color_space = JCS_EXT_BGR;  // rows come out in DIB order
#else
    cinfo->out_color_space = JCS_RGB;
#endif
}

// Whether the decoder gives the components asked for.
bool OutputAsAsked(j_decompress_ptr cinfo) {
    const int want = IsFourComponent(cinfo) ? 4 : 3;
    return cinfo->out_color_components == want && cinfo->output_components == want;
}

// The row for four-component output, from the library's pool (freed with
// the decompressor, so a jump to the recovery point leaks nothing).
void MakeFourComponentRow(JpegState* st) {
    j_common_ptr c = reinterpret_cast<j_common_ptr>(&st->cinfo);
    if (IsFourComponent(&st->cinfo))
        st->cmyk = (*st->cinfo.mem->alloc_sarray)(c, JPOOL_IMAGE, st->cinfo.output_width * 4, 1);
}

// CMYK to blue-green-red. Adobe's files store the inks inverted (0 is full
// ink); others store them as they are.
void FourToDib(const uint8_t* cmyk, uint8_t* bgr, uint32_t width, bool bInverted) {
    for (uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!bInverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        bgr[0] = static_cast<uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

// Reads the next scanline into a blue-green-red row.
void ReadDibRow(JpegState* st, uint8_t* row) {
    jpeg_decompress_struct* cinfo = &st->cinfo;
    JSAMPROW rows[1] = {st->cmyk ? st->cmyk[0] : row};
    if (jpeg_read_scanlines(cinfo, rows, 1) != 1) ERREXIT(cinfo, JERR_INPUT_EOF);
    if (st->cmyk) FourToDib(st->cmyk[0], row, cinfo->output_width, cinfo->saw_Adobe_marker != FALSE);
}

void ToDibOrder(uint8_t* row, uint32_t width) {
#ifndef JCS_EXTENSIONS
    for (uint32_t x = 0; x < width; ++x, row += 3) std::swap(row[0], row[2]);
#else
    (void)row;
    (void)width;
#endif
}

// The picture's size from its header; false when it is no picture we take.
bool RunSizeReader(JpegState* st, const DecodeLimits* limits, int* pWidth, int* pHeight) {
    if (setjmp(st->recovery)) return false;
    Begin(st, limits);
    if (!ReadAcceptableHeader(st, limits)) return false;
    *pWidth = static_cast<int>(st->cinfo.image_width);
    *pHeight = static_cast<int>(st->cinfo.image_height);
    return true;
}

// Starts a decode at the smallest DCT scale (in eighths) whose output is
// still at least dstWidth x dstHeight; the output size goes to *pWidth, *pHeight.
bool RunScaledStart(JpegState* st, const DecodeLimits* limits, int dstWidth, int dstHeight, int* pWidth,
                    int* pHeight) {
    if (setjmp(st->recovery)) return false;
    Begin(st, limits);
    if (!ReadAcceptableHeader(st, limits)) return false;
    jpeg_decompress_struct* cinfo = &st->cinfo;
    AskForDibOrder(cinfo);
    cinfo->scale_denom = 8;
    for (unsigned m = 1; m <= 8; ++m) {
        cinfo->scale_num = m;
        jpeg_calc_output_dimensions(cinfo);
        if (cinfo->output_width >= static_cast<JDIMENSION>(dstWidth) &&
            cinfo->output_height >= static_cast<JDIMENSION>(dstHeight))
            break;
    }
    // Rows about to be shrunk need no smooth chroma upsampling: the area
    // average that follows does that smoothing, in a fraction of the time.
    if (cinfo->output_width > static_cast<JDIMENSION>(dstWidth) &&
        cinfo->output_height > static_cast<JDIMENSION>(dstHeight))
        cinfo->do_fancy_upsampling = FALSE;
    jpeg_start_decompress(cinfo);
    if (!OutputAsAsked(cinfo)) return false;
    MakeFourComponentRow(st);
    *pWidth = static_cast<int>(cinfo->output_width);
    *pHeight = static_cast<int>(cinfo->output_height);
    return true;
}

// Reads the started decode's rows, top first, each into the buffer push
// gave last (row at first), handing each to push.
bool RunScaledRows(JpegState* st, uint8_t* row, uint8_t* (*push)(void*, uint8_t*), void* context) {
    st->row = row;  // kept outside this frame: it changes between the jumps
    if (setjmp(st->recovery)) return false;
    jpeg_decompress_struct* cinfo = &st->cinfo;
    while (cinfo->output_scanline < cinfo->output_height) {
        ReadDibRow(st, st->row);
        if (!st->cmyk) ToDibOrder(st->row, cinfo->output_width);
        st->row = push(context, st->row);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// Decodes into *block; false on any failure. Only plain data lives in this
// frame, so the jump from ErrorExit back here is safe.
bool RunDecoder(JpegState* st, std::vector<uint8_t>* block, const DecodeLimits* limits) {
    jpeg_decompress_struct* cinfo = &st->cinfo;
    if (setjmp(st->recovery)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    Begin(st, limits);
    if (!ReadAcceptableHeader(st, limits)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    const uint64_t width = cinfo->image_width, height = cinfo->image_height;
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
    AskForDibOrder(cinfo);
    jpeg_start_decompress(cinfo);
    if (!OutputAsAsked(cinfo) || cinfo->output_width != width || cinfo->output_height != height) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    MakeFourComponentRow(st);

    const uint32_t stride = Image::BytesPerRow(static_cast<uint32_t>(width), 24);
    DibHeader h;
    h.biWidth = static_cast<int32_t>(width);
    h.biHeight = static_cast<int32_t>(height);
    h.biBitCount = 24;
    h.biSizeImage = stride * static_cast<uint32_t>(height);
    block->assign(kDibHeaderSize + h.biSizeImage, 0);
    WriteHeader(block->data(), h);
    uint8_t* bits = block->data() + kDibHeaderSize;

    // The first scanline is the top row: it lands in the last row in memory.
    const bool bFour = st->cmyk != nullptr;
    while (cinfo->output_scanline < cinfo->output_height)
        ReadDibRow(st, bits + static_cast<size_t>(cinfo->output_height - 1 - cinfo->output_scanline) * stride);
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);

    if (!bFour)
        for (uint32_t y = 0; y < height; ++y)
            ToDibOrder(bits + static_cast<size_t>(y) * stride, static_cast<uint32_t>(width));
    return true;
}

// One decoder's state, zeroed (no library memory yet), released on every
// way out, an exception included; destroying twice is harmless.
struct Decoder {
    std::unique_ptr<JpegState> st = std::make_unique<JpegState>();
    explicit Decoder(ByteSource& src) { st->bytes = &src; }
    ~Decoder() { jpeg_destroy_decompress(&st->cinfo); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
};

}  // namespace

ImageJPEG::ImageJPEG(const std::string& sPath, const DecodeLimits& limits) {
    FileSource file(sPath);
    if (file.IsOpen()) Decode(file, limits);
}

ImageJPEG ImageJPEG::FromSource(ByteSource& src, const DecodeLimits& limits) {
    ImageJPEG img;
    img.Decode(src, limits);
    return img;
}

ImageJPEG ImageJPEG::FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    ImageJPEG img;
    MemorySource src(data, size);
    img.Decode(src, limits);
    return img;
}

void ImageJPEG::Decode(ByteSource& src, const DecodeLimits& limits) {
    Invalidate();
    Decoder decoder(src);
    std::vector<uint8_t> block;
    try {
        // Shown upright: a phone's portrait photograph is stored sideways.
        // Its rows go straight to their upright places as they are decoded,
        // so the stored picture is never held whole beside the turned one.
        const int iOrientation = ReadJpegOrientation(src);
        if (iOrientation != 1) {
            int w = 0, h = 0;
            {
                Decoder header(src);
                if (!RunSizeReader(header.st.get(), &limits, &w, &h)) return;
            }
            JpegState* st = decoder.st.get();
            int ow = 0, oh = 0;
            if (!RunScaledStart(st, &limits, w, h, &ow, &oh) || ow != w || oh != h) return;
            UprightWriter writer(w, h, iOrientation);
            if (!writer.Valid()) return;
            std::vector<uint8_t> row(static_cast<size_t>(w) * 3);
            struct Placing {
                UprightWriter* writer;
                int y;
            } placing{&writer, 0};
            auto push = [](void* context, uint8_t* done) {
                auto* p = static_cast<Placing*>(context);
                p->writer->Put(p->y++, done);
                return done;
            };
            if (!RunScaledRows(st, row.data(), push, &placing) || placing.y != h) return;
            static_cast<Image&>(*this) = std::move(writer.Upright());
            return;
        }
        if (!RunDecoder(decoder.st.get(), &block, &limits)) return;
        Adopt(std::move(block));
    } catch (const std::bad_alloc&) {
        Invalidate();  // no memory for the pixels: an invalid picture
    }
}

bool ImageJPEG::ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits) {
    Decoder decoder(src);
    if (!RunSizeReader(decoder.st.get(), &limits, &width, &height)) return false;
    if (OrientationSwapsSides(ReadJpegOrientation(src))) std::swap(width, height);
    return true;
}

Image ImageJPEG::DecodeResized(ByteSource& src, int width, int height, Color* pAverage, const DecodeLimits& limits) {
    // The stored picture is resized to the upright size turned back, then
    // turned upright: only the small result is turned.
    const int iOrientation = ReadJpegOrientation(src);
    if (iOrientation != 1) {
        const bool bSwap = OrientationSwapsSides(iOrientation);
        Image stored = DecodeStoredResized(src, bSwap ? height : width, bSwap ? width : height, pAverage, limits);
        return stored.IsValid() ? Orient24(stored, iOrientation) : Image();
    }
    return DecodeStoredResized(src, width, height, pAverage, limits);
}

Image ImageJPEG::DecodeStoredResized(ByteSource& src, int width, int height, Color* pAverage,
                                     const DecodeLimits& limits) {
    Decoder decoder(src);
    JpegState* st = decoder.st.get();
    try {
        int w = 0, h = 0;
        if (!RunScaledStart(st, &limits, width, height, &w, &h)) return Image();
        RowResampler resampler(w, h, width, height);
        if (!resampler.Valid()) return Image();
        bool bRead = false;
        {
            RowPipeline pipeline(resampler, static_cast<size_t>(w) * 3);
            auto push = [](void* context, uint8_t*) { return static_cast<RowPipeline*>(context)->Push(); };
            bRead = RunScaledRows(st, pipeline.Row(), push, &pipeline);
        }
        if (!bRead || !resampler.Complete()) return Image();
        if (pAverage) *pAverage = resampler.Average();
        return resampler.TakeResult();
    } catch (const std::exception&) {
        return Image();  // no memory, or no thread: an invalid picture
    }
}

}  // namespace mv
