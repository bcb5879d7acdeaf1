#include "ui/PreviewRules.h"

#include <algorithm>
#include <cstdint>

namespace mv {

int ScreenSharePercent(int width, int height, int screenWidth, int screenHeight) {
    const float fScreen = static_cast<float>(screenWidth) * static_cast<float>(screenHeight);
    if (fScreen == 0.0f) return -1;
    const float fPicture = static_cast<float>(width) * static_cast<float>(height);
    const float fPct = fPicture / fScreen * 100.0f;
    if (!(fPct < 2147483647.0f)) return 2147483647;
    return static_cast<int>(fPct);
}

PreviewLayout SuggestedLayout(int pct, int tilePercentage, int stretchPercentage, bool bCreateSeamless) {
    if (pct < tilePercentage) return bCreateSeamless ? PreviewLayout::TiledSeamlessly : PreviewLayout::Tiled;
    if (pct > stretchPercentage) return PreviewLayout::Stretched;
    return PreviewLayout::Centered;
}

std::string PreviewExtension(const std::string& sPath) {
    size_t dot = sPath.rfind('.');
    return dot == std::string::npos ? std::string() : sPath.substr(dot + 1);
}

void FitPreview(int width, int height, int areaWidth, int areaHeight, int& outWidth, int& outHeight) {
    outWidth = width;
    outHeight = height;
    if (width <= 0 || height <= 0 || (width <= areaWidth && height <= areaHeight)) return;
    if (areaWidth <= 0 || areaHeight <= 0) {
        outWidth = outHeight = 0;
        return;
    }
    const bool bTall = height >= width;
    const int64_t longer = bTall ? height : width, shorter = bTall ? width : height;
    const int64_t longExtent = bTall ? areaHeight : areaWidth, shortExtent = bTall ? areaWidth : areaHeight;
    int64_t newLonger = longExtent;
    int64_t newShorter = shorter * newLonger / longer;
    if (newShorter > shortExtent) {
        const int64_t s1 = newShorter, l1 = newLonger;
        newShorter = shortExtent;
        newLonger = s1 > 0 ? shortExtent * l1 / s1 : 0;
    }
    // A thin panorama shrinks to a line, not to nothing.
    newShorter = std::max<int64_t>(newShorter, 1);
    newLonger = std::max<int64_t>(newLonger, 1);
    outWidth = static_cast<int>(bTall ? newShorter : newLonger);
    outHeight = static_cast<int>(bTall ? newLonger : newShorter);
}

PictureFit PreviewFit(int width, int height, int screenWidth, int screenHeight, bool bStretched,
                      uint32_t pictureFit) {
    if (!bStretched) return PictureFit::Stretch;
    return ResolvePictureFit(Size{width, height}, Size{screenWidth, screenHeight}, PictureFitFromValue(pictureFit));
}

}  // namespace mv
