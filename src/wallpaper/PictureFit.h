#pragma once
#include <cstdint>

#include "Patterns/Color.h"
#include "image/Image.h"
#include "platform/Environment.h"
#include "wallpaper/MonitorLayout.h"

namespace mv {

// How a picture that covers an area is made to cover it (the PictureFit
// registry value).
enum class PictureFit {
    Stretch = 0,     // scaled to the area's exact size, whatever its shape
    Fill = 1,        // scaled to cover the area, shape kept, the overflow cut
    Fit = 2,         // scaled to fit inside the area, shape kept, on the background colour
    FitBlurred = 3,  // as Fit, over a blurred, darkened copy of the picture that covers the area
    Automatic = 4,   // Fill when it cuts little, otherwise FitBlurred
};
constexpr PictureFit kDefaultPictureFit = PictureFit::Automatic;

// The stored value as a mode; anything out of range is Automatic.
PictureFit PictureFitFromValue(uint32_t value);

// Shapes within 1 %: the larger of the two aspect ratios (width / height)
// is at most 1.01 times the smaller. Such a picture is stretched in every
// mode. Exact integer comparison; false for an empty size.
bool ShapesMatch(Size picture, Size area);

// Filling cuts away at most 30 % of the picture's area: the smaller of the
// two aspect ratios is at least 0.7 times the larger.
bool FillCutsLittle(Size picture, Size area);

// The mode actually used: Stretch when the shapes match (or when asked),
// Automatic turned into Fill or FitBlurred; otherwise the mode asked for.
PictureFit ResolvePictureFit(Size picture, Size area, PictureFit requested);

// The whole picture scaled to cover the area (Fill) or to fit inside it
// (Fit), its shape kept: one side equals the area's, the other rounded to
// the nearest pixel and at least 1.
Size CoverSize(Size picture, Size area);
Size FitInsideSize(Size picture, Size area);

// Where a picture goes in an area.
struct FitPlacement {
    PictureFit mode = PictureFit::Stretch;  // as resolved: never Automatic
    Rect crop;    // the part of the picture shown, in its own pixels (the whole picture unless Fill)
    Rect placed;  // where that part lands in the area (the whole area unless Fit or FitBlurred)
};

// The placement with the crop centred along the cut axis. `original` is the
// picture's size as stored, which decides the mode (a picture decoded at a
// reduced size keeps its mode); `decoded` is the size of the pixels at hand,
// in which the crop is given.
FitPlacement PlaceFitted(Size original, Size decoded, Size area, PictureFit requested);

// Where the kept window of `keep` pixels starts along the cut axis of the
// picture (horizontal when keep.cx < the picture's width, else vertical),
// chosen by where the picture's detail, colour and skin tones lie, measured
// on a copy of at most 256 x 256 pixels. A picture without a clear subject
// (flat, or as detailed everywhere) gets the middle: (extent - keep) / 2.
// Always within [0, extent - keep].
int InterestingCropStart(const Image& picture, Size keep);

// PlaceFitted with a Fill crop moved to InterestingCropStart.
FitPlacement PlaceFittedByInterest(const Image& decoded, Size original, Size area, PictureFit requested);

// The size the decoder should make of a picture of `original` pixels for this
// mode: the scaled size the mode needs where that is smaller than the picture
// (for Stretch the area as soon as the picture exceeds it on either axis, as
// the change always did), otherwise the picture's own size.
Size DecodeSizeForFit(Size original, Size area, PictureFit requested);

// The area-sized picture. Stretch is exactly ComposeCentredOrStretched's
// stretch; Fill crops then scales to cover the area; Fit centres the scaled
// picture on the background colour; FitBlurred centres it over a blurred,
// darkened copy that covers the area. Invalid for an invalid or non-24-bit
// picture, an empty area, or a lack of memory.
Image ComposeFitted(const Image& picture, Size area, PictureFit requested, Color background);
// The same from a picture decoded at a reduced size (DecodeSizeForFit);
// `original` is its size as stored, which decides the mode.
Image ComposeFittedDecoded(const Image& decoded, Size original, Size area, PictureFit requested, Color background);

// The backdrop of FitBlurred alone: the picture's cover of the area, from a
// small copy, box-blurred, darkened, and scaled up to the area; only pixels
// outside `keepOut` are written (the rest of `out` is left as it was).
void DrawBlurredBackdrop(const Image& picture, Image& out, const Rect& keepOut);

}  // namespace mv
