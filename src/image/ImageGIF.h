#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/Image.h"

namespace mv {

class ByteSource;

// The first frame of a GIF file as a 24-bit bottom-up picture the size of
// the GIF's screen: the frame's pixels through its colour table (its own or
// the file's), its transparent colour and the rest of the screen in the
// background colour given in the limits. A frame that reaches outside its
// screen, a missing colour table, a truncated file and anything giflib
// reports as an error give an invalid picture.
class ImageGIF : public Image {
public:
    explicit ImageGIF(const std::string& sPath, const DecodeLimits& limits = DecodeLimits());
    static ImageGIF FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits = DecodeLimits());
    static ImageGIF FromSource(ByteSource& src, const DecodeLimits& limits = DecodeLimits());
    // The screen's size from the file's header alone.
    static bool ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits = DecodeLimits());

private:
    ImageGIF() = default;
    void Decode(ByteSource& src, const DecodeLimits& limits);
};

}  // namespace mv
