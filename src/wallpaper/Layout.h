#pragma once
#include <cstdint>

namespace mv {

// How a picture is laid out on the screen, and what the shell is told.
struct LayoutDecision {
    bool bTiling = false;
    bool bStretch = false;
    int iTileFlag = 0;  // TileWallpaper: 0 or 1
    int iStyle = 0;     // WallpaperStyle: 0 or 2
};

struct ForcedLayout {
    bool bForcePosition = false;
    bool bDoTiling = false;
    bool bDoStretching = false;
    bool bDoTileSeamless = false;
};

// Forced layout first, then a GIF handed to the shell (always tiled), then the
// percentage rule: tiled below TilePercentage, stretched above
// StretchPercentage, both comparisons strict. A zero screen area leaves
// everything centred.
LayoutDecision DecideLayout(const ForcedLayout& forced, bool bIsGif, uint64_t pictureArea,
                            uint64_t screenArea, uint32_t uTilePercentage, uint32_t uStretchPercentage);

// Smart tiling for one axis: 0 keeps the tile, 1 always fits a whole number
// of tiles, anything else fits only when the count is within 0.125 of whole.
// A tile more than twice the screen (rounded count 0) keeps its size.
int FitTileSize(int screenExtent, int tileExtent, int32_t smartTiling);

}  // namespace mv
