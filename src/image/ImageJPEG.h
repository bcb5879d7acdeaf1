#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/Image.h"

namespace mv {

class ByteSource;

// A JPEG file decoded to a 24-bit bottom-up picture at full size. Only
// three-component RGB or YCbCr pictures are accepted; greyscale, CMYK and
// YCCK ones are invalid, as are truncated files and anything libjpeg
// reports as an error.
class ImageJPEG : public Image {
public:
    explicit ImageJPEG(const std::string& sPath, const DecodeLimits& limits = DecodeLimits());
    static ImageJPEG FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits = DecodeLimits());

    int RowPadding() const override { return static_cast<int>(m_uWidth % 4); }

    // The picture's size from its header alone; false when the file is no
    // picture this decoder takes.
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
    void Decode(ByteSource& src, const DecodeLimits& limits);
};

}  // namespace mv
