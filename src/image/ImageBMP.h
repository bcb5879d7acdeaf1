#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/Image.h"

namespace mv {

class ByteSource;

// A BMP file (or a bare DIB without the file header) kept at its own depth.
// The block holds a 40-byte header whatever the file had (OS/2 core headers
// and the longer Windows headers are brought to it), the three masks of a
// BI_BITFIELDS picture, the colour table as 4-byte entries (biClrUsed always
// set for 8 bits or less, dropped above) and the pixel data as stored. A valid
// ImageBMP can always be drawn by DrawTo24. The file is read completely and
// closed before the constructor returns.
class ImageBMP : public Image {
public:
    explicit ImageBMP(const std::string& sPath, const DecodeLimits& limits = DecodeLimits());
    static ImageBMP FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits = DecodeLimits());
    static ImageBMP FromSource(ByteSource& src, const DecodeLimits& limits = DecodeLimits());
    // The picture's size from the file and info headers alone (a file with
    // a file header, "BM").
    static bool ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits = DecodeLimits());

private:
    ImageBMP() = default;
    void Decode(ByteSource& src, const DecodeLimits& limits);
};

}  // namespace mv
