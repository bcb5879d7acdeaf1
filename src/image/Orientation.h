#pragma once
#include <cstdint>

#include "image/Image.h"

namespace mv {

class ByteSource;

// How a picture's stored pixels are turned to show it upright, as the EXIF
// orientation tag numbers it: 1 as stored, 2 mirrored left to right, 3 turned
// half round, 4 mirrored top to bottom, 5 mirrored along the main diagonal,
// 6 turned a quarter clockwise, 7 mirrored along the other diagonal, 8 turned
// a quarter anticlockwise. Any other value counts as 1.
int NormalOrientation(int iOrientation);
// Whether the upright picture has the stored picture's width as its height.
bool OrientationSwapsSides(int iOrientation);

// The upright picture of a 24-bit picture stored with the orientation (a
// copy even for 1); invalid when there is no memory for it.
Image Orient24(const Image& stored, int iOrientation);

// Puts the rows of a stored picture straight into their upright places as
// they come, so that a whole-picture decode never holds the stored and the
// turned picture at once.
class UprightWriter {
public:
    // Makes the upright picture for a stored picture of storedWidth x
    // storedHeight; Valid() is false when there is no memory for it.
    UprightWriter(int storedWidth, int storedHeight, int iOrientation);
    bool Valid() const { return m_upright.IsValid(); }
    // Stored row sy (counted from the top): storedWidth blue-green-red pixels.
    void Put(int sy, const uint8_t* bgr);
    Image& Upright() { return m_upright; }

private:
    int m_w, m_h, m_o;
    Image m_upright;
};

// The orientation tag of a JPEG file's EXIF block (the APP1 segment's first
// image directory), read without decoding; 1 when there is none or it cannot
// be read. Every offset is checked against the segment, and only the first
// directory is read, so no file makes it loop or read out of bounds.
int ReadJpegOrientation(ByteSource& src);

}  // namespace mv
