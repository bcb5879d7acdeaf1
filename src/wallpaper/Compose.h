#pragma once
#include "Patterns/Color.h"
#include "image/Image.h"
#include "platform/Environment.h"
#include "wallpaper/MonitorLayout.h"

namespace mv {

// The tile repeated over a screen-sized picture, rows top to bottom, each
// left to right; the tile is first fitted with FitTileSize on each axis.
Image ComposeTiledScreen(const Image& tile, Size screen, int32_t smartTiling);

// A screen-sized picture with the picture stretched over it, or centred on
// the background colour (a larger picture is cut on all sides).
Image ComposeCentredOrStretched(const Image& picture, bool bStretch, Size screen, Color background);

// Copies src into dst with its top-left corner at (x, y), clipped to dst.
void Blit24(const Image& src, Image& dst, int x, int y);

// The part of a 24-bit picture inside r (clipped to the picture); invalid
// when nothing is left.
Image Crop24(const Image& src, const Rect& r);

// A picture of the monitors' bounding rectangle (its top-left pixel at the
// rectangle's top-left corner) turned, in place, into the bitmap that shows
// each monitor its own part when applied with the arrangement: unchanged for
// the span style; rolled so the primary monitor's top-left corner (origin)
// is the bitmap's own for tiling, the monitors left of and above it wrapping
// round to the right and the bottom.
void ArrangeForShell(Image& canvas, const Rect& bounds, Point origin, WallpaperArrangement arrangement);
// The reverse: a bitmap written that way back to the bounding rectangle's order.
void UnarrangeForShell(Image& bitmap, const Rect& bounds, Point origin, WallpaperArrangement arrangement);

// The seamless tile: the picture with a tenth cut from each side, the cut
// strips blended into the opposite edges.
Image MakeSeamlessTile(const Image& picture);
float Bilerp(float c00, float c10, float c01, float c11, float x, float y);

}  // namespace mv
