#pragma once
// HEIF files for tests, benchmarks and fuzz seeds: one-picture files taken
// apart into their coded picture, and files put together from coded
// pictures, as a grid of tiles (the way phones store large photographs)
// and with rotations and mirrorings on the primary picture.
#include <cstdint>
#include <string>
#include <vector>

#include "image/TestPictures.h"

namespace mv::test {

// A smooth photograph-like picture (gradients, waves, a little grain) with a
// distinct colour in every region.
Pixels PhotoLike(int w, int h, uint32_t seed, int channels = 3);

// One HEVC- or AV1-coded picture and the property boxes that describe it,
// each box whole (header included).
struct CodedPicture {
    bool bAv1 = false;
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> config;  // the 'hvcC' or 'av1C' box
    std::vector<std::vector<uint8_t>> extra;  // 'colr', 'pixi' boxes
    std::vector<uint8_t> data;
};

// The primary picture of a one-picture file as libheif writes it (heif-enc).
bool SplitHeif(const std::vector<uint8_t>& file, CodedPicture& out);

// Encodes the pixels in this process with libheif's HEVC (x265) or AV1
// (aom) encoder into a file as heif-enc writes it: 8-bit RGB, or RGBA with a
// transparency layer. Empty on failure.
std::vector<uint8_t> EncodeHeifFile(const Pixels& px, bool bAv1, int quality);
// The same for RGB pixels, taken apart.
bool EncodeHeif(const Pixels& px, bool bAv1, int quality, CodedPicture& out);

// A file whose primary picture is tiles[0] alone, or a grid of columns x rows
// tiles (row by row) cut to width x height; transforms are property boxes
// (IrotBox, ImirBox) applied to the primary picture in the order given.
struct HeifLayout {
    std::vector<CodedPicture> tiles;
    bool bGrid = false;
    int columns = 1, rows = 1;
    uint32_t width = 0, height = 0;
    std::vector<std::vector<uint8_t>> transforms;
    // Every tile's location names the first tile's bytes (tiles that overlap).
    bool bShareData = false;
};
std::vector<uint8_t> WriteHeif(const HeifLayout& layout);

std::vector<uint8_t> IrotBox(int quartersAnticlockwise);
std::vector<uint8_t> ImirBox(bool bLeftRight);
// A clean aperture box: width, height and the centre's offsets, each a
// numerator over a denominator of 1.
std::vector<uint8_t> ClapBox(uint32_t width, uint32_t height, int32_t horizontalOffset, int32_t verticalOffset);

// The coded picture with its stream rewritten to claim a width x height
// picture: the HEVC sequence parameter sets or the AV1 sequence headers,
// in its configuration box and in its data. The rest of the stream and the
// 'ispe' (picture.width, picture.height) stay as they were. False when the
// stream cannot be read.
bool WithCodedSize(CodedPicture& picture, uint32_t width, uint32_t height);

// A colour box of type 'nclx' (H.273 code points).
std::vector<uint8_t> NclxBox(int primaries, int transfer, int matrix, bool bFullRange);

// A lossless WebP file of one colour, width x height (up to 16384 a side),
// in a few dozen bytes: every prefix code has a single symbol, so the
// pixels take no bits, yet a decoder holds the whole picture.
std::vector<uint8_t> FlatLosslessWebp(int width, int height, uint8_t red, uint8_t green, uint8_t blue);

// A copy of the pixels' rectangle (x, y, w, h), clipped to them.
Pixels Crop(const Pixels& px, int x, int y, int w, int h);

}  // namespace mv::test
