#pragma once
#include "Patterns/Color.h"
#include "image/Image.h"
#include "platform/Environment.h"

namespace mv {

// The tile repeated over a screen-sized picture, rows top to bottom, each
// left to right; the tile is first fitted with FitTileSize on each axis.
Image ComposeTiledScreen(const Image& tile, Size screen, int32_t smartTiling);

// A screen-sized picture with the picture stretched over it, or centred on
// the background colour (a larger picture is cut on all sides).
Image ComposeCentredOrStretched(const Image& picture, bool bStretch, Size screen, Color background);

// Copies src into dst with its top-left corner at (x, y), clipped to dst.
void Blit24(const Image& src, Image& dst, int x, int y);

// The seamless tile: the picture with a tenth cut from each side, the cut
// strips blended into the opposite edges.
Image MakeSeamlessTile(const Image& picture);
float Bilerp(float c00, float c10, float c01, float c11, float x, float y);

}  // namespace mv
