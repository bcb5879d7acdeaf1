#include "ui/ColorsDateRules.h"

namespace mv {

const std::array<Color, 12> kHueSampleColors = {
    MakeRGB(255, 1, 1),   MakeRGB(255, 132, 1), MakeRGB(246, 255, 1), MakeRGB(115, 255, 1),
    MakeRGB(1, 255, 19),  MakeRGB(1, 255, 150), MakeRGB(1, 228, 255), MakeRGB(1, 97, 255),
    MakeRGB(37, 1, 255),  MakeRGB(192, 1, 255), MakeRGB(255, 1, 180), MakeRGB(255, 1, 79)};

HueTips HueTipsForDepth(int iBitsPerPixel) {
    static const char* const kShared = "Slide to the right to use more of this color";
    static const std::array<const char*, 12> kNamed = {
        kShared,        "Actually orange", "Yellow",      "Lime green", "Bright green", "Actually light green",
        "Cyan",         "Blue",            "Bright blue", "Violet",     "Magenta",      "Slightly bluish red"};
    HueTips t;
    t.bShowNote = iBitsPerPixel <= 8;
    for (size_t i = 0; i < t.tips.size(); ++i) t.tips[i] = t.bShowNote ? kNamed[i] : kShared;
    return t;
}

int SliderPosition(float value) {
    if (!(value > 0.0f)) return 0;  // also NaN
    if (value >= 100.0f) return 100;
    return static_cast<int>(value);
}

ColorsValues ColorsFromSettings(const Settings& s) {
    ColorsValues v;
    for (size_t i = 0; i < v.weights.size(); ++i) v.weights[i] = SliderPosition(s.Colors[i]);
    v.brightness = SliderPosition(static_cast<float>(s.Brightness));
    return v;
}

ColorsValues DefaultColors(const Settings& s) {
    ColorsValues v;
    for (size_t i = 0; i < v.weights.size(); ++i) v.weights[i] = SliderPosition(s.DefaultColors[i]);
    v.brightness = SliderPosition(static_cast<float>(s.DefaultBrightness));
    return v;
}

void StoreColors(const ColorsValues& v, Settings& s) {
    for (size_t i = 0; i < v.weights.size(); ++i) s.Colors[i] = static_cast<float>(v.weights[i]);
    s.Brightness = v.brightness;
}

DateValues DateFromSettings(const Settings& s) {
    DateValues v;
    v.ShowDate = s.ShowDate;
    v.Bold = s.Bold;
    v.Italics = s.Italics;
    v.FontSize = static_cast<int32_t>(s.FontSize);
    return v;
}

int DateSampleFontHeight(int iLogPixelsY) { return -(iLogPixelsY * 12 / 60); }

uint32_t PositionFromChecks(const std::array<bool, 5>& checked, uint32_t uCurrent) {
    for (size_t i = 0; i < checked.size(); ++i)
        if (checked[i]) return static_cast<uint32_t>(i);
    return uCurrent;
}

void StoreDate(const DateValues& v, const std::array<bool, 5>& positionChecks, Settings& s) {
    s.ShowDate = v.ShowDate;
    s.Bold = v.Bold;
    s.Italics = v.Italics;
    s.FontSize = static_cast<uint32_t>(v.FontSize);
    s.Position = PositionFromChecks(positionChecks, s.Position);
}

}  // namespace mv
