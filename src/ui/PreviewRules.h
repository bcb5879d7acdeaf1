#pragma once
#include <cstdint>
#include <string>

#include "wallpaper/PictureFit.h"

namespace mv {

// The rules of the preview dialog, apart from its windows.

// The share of the screen a picture covers, in percent: the two products
// taken in single precision, the quotient times 100 truncated. -1 when the
// screen has no area.
int ScreenSharePercent(int width, int height, int screenWidth, int screenHeight);

enum class PreviewLayout { Centered, Tiled, TiledSeamlessly, Stretched };

// The layout the composition would choose by the thresholds alone: tiling
// (seamless when asked for) below the tile percentage wins over stretching
// above the stretch percentage; smart tiling plays no part.
PreviewLayout SuggestedLayout(int pct, int tilePercentage, int stretchPercentage, bool bCreateSeamless);

// The text after the last "." of a path; empty when there is none.
std::string PreviewExtension(const std::string& sPath);

// The size a picture is drawn at in the preview area, in integer arithmetic:
// its own size when it fits, else shrunk to fit keeping its proportions.
void FitPreview(int width, int height, int areaWidth, int areaHeight, int& outWidth, int& outHeight);

// How the preview shows a picture: as the wallpaper will place it on the
// screen (Fill, Fit or FitBlurred, drawn in the screen's shape) when the
// stretched layout is chosen and the PictureFit setting keeps the picture's
// shape; otherwise Stretch, drawn in the picture's own shape as always.
PictureFit PreviewFit(int width, int height, int screenWidth, int screenHeight, bool bStretched,
                      uint32_t pictureFit);

}  // namespace mv
