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

// Decodes into *block; false on any failure. Only plain data lives in this
// frame, so the jump from ErrorExit back here is safe.
bool RunDecoder(JpegState* st, std::vector<uint8_t>* block, const DecodeLimits* limits) {
    jpeg_decompress_struct* cinfo = &st->cinfo;
    cinfo->err = jpeg_std_error(&st->err);
    st->err.error_exit = ErrorExit;
    st->err.emit_message = EmitMessage;
    if (setjmp(st->recovery)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
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

    jpeg_read_header(cinfo, TRUE);
    st->bHeaderRead = true;
    const bool bColour = cinfo->jpeg_color_space == JCS_RGB || cinfo->jpeg_color_space == JCS_YCbCr;
    const uint64_t width = cinfo->image_width, height = cinfo->image_height;
    if (!bColour || cinfo->num_components != 3 || width == 0 || height == 0 || width > limits->maxSide ||
        height > limits->maxSide || width > kMaxImageSide || height > kMaxImageSide ||
        width * height > limits->maxPixels || width * height > kMaxImagePixels) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
#ifdef JCS_EXTENSIONS
    cinfo->out_color_space = JCS_EXT_BGR;  // rows come out in DIB order
#else
    cinfo->out_color_space = JCS_RGB;
#endif
    jpeg_start_decompress(cinfo);
    if (cinfo->out_color_components != 3 || cinfo->output_components != 3 || cinfo->output_width != width ||
        cinfo->output_height != height) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }

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
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = bits + static_cast<size_t>(cinfo->output_height - 1 - cinfo->output_scanline) * stride;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) ERREXIT(cinfo, JERR_INPUT_EOF);
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);

#ifndef JCS_EXTENSIONS
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* p = bits + static_cast<size_t>(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += 3) std::swap(p[0], p[2]);
    }
#endif
    return true;
}

}  // namespace

ImageJPEG::ImageJPEG(const std::string& sPath, const DecodeLimits& limits) {
    FileSource file(sPath);
    if (file.IsOpen()) Decode(file, limits);
}

ImageJPEG ImageJPEG::FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    ImageJPEG img;
    MemorySource src(data, size);
    img.Decode(src, limits);
    return img;
}

void ImageJPEG::Decode(ByteSource& src, const DecodeLimits& limits) {
    Invalidate();
    auto st = std::make_unique<JpegState>();  // zeroed: no library memory yet
    st->bytes = &src;
    // The library's working memory goes on every way out, an exception
    // (no memory for the pixels) included; destroying twice is harmless.
    struct Release {
        JpegState* st;
        ~Release() { jpeg_destroy_decompress(&st->cinfo); }
    } release{st.get()};
    std::vector<uint8_t> block;
    try {
        if (RunDecoder(st.get(), &block, &limits)) Adopt(std::move(block));
    } catch (const std::bad_alloc&) {
        Invalidate();  // no memory for the pixels: an invalid picture
    }
}

}  // namespace mv
