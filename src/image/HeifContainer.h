#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/Image.h"

namespace mv {

class ByteSource;

// What the boxes of a HEIF or AVIF file say about its primary picture, read
// without decoding anything: the coded pictures that make it up (one, or the
// tiles of a grid), where their bytes lie, their codec set-up and colour
// description, and how the stored picture is turned upright. Every size,
// count and offset is checked against the boxes that hold it and against the
// file; nothing is allocated for a count that the bytes do not back.

enum class HeifCodec { Hevc, Av1 };

// A colour description as an 'nclx' colour box gives it (H.273 code points).
struct HeifColour {
    uint16_t primaries = 2;
    uint16_t transfer = 2;
    uint16_t matrix = 2;
    bool bFullRange = false;
};

// One coded picture: the primary item itself or one tile of its grid.
struct HeifCoded {
    struct Extent {
        uint64_t offset;  // in the file, or in the meta box's 'idat' when bInIdat
        uint64_t length;
    };
    uint32_t width = 0, height = 0;  // as its 'ispe' says
    // HEVC: the parameter sets of 'hvcC', each behind a 4-byte big-endian
    // length, as the item's own NAL units are. AV1: the configuration OBUs of 'av1C'.
    std::vector<uint8_t> config;
    std::vector<Extent> extents;
    bool bInIdat = false;
    bool bHasColour = false;  // an 'nclx' colour box is associated
    HeifColour colour;
    uint64_t DataSize() const;
};

struct HeifPicture {
    // The upright size: the 'ispe' cut to the clean aperture, sides swapped
    // by a quarter turn. Zero when unknown.
    uint32_t uprightWidth = 0, uprightHeight = 0;

    HeifCodec codec = HeifCodec::Hevc;
    // The stored picture's size: the single picture's 'ispe' or the grid's output size.
    uint32_t width = 0, height = 0;
    // The clean aperture ('clap'): the part of the stored picture that is
    // shown, cut before it is turned. The whole picture when bCrop is false.
    bool bCrop = false;
    uint32_t cropX = 0, cropY = 0, cropWidth = 0, cropHeight = 0;
    // How the stored picture is turned upright, as an EXIF orientation (1..8).
    int orientation = 1;
    // A grid of rows x columns tiles, each tileWidth x tileHeight, cut at
    // width x height; a single coded picture is a grid of one.
    uint32_t rows = 1, columns = 1;
    uint32_t tileWidth = 0, tileHeight = 0;
    std::vector<HeifCoded> tiles;  // row by row
    std::vector<uint8_t> idat;     // the meta box's item data, for extents that lie there
};

enum class HeifVerdict {
    Invalid,      // no picture: broken boxes, data beyond the end, over the limits
    Unsupported,  // a picture of a kind this decoder does not take (an overlay, an unusual layout)
    Direct,       // the codecs can decode the parts as described
};

// Reads the file's boxes. The meta box is read whole when it is at most
// kMaxMetaBytes long.
HeifVerdict ReadHeifPicture(ByteSource& src, const DecodeLimits& limits, HeifPicture& picture);
constexpr size_t kMaxHeifMetaBytes = 8u << 20;

// The EXIF orientation of turning a picture by the rotations (quarter turns
// anticlockwise, 'irot') and mirrorings ('imir': true about the vertical
// axis, left and right swapped) applied in the order given. Each step is
// 0..3 for a rotation, 4 for a left-right and 5 for a top-bottom mirroring.
int HeifStepsToOrientation(const std::vector<int>& steps);

// The picture size an HEVC sequence parameter set (one NAL unit, header
// included) gives before cropping; false when it cannot be read.
bool ReadHevcPictureSize(const uint8_t* nal, size_t size, uint32_t& width, uint32_t& height);

// The largest frame an AV1 sequence header OBU's payload allows
// (max_frame_width_minus_1 + 1 and the height); false when it cannot be read.
bool ReadAv1SequenceSize(const uint8_t* payload, size_t size, uint32_t& width, uint32_t& height);

// Coded bytes one pixel of a coded picture may take: far more than any
// encoder writes, so that only absurd streams are refused by it.
constexpr uint64_t kMaxCodedBytesPerPixel = 8;

}  // namespace mv
