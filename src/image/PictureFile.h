#pragma once
#include <memory>
#include <optional>
#include <string>

#include "image/Image.h"
#include "platform/Environment.h"

namespace mv {

class ByteSource;

// The kinds of picture file the program reads, told apart by their first
// bytes, never by their names.
enum class PictureFormat { Unknown, Bmp, Jpeg, Png, Gif, WebP, Heif };

// The format whose signature the data starts with; Unknown when none does.
PictureFormat SniffFormat(ByteSource& src);

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

// A picture file decoded whole, by its signature: invalid when it cannot be
// opened, has no known signature or fails to decode.
std::unique_ptr<Image> DecodePictureFile(const std::string& sPath, const DecodeLimits& limits = DecodeLimits());
// The upright size from the file's headers alone.
std::optional<Size> PictureFileSize(const std::string& sPath, const DecodeLimits& limits = DecodeLimits());

}  // namespace mv
