#pragma once
#include "image/Image.h"

namespace mv {

// Resizes a 24-bit picture: each axis is averaged over the covered area when
// it shrinks and interpolated bilinearly when it grows (never the AND of
// neighbouring pixels that a default GDI stretch would give). Row by row
// through RowResampler: no full-height intermediate.
Image Resample24(const Image& src, int width, int height);

}  // namespace mv
