#pragma once
#include <functional>
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/Image.h"

namespace mv {

class ByteSource;

// A PNG file decoded to a 24-bit bottom-up picture: truecolour, palette and
// greyscale pictures, with or without alpha or a transparent colour, of any
// bit depth, interlaced or not. Transparency is composited onto red 31,
// green 127, blue 255; 16-bit channels keep their high byte.
class ImagePNG : public Image {
public:
    explicit ImagePNG(const std::string& sPath, const DecodeLimits& limits = DecodeLimits());
    static ImagePNG FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits = DecodeLimits());
    static ImagePNG FromSource(ByteSource& src, const DecodeLimits& limits = DecodeLimits());

    // The picture's size from its header alone.
    static bool ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits = DecodeLimits());
    // The picture resized to width x height, its rows resampled as they are
    // read (an interlaced picture is decoded whole first); the average colour
    // of the result goes to *pAverage. Invalid on any failure.
    static Image DecodeResized(ByteSource& src, int width, int height, Color* pAverage,
                               const DecodeLimits& limits = DecodeLimits());
    static constexpr Color kBackground = MakeRGB(31, 127, 255);

private:
    ImagePNG() = default;
    void Decode(ByteSource& src, const DecodeLimits& limits);
};

// Writes a 24-bit picture as a PNG file (8-bit truecolour); false on any
// failure, with what was written of the file left to the caller to remove.
bool SavePng(const Image& picture, const std::string& sPath);
// The same PNG handed to sink piece by piece; false on any failure, or as
// soon as sink returns false.
bool WritePng(const Image& picture, const std::function<bool(const void*, size_t)>& sink);

}  // namespace mv
