#pragma once
#include <memory>
#include <optional>
#include <string>

#include "image/Image.h"
#include "platform/Environment.h"

namespace mv {

class ByteSource;

// The kinds of picture file the program reads, told apart by their first
// bytes; a file no signature matches goes by its name's extension (a bare
// DIB has no signature of its own).
enum class PictureFormat { Unknown, Bmp, Jpeg, Png, Gif, WebP, Heif };

// The format whose signature the data starts with; Unknown when none does.
PictureFormat SniffFormat(ByteSource& src);
// The format the extension of a file's name (or the extension alone) names,
// in any letter case; Unknown for any other.
PictureFormat FormatForExtension(const std::string& sPathOrExtension);
// The format of a picture file: by its signature, or where none matches by
// its name's extension.
PictureFormat PictureFileFormat(ByteSource& src, const std::string& sPath);

// One format's decoder, from the single table of them.
struct PictureDecoder {
    PictureFormat format;
    // The upright picture's size from the file's headers; null where the
    // format cannot tell without decoding.
    bool (*readSize)(ByteSource& src, int& width, int& height, const DecodeLimits& limits);
    // The whole picture, upright (its own depth for BMP, 24 bits otherwise).
    std::unique_ptr<Image> (*decode)(ByteSource& src, const DecodeLimits& limits);
    // The upright picture decoded straight to width x height, with its
    // average colour; null where the format has no such route.
    Image (*decodeResized)(ByteSource& src, int width, int height, Color* pAverage, const DecodeLimits& limits);
};
// The decoder of a format; null for Unknown and for formats this build cannot read.
const PictureDecoder* DecoderFor(PictureFormat format);

// A picture file decoded whole, by its format (PictureFileFormat): invalid
// when it cannot be opened, is of no known format or fails to decode.
std::unique_ptr<Image> DecodePictureFile(const std::string& sPath, const DecodeLimits& limits = DecodeLimits());
// The upright size from the file's headers alone.
std::optional<Size> PictureFileSize(const std::string& sPath, const DecodeLimits& limits = DecodeLimits());

}  // namespace mv
