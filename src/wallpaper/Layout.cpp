#include "wallpaper/Layout.h"

#include <cmath>

namespace mv {

LayoutDecision DecideLayout(const ForcedLayout& forced, bool bIsGif, uint64_t pictureArea,
                            uint64_t screenArea, uint32_t uTilePercentage, uint32_t uStretchPercentage) {
    LayoutDecision d;
    if (screenArea == 0) return d;
    if (forced.bForcePosition) {
        d.bTiling = forced.bDoTiling || forced.bDoTileSeamless;
        d.bStretch = forced.bDoStretching;
        if (d.bTiling) d.iTileFlag = 1;
        if (d.bStretch) d.iStyle = 2;
    } else if (bIsGif) {
        d.bTiling = true;
        d.iTileFlag = 1;
    } else {
        // p = picture / screen x 100, compared exactly: a picture of exactly
        // TilePercentage percent is not tiled, one of exactly StretchPercentage
        // percent is not stretched (single-precision division would blur both).
        const long double p100 = static_cast<long double>(pictureArea) * 100.0L;
        const long double tile = static_cast<long double>(uTilePercentage) * screenArea;
        const long double stretch = static_cast<long double>(uStretchPercentage) * screenArea;
        if (tile > p100) {
            d.bTiling = true;
            d.iTileFlag = 1;
        }
        if (p100 > stretch) {
            d.bStretch = true;
            d.iStyle = 2;
        }
    }
    return d;
}

int FitTileSize(int screenExtent, int tileExtent, int32_t smartTiling) {
    if (smartTiling == 0 || tileExtent <= 0 || screenExtent <= 0) return tileExtent;
    int n = static_cast<int>(static_cast<double>(screenExtent) / tileExtent + 0.5);
    if (n == 0) return tileExtent;
    if (smartTiling == 1) return screenExtent / n;
    double ratio = static_cast<double>(screenExtent) / tileExtent;
    if (std::fabs(ratio - n) < static_cast<double>(0.125f)) return screenExtent / n;
    return tileExtent;
}

}  // namespace mv
