#include "image/ImageGIF.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <gif_lib.h>

#include "image/ByteSource.h"

namespace mv {

namespace {

struct GifReader {
    ByteSource* bytes;
    uint64_t position = 0;
};

int ReadGif(GifFileType* gif, GifByteType* dst, int length) {
    auto* r = static_cast<GifReader*>(gif->UserData);
    if (length <= 0) return 0;
    const size_t n = r->bytes->ReadSome(r->position, dst, static_cast<size_t>(length));
    r->position += n;
    return static_cast<int>(n);
}

// A GIF opened for reading, closed on every way out.
struct OpenGif {
    GifReader reader;
    GifFileType* gif = nullptr;
    explicit OpenGif(ByteSource& src) : reader{&src} {
        int error = 0;
        gif = DGifOpen(&reader, ReadGif, &error);
    }
    ~OpenGif() {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
    OpenGif(const OpenGif&) = delete;
    OpenGif& operator=(const OpenGif&) = delete;
};

bool ScreenWithinLimits(const GifFileType* gif, const DecodeLimits& limits) {
    const uint64_t w = static_cast<uint64_t>(gif->SWidth), h = static_cast<uint64_t>(gif->SHeight);
    return gif->SWidth > 0 && gif->SHeight > 0 && w <= limits.maxSide && h <= limits.maxSide &&
           w <= kMaxImageSide && h <= kMaxImageSide && w * h <= limits.maxPixels && w * h <= kMaxImagePixels;
}

}  // namespace

ImageGIF::ImageGIF(const std::string& sPath, const DecodeLimits& limits) {
    FileSource file(sPath);
    if (file.IsOpen()) Decode(file, limits);
}

ImageGIF ImageGIF::FromSource(ByteSource& src, const DecodeLimits& limits) {
    ImageGIF img;
    img.Decode(src, limits);
    return img;
}

ImageGIF ImageGIF::FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    MemorySource src(data, size);
    return FromSource(src, limits);
}

bool ImageGIF::ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits) {
    OpenGif open(src);
    if (!open.gif || !ScreenWithinLimits(open.gif, limits)) return false;
    width = open.gif->SWidth;
    height = open.gif->SHeight;
    return true;
}

void ImageGIF::Decode(ByteSource& src, const DecodeLimits& limits) {
    Invalidate();
    try {
        OpenGif open(src);
        GifFileType* gif = open.gif;
        if (!gif || !ScreenWithinLimits(gif, limits)) return;
        int transparent = NO_TRANSPARENT_COLOR;
        for (int records = 0; records < 100000; ++records) {
            GifRecordType type;
            if (DGifGetRecordType(gif, &type) == GIF_ERROR) return;
            if (type == TERMINATE_RECORD_TYPE) return;  // no frame at all
            if (type == EXTENSION_RECORD_TYPE) {
                int code = 0;
                GifByteType* ext = nullptr;
                if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return;
                if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
                    GraphicsControlBlock gcb;
                    if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
                }
                while (ext) {
                    if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return;
                }
                continue;
            }
            if (type != IMAGE_DESC_RECORD_TYPE) continue;

            // The first frame.
            if (DGifGetImageDesc(gif) == GIF_ERROR) return;
            const GifImageDesc& d = gif->Image;
            const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
            if (!map || !map->Colors || map->ColorCount <= 0) return;
            if (d.Left < 0 || d.Top < 0 || d.Width <= 0 || d.Height <= 0 || d.Left + d.Width > gif->SWidth ||
                d.Top + d.Height > gif->SHeight)
                return;  // a frame outside its screen

            // The frame's rows first, each kept as it arrives: a header that
            // claims a large screen or frame with little data behind it takes
            // no more memory than the data decodes to. The screen is made only
            // once the whole frame has been read.
            std::vector<std::vector<GifPixelType>> rows(static_cast<size_t>(d.Height));
            auto readRow = [&](int y) {
                std::vector<GifPixelType>& line = rows[static_cast<size_t>(y)];
                line.resize(static_cast<size_t>(d.Width));
                return DGifGetLine(gif, line.data(), d.Width) != GIF_ERROR;
            };
            if (d.Interlace) {
                static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
                for (int pass = 0; pass < 4; ++pass)
                    for (int y = kStart[pass]; y < d.Height; y += kStep[pass])
                        if (!readRow(y)) return;
            } else {
                for (int y = 0; y < d.Height; ++y)
                    if (!readRow(y)) return;
            }

            Image canvas = Image::Create24(gif->SWidth, gif->SHeight);
            if (!canvas.IsValid()) return;
            const uint8_t bg[3] = {static_cast<uint8_t>(BlueOf(limits.background)),
                                   static_cast<uint8_t>(GreenOf(limits.background)),
                                   static_cast<uint8_t>(RedOf(limits.background))};
            for (int y = 0; y < canvas.Height(); ++y) {
                uint8_t* row = canvas.Row24(y);
                for (int x = 0; x < canvas.Width(); ++x) std::memcpy(row + 3 * x, bg, 3);
            }
            for (int y = 0; y < d.Height; ++y) {
                std::vector<GifPixelType>& line = rows[static_cast<size_t>(y)];
                uint8_t* row = canvas.Row24(d.Top + y) + 3 * d.Left;
                for (int x = 0; x < d.Width; ++x, row += 3) {
                    const int index = line[static_cast<size_t>(x)];
                    if (index == transparent || index >= map->ColorCount) continue;
                    const GifColorType& c = map->Colors[index];
                    row[0] = c.Blue;
                    row[1] = c.Green;
                    row[2] = c.Red;
                }
                std::vector<GifPixelType>().swap(line);  // each row given back once painted
            }
            static_cast<Image&>(*this) = std::move(canvas);
            return;
        }
    } catch (const std::bad_alloc&) {
        Invalidate();  // no memory for the pixels: an invalid picture
    }
}

}  // namespace mv
