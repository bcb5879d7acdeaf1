#include "image/PictureFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "image/ByteSource.h"
#include "image/ImageBMP.h"
#include "image/ImageGIF.h"
#include "image/ImageHEIF.h"
#include "image/ImageJPEG.h"
#include "image/ImagePNG.h"
#include "image/ImageWebP.h"

namespace mv {

PictureFormat SniffFormat(ByteSource& src) {
    uint8_t b[32] = {};
    const size_t n = src.ReadSome(0, b, sizeof b);
    auto starts = [&](const char* sig, size_t len, size_t at = 0) {
        return n >= at + len && std::memcmp(b + at, sig, len) == 0;
    };
    if (starts("\xFF\xD8\xFF", 3)) return PictureFormat::Jpeg;
    if (starts("\x89PNG\r\n\x1A\n", 8)) return PictureFormat::Png;
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) return PictureFormat::Gif;
    if (starts("RIFF", 4) && starts("WEBP", 4, 8)) return PictureFormat::WebP;
    if (starts("BM", 2)) return PictureFormat::Bmp;
    // An ISO media file whose first box names a HEIF or AVIF brand, as its
    // major brand or among the compatible ones it lists in the bytes read.
    if (starts("ftyp", 4, 4)) {
        static const char* const kBrands[] = {"heic", "heix", "hevc", "hevx", "heim", "heis",
                                              "mif1", "msf1", "avif", "avis"};
        const size_t boxEnd = std::min<size_t>(n, (size_t(b[0]) << 24 | size_t(b[1]) << 16 | size_t(b[2]) << 8 | b[3]));
        for (size_t at = 8; at + 4 <= boxEnd; at += 4) {
            if (at == 12) continue;  // the minor version
            for (const char* brand : kBrands)
                if (std::memcmp(b + at, brand, 4) == 0) return PictureFormat::Heif;
        }
    }
    return PictureFormat::Unknown;
}

PictureFormat FormatForExtension(const std::string& sPathOrExtension) {
    const size_t dot = sPathOrExtension.find_last_of(".\\/");
    std::string sExt = dot == std::string::npos ? sPathOrExtension
                       : sPathOrExtension[dot] == '.' ? sPathOrExtension.substr(dot + 1)
                                                      : std::string();
    for (char& c : sExt) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const struct {
        const char* ext;
        PictureFormat format;
    } kNames[] = {{"jpg", PictureFormat::Jpeg},   {"jpe", PictureFormat::Jpeg},  {"jpeg", PictureFormat::Jpeg},
                  {"bmp", PictureFormat::Bmp},    {"png", PictureFormat::Png},   {"gif", PictureFormat::Gif},
                  {"webp", PictureFormat::WebP},  {"heic", PictureFormat::Heif}, {"heif", PictureFormat::Heif},
                  {"avif", PictureFormat::Heif}};
    for (const auto& name : kNames)
        if (sExt == name.ext) return name.format;
    return PictureFormat::Unknown;
}

PictureFormat PictureFileFormat(ByteSource& src, const std::string& sPath) {
    const PictureFormat sniffed = SniffFormat(src);
    return sniffed != PictureFormat::Unknown ? sniffed : FormatForExtension(sPath);
}

namespace {

template <class T>
std::unique_ptr<Image> DecodeWhole(ByteSource& src, const DecodeLimits& limits) {
    return std::make_unique<T>(T::FromSource(src, limits));
}

const PictureDecoder kDecoders[] = {
    {PictureFormat::Bmp, ImageBMP::ReadSize, DecodeWhole<ImageBMP>, nullptr},
    {PictureFormat::Jpeg, ImageJPEG::ReadSize, DecodeWhole<ImageJPEG>, ImageJPEG::DecodeResized},
    {PictureFormat::Png, ImagePNG::ReadSize, DecodeWhole<ImagePNG>, ImagePNG::DecodeResized},
    {PictureFormat::Gif, ImageGIF::ReadSize, DecodeWhole<ImageGIF>, nullptr},
    {PictureFormat::WebP, ImageWebP::ReadSize, DecodeWhole<ImageWebP>, ImageWebP::DecodeResized},
    {PictureFormat::Heif, ImageHEIF::ReadSize, DecodeWhole<ImageHEIF>, ImageHEIF::DecodeResized},
};

}  // namespace

const PictureDecoder* DecoderFor(PictureFormat format) {
    for (const PictureDecoder& d : kDecoders)
        if (d.format == format) return &d;
    return nullptr;
}

std::unique_ptr<Image> DecodePictureFile(const std::string& sPath, const DecodeLimits& limits) {
    try {
        FileSource file(sPath);
        if (!file.IsOpen()) return std::make_unique<Image>();
        const PictureDecoder* decoder = DecoderFor(PictureFileFormat(file, sPath));
        if (!decoder) return std::make_unique<Image>();
        return decoder->decode(file, limits);
    } catch (const std::bad_alloc&) {
        // A picture too large for the memory there is counts as one that cannot be read.
        return std::make_unique<Image>();
    }
}

std::optional<Size> PictureFileSize(const std::string& sPath, const DecodeLimits& limits) {
    FileSource file(sPath);
    if (!file.IsOpen()) return std::nullopt;
    const PictureDecoder* decoder = DecoderFor(PictureFileFormat(file, sPath));
    int width = 0, height = 0;
    if (!decoder || !decoder->readSize || !decoder->readSize(file, width, height, limits)) return std::nullopt;
    return Size{width, height};
}

}  // namespace mv
