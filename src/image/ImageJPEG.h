#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/Image.h"

namespace mv {

class ByteSource;

// A JPEG file decoded to a 24-bit bottom-up picture at full size, upright
// as its EXIF orientation says. Greyscale, RGB, YCbCr, CMYK and YCCK
// pictures are taken (Adobe's inverted CMYK included); truncated files and
// anything libjpeg reports as an error are invalid.
class ImageJPEG : public Image {
public:
    explicit ImageJPEG(const std::string& sPath, const DecodeLimits& limits = DecodeLimits());
    static ImageJPEG FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits = DecodeLimits());
    static ImageJPEG FromSource(ByteSource& src, const DecodeLimits& limits = DecodeLimits());

    int RowPadding() const override { return static_cast<int>(m_uWidth % 4); }

    // The upright picture's size from its headers alone; false when the file
    // is no picture this decoder takes.
    static bool ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits = DecodeLimits());
    // The picture resized to width x height as it is decoded: at the smallest
    // DCT scale still at least that large, its rows resampled as they come,
    // so the full-size picture never exists. The average colour of the
    // result goes to *pAverage. Invalid on any failure.
    static Image DecodeResized(ByteSource& src, int width, int height, Color* pAverage,
                               const DecodeLimits& limits = DecodeLimits());
    // Most scans a progressive picture may have.
    static constexpr int kMaxScans = 500;

private:
    ImageJPEG() = default;
    // DecodeResized of the picture as stored, before it is turned upright.
    static Image DecodeStoredResized(ByteSource& src, int width, int height, Color* pAverage,
                                     const DecodeLimits& limits);
    void Decode(ByteSource& src, const DecodeLimits& limits);
};

}  // namespace mv
