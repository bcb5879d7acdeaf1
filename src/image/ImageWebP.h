#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/Image.h"

namespace mv {

class ByteSource;

// A WebP file (lossy or lossless, with or without transparency) decoded by
// libwebp to a 24-bit bottom-up picture, transparency composited onto
// ImagePNG::kBackground. Of an animation, the first frame is shown, placed
// on its canvas. The compressed file is read into memory whole (at most
// DecodeLimits::maxLibraryMemory bytes).
class ImageWebP : public Image {
public:
    explicit ImageWebP(const std::string& sPath, const DecodeLimits& limits = DecodeLimits());
    static ImageWebP FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits = DecodeLimits());
    static ImageWebP FromSource(ByteSource& src, const DecodeLimits& limits = DecodeLimits());

    // The picture's (or animation's canvas) size from its headers alone.
    static bool ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits = DecodeLimits());
    // The picture decoded straight to width x height by libwebp's own
    // scaling, which resamples the decoded rows as they come; the average
    // colour of the result goes to *pAverage. Invalid on any failure.
    static Image DecodeResized(ByteSource& src, int width, int height, Color* pAverage,
                               const DecodeLimits& limits = DecodeLimits());

private:
    ImageWebP() = default;
    void Decode(ByteSource& src, const DecodeLimits& limits);
};

}  // namespace mv
