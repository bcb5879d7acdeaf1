#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Patterns/Color.h"
#include "config/Settings.h"

namespace mv {

// ---------------------------------------------------------------- Colors page

// The colour shown beside hue slider i, and the black and white ends of the
// brightness slider.
extern const std::array<Color, 12> kHueSampleColors;

// The tool tips of the twelve hue sliders, which depend on the display's
// depth: on 256 colours or fewer the samples cannot show their colour, so
// each slider names its own colour and the note under the sliders is shown.
struct HueTips {
    bool bShowNote = false;
    std::array<const char*, 12> tips{};
};
HueTips HueTipsForDepth(int iBitsPerPixel);
constexpr const char* kBrightnessTip =
    "Slide to the left to make the fractals darker, or to the right to make them brighter";

// A slider position for a weight or brightness: truncated toward zero and
// held to the slider's range 0..100 (NaN gives 0).
int SliderPosition(float value);

// What the Colors page shows for the record, and what "Reset to defaults" shows.
struct ColorsValues {
    std::array<int, 12> weights{};
    int brightness = 0;
};
ColorsValues ColorsFromSettings(const Settings& s);
ColorsValues DefaultColors(const Settings& s);
// OK: the slider positions become the weights and the brightness.
void StoreColors(const ColorsValues& v, Settings& s);

// ---------------------------------------------------------------- Date page

// The Date page's copies of the values it edits.
struct DateValues {
    bool ShowDate = false;
    bool Bold = false;
    bool Italics = false;
    int32_t FontSize = 12;
};
DateValues DateFromSettings(const Settings& s);

// The sample's font height: a character height of 12 points at 1.2 times the
// usual conversion, -(dpi x 12 / 60); the size field plays no part.
int DateSampleFontHeight(int iLogPixelsY);

// Position from the five radio buttons in the order top left, top right,
// bottom left, bottom right, centred: the first checked one; the record's
// value when none is checked.
uint32_t PositionFromChecks(const std::array<bool, 5>& checked, uint32_t uCurrent);

// Copies the page's values and Position into the record.
void StoreDate(const DateValues& v, const std::array<bool, 5>& positionChecks, Settings& s);

}  // namespace mv
