#include "image/TestPictures.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <png.h>
#include <gif_lib.h>

namespace mv::test {

Pixels Pixels::Pattern(int w, int h, int channels) {
    Pixels p;
    p.width = w;
    p.height = h;
    p.channels = channels;
    p.data.resize(static_cast<size_t>(w) * h * channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* q = &p.data[(static_cast<size_t>(y) * w + x) * channels];
            q[0] = static_cast<uint8_t>(x * 255 / (w > 1 ? w - 1 : 1));
            if (channels >= 3) {
                q[1] = static_cast<uint8_t>(y * 255 / (h > 1 ? h - 1 : 1));
                q[2] = static_cast<uint8_t>((x + y) * 37);
            }
            if (channels == 4 || channels == 2) q[channels - 1] = 255;
        }
    return p;
}

void Put16(std::vector<uint8_t>& v, size_t at, uint16_t x) {
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}
void Append16(std::vector<uint8_t>& v, uint16_t x) {
    v.resize(v.size() + 2);
    Put16(v, v.size() - 2, x);
}
void Append32(std::vector<uint8_t>& v, uint32_t x) {
    v.resize(v.size() + 4);
    Put32(v, v.size() - 4, x);
}

std::vector<uint8_t> MakeBmp(const BmpLayout& s) {
    std::vector<uint8_t> dib;
    const bool bCore = s.headerSize == 12;
    if (bCore) {
        Append32(dib, 12);
        Append16(dib, static_cast<uint16_t>(s.width));
        Append16(dib, static_cast<uint16_t>(s.height));
        Append16(dib, s.planes);
        Append16(dib, s.bitCount);
    } else {
        Append32(dib, s.headerSize);
        Append32(dib, static_cast<uint32_t>(s.width));
        Append32(dib, static_cast<uint32_t>(s.height));
        Append16(dib, s.planes);
        Append16(dib, s.bitCount);
        Append32(dib, s.compression);
        Append32(dib, s.sizeImage);
        Append32(dib, 2835);
        Append32(dib, 2835);
        Append32(dib, s.clrUsed);
        Append32(dib, 0);
        std::vector<uint8_t> rest(s.headerSize - 40, 0);
        for (size_t i = 0; i < s.masks.size() && s.headerSize > 40 && 4 * i + 4 <= rest.size(); ++i)
            Put32(rest, 4 * i, s.masks[i]);
        dib.insert(dib.end(), rest.begin(), rest.end());
        if (s.headerSize == 40)
            for (uint32_t m : s.masks) Append32(dib, m);
    }
    for (uint32_t c : s.table) {
        dib.push_back(uint8_t(c));
        dib.push_back(uint8_t(c >> 8));
        dib.push_back(uint8_t(c >> 16));
        if (!bCore) dib.push_back(0);
    }
    std::vector<uint8_t> file;
    if (s.bFileHeader) {
        file.resize(14);
        file[0] = 'B';
        file[1] = 'M';
        Put32(file, 2, static_cast<uint32_t>(14 + dib.size() + s.bits.size()));
        Put32(file, 10, s.bitsOffset >= 0 ? static_cast<uint32_t>(s.bitsOffset) : static_cast<uint32_t>(14 + dib.size()));
    }
    file.insert(file.end(), dib.begin(), dib.end());
    file.insert(file.end(), s.bits.begin(), s.bits.end());
    return file;
}

std::vector<uint8_t> BmpRows24(const Pixels& px) {
    const size_t stride = (static_cast<size_t>(px.width) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> rows(stride * px.height, 0);
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x) {
            const uint8_t* p = &px.data[(static_cast<size_t>(y) * px.width + x) * px.channels];
            uint8_t* q = &rows[(px.height - 1 - y) * stride + 3 * x];
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    return rows;
}

namespace {
struct JpegErr {
    jpeg_error_mgr pub;
    jmp_buf jb;
};
void JpegFail(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegErr*>(c->err)->jb, 1); }
}  // namespace

std::vector<uint8_t> EncodeJpeg(const Pixels& px, int quality, bool bProgressive, int jpegSpace) {
    jpeg_compress_struct c;
    JpegErr err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegFail;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    if (setjmp(err.jb)) {
        jpeg_destroy_compress(&c);
        std::free(out);
        return {};
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = static_cast<JDIMENSION>(px.width);
    c.image_height = static_cast<JDIMENSION>(px.height);
    c.input_components = px.channels;
    c.in_color_space = px.channels == 1 ? JCS_GRAYSCALE : px.channels == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    if (jpegSpace != 0) jpeg_set_colorspace(&c, static_cast<J_COLOR_SPACE>(jpegSpace));
    jpeg_set_quality(&c, quality, TRUE);
    if (bProgressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row;
    while (c.next_scanline < c.image_height) {
        row.assign(px.data.begin() + static_cast<size_t>(c.next_scanline) * px.width * px.channels,
                   px.data.begin() + static_cast<size_t>(c.next_scanline + 1) * px.width * px.channels);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> bytes(out, out + outSize);
    std::free(out);
    return bytes;
}

namespace {
void PngWrite(png_structp png, png_bytep data, png_size_t n) {
    auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    v->insert(v->end(), data, data + n);
}
void PngFlush(png_structp) {}

// Only plain values live here, so libpng's jump back is safe.
void WritePng(std::vector<uint8_t>& bytes, int width, int height, int depth, int colorType, bool bInterlaced,
              png_bytep* rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        bytes.clear();
        return;
    }
    png_set_write_fn(png, &bytes, PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth, colorType,
                 bInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    static png_color palette[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    if (colorType == 3) png_set_PLTE(png, info, palette, 4);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}
}  // namespace

std::vector<uint8_t> EncodePng(const Pixels& px, int colorType, int bitDepth, bool bInterlaced) {
    std::vector<uint8_t> bytes;
    const int channels = colorType == 0 || colorType == 3 ? 1 : colorType == 4 ? 2 : colorType == 2 ? 3 : 4;
    const int depth = colorType == 3 ? 8 : bitDepth;
    const size_t bytesPerSample = depth == 16 ? 2 : 1;
    std::vector<uint8_t> image(static_cast<size_t>(px.width) * px.height * channels * bytesPerSample);
    for (size_t i = 0, n = static_cast<size_t>(px.width) * px.height; i < n; ++i)
        for (int c = 0; c < channels; ++c) {
            const uint8_t* p = &px.data[i * px.channels];
            uint8_t v;
            if (channels >= 3) v = c < 3 ? p[c] : (px.channels == 4 ? p[3] : 255);
            else v = c == 0 ? p[0] : (px.channels == 4 ? p[3] : 255);
            if (colorType == 3) v = static_cast<uint8_t>(v & 3);  // a 4-entry palette
            uint8_t* q = &image[(i * channels + c) * bytesPerSample];
            q[0] = v;
            if (bytesPerSample == 2) q[1] = v;
        }
    const size_t stride = static_cast<size_t>(px.width) * channels * bytesPerSample;
    std::vector<png_bytep> rows(px.height);
    for (int y = 0; y < px.height; ++y) rows[y] = &image[y * stride];
    WritePng(bytes, px.width, px.height, depth, colorType, bInterlaced, rows.data());
    return bytes;
}

namespace {
int PutGifBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}
}  // namespace

std::vector<uint8_t> EncodeGif(const Pixels& px, const GifFrame& frame) {
    std::vector<uint8_t> out;
    // The colour table: the distinct colours in order of first use.
    std::vector<GifColorType> colours;
    std::vector<GifPixelType> indices(static_cast<size_t>(px.width) * px.height);
    for (size_t i = 0; i < indices.size(); ++i) {
        const uint8_t* p = &px.data[i * px.channels];
        const uint8_t r = p[0], g = px.channels >= 3 ? p[1] : p[0], b = px.channels >= 3 ? p[2] : p[0];
        size_t k = 0;
        while (k < colours.size() && !(colours[k].Red == r && colours[k].Green == g && colours[k].Blue == b)) ++k;
        if (k == colours.size()) {
            if (colours.size() < 256) colours.push_back({r, g, b});
            else k = 255;
        }
        indices[i] = static_cast<GifPixelType>(k);
    }
    int bits = 1;
    while ((1 << bits) < static_cast<int>(colours.size())) ++bits;
    colours.resize(size_t(1) << bits, GifColorType{255, 255, 255});
    ColorMapObject* map = GifMakeMapObject(1 << bits, colours.data());
    int error = 0;
    GifFileType* gif = EGifOpen(&out, PutGifBytes, &error);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, frame.screenW ? frame.screenW : px.width, frame.screenH ? frame.screenH : px.height, bits, 0,
                      map);
    for (int f = 0; f < frame.frameCount; ++f) {
        if (frame.transparentIndex >= 0) {
            GraphicsControlBlock gcb = {};
            gcb.TransparentColor = frame.transparentIndex;
            GifByteType ext[4];
            const size_t n = EGifGCBToExtension(&gcb, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
        }
        EGifPutImageDesc(gif, frame.left, frame.top, px.width, px.height, frame.bInterlaced, nullptr);
        static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        std::vector<GifPixelType> white(static_cast<size_t>(px.width), static_cast<GifPixelType>((1 << bits) - 1));
        auto putRow = [&](int y) {
            EGifPutLine(gif, f == 0 ? &indices[static_cast<size_t>(y) * px.width] : white.data(), px.width);
        };
        if (frame.bInterlaced)
            for (int pass = 0; pass < 4; ++pass)
                for (int y = kStart[pass]; y < px.height; y += kStep[pass]) putRow(y);
        else
            for (int y = 0; y < px.height; ++y) putRow(y);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

std::vector<uint8_t> WithExifOrientation(const std::vector<uint8_t>& jpeg, int orientation, bool bBigEndian) {
    auto put16 = [&](std::vector<uint8_t>& v, unsigned x) {
        if (bBigEndian) v.insert(v.end(), {uint8_t(x >> 8), uint8_t(x)});
        else v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8)});
    };
    auto put32 = [&](std::vector<uint8_t>& v, uint32_t x) {
        if (bBigEndian) put16(v, x >> 16), put16(v, x & 0xFFFF);
        else put16(v, x & 0xFFFF), put16(v, x >> 16);
    };
    std::vector<uint8_t> tiff = {uint8_t(bBigEndian ? 'M' : 'I'), uint8_t(bBigEndian ? 'M' : 'I')};
    put16(tiff, 42);
    put32(tiff, 8);
    put16(tiff, 2);  // two entries: an image width, then the orientation
    put16(tiff, 0x0100), put16(tiff, 4), put32(tiff, 1), put32(tiff, 640);
    put16(tiff, 0x0112), put16(tiff, 3), put32(tiff, 1), put16(tiff, static_cast<unsigned>(orientation)), put16(tiff, 0);
    put32(tiff, 0);  // no next directory
    std::vector<uint8_t> out = {0xFF, 0xD8, 0xFF, 0xE1};
    const size_t length = 2 + 6 + tiff.size();
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length));
    out.insert(out.end(), {'E', 'x', 'i', 'f', 0, 0});
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

bool WriteBytes(const std::string& sPath, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(sPath.c_str(), "wb");
    if (!f) return false;
    bool bOk = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && bOk;
}

}  // namespace mv::test
