#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/Image.h"

namespace mv {

class ByteSource;

// A HEIF file's primary picture (HEIC with HEVC, AVIF with AV1) decoded to
// a 24-bit bottom-up picture, cut to its clean aperture, turned and mirrored
// as the file says, deeper samples cut to 8 bits. A transparency layer is
// left out: the picture shows opaque, as its colour is stored.
//
// Pictures made of HEVC or AV1 pictures (one, or a grid of tiles, as phones
// write them) are decoded by libde265 and dav1d straight from the file's
// boxes (HeifContainer): the tiles of one grid row at a time, several at
// once, each converted from YCbCr as libheif would convert it, so that the
// full-size picture never exists in RGB. Each coded stream's own size (its
// sequence parameter sets or sequence headers) is checked against the
// picture's boxes and the limits before a codec sees it, the whole picture's
// memory is budgeted before anything is decoded, and no codec runs on more
// than four threads. Other kinds (overlays, unusual layouts) are refused.
class ImageHEIF : public Image {
public:
    explicit ImageHEIF(const std::string& sPath, const DecodeLimits& limits = DecodeLimits());
    static ImageHEIF FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits = DecodeLimits());
    static ImageHEIF FromSource(ByteSource& src, const DecodeLimits& limits = DecodeLimits());

    // The upright picture's size from the file's boxes (the clean aperture,
    // turned); false when it is no picture this decoder takes.
    static bool ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits = DecodeLimits());
    // The upright picture resized to width x height as its rows are
    // decoded; the average colour of the result goes to *pAverage. Invalid
    // on any failure.
    static Image DecodeResized(ByteSource& src, int width, int height, Color* pAverage,
                               const DecodeLimits& limits = DecodeLimits());

private:
    ImageHEIF() = default;
    void Decode(ByteSource& src, const DecodeLimits& limits);
};

}  // namespace mv
