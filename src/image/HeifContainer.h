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
    // The upright size, as the picture library reports it for the primary
    // image: its 'ispe', sides swapped by a quarter turn. Zero when unknown.
    uint32_t uprightWidth = 0, uprightHeight = 0;
    // Only the picture library can decode it: a transparency layer, a clean
    // aperture, a derived kind other than a grid, an unusual layout. The
    // fields below are then not filled in.
    bool bNeedsLibrary = false;

    HeifCodec codec = HeifCodec::Hevc;
    // The stored picture's size: the single picture's 'ispe' or the grid's output size.
    uint32_t width = 0, height = 0;
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
    Invalid,  // no picture: broken boxes, data beyond the end, over the limits
    Library,  // a picture for the library alone (see bNeedsLibrary)
    Direct,   // the codecs can decode the parts as described
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

}  // namespace mv
