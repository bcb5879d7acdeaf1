#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/Settings.h"

namespace mv {

// ---------------------------------------------------------------- fields

// What reading a number field gives: the value, or the message that tells
// the user what is wrong with the text.
struct IntFieldResult {
    bool ok = false;
    int32_t value = 0;
    std::string sMessage;  // empty when ok
};

constexpr const char* kNotAnInteger = "Please enter an integer.";

// Reads a whole number as a dialog's integer exchange does: optional white
// space and sign, decimal digits, optional trailing white space. With a
// range, a number outside [lo, hi] gives "Please enter an integer between
// lo and hi.".
IntFieldResult ParseIntField(const std::string& sText);
IntFieldResult ParseIntField(const std::string& sText, int32_t lo, int32_t hi);
std::string IntRangeMessage(int32_t lo, int32_t hi);

// ---------------------------------------------------------------- list widths

// The widths a horizontally scrolling list box keeps: one per item in item
// order, and the largest of them, which is the list's horizontal extent.
class ItemWidths {
public:
    void Insert(int index, int width);
    // Removes the width at index; recomputes the largest when the removed
    // width was the largest.
    void Erase(int index);
    void Clear() { m_widths.clear(); m_largest = 0; }
    void Assign(std::vector<int> widths);
    int Largest() const { return m_largest; }
    const std::vector<int>& Widths() const { return m_widths; }

private:
    std::vector<int> m_widths;
    int m_largest = 0;
};

// The average character width of a font, from the pixel width of the 52
// letters A..Z a..z, and one tab stop in dialog units converted to pixels.
int AverageCharWidth(int alphabetWidth);
int TabStopPixels(int dialogUnits, int averageCharWidth);

// ---------------------------------------------------------------- Options page

// The Options page's copies of the values it edits, as read from its controls.
struct OptionsValues {
    bool ShowToolTips = true;
    bool AutoStart = true;
    bool ChangeOnStartup = true;
    bool ExitAfterChange = false;
    bool UseTransparentIcons = true;
    bool TestForScreensaver = true;
    bool ChooseIconColor = true;
    bool DontChange = false;
    bool CreateSeamless = true;
    int32_t Hours = 0;
    int32_t Minutes = 30;
    int32_t TilePercentage = 40;
    int32_t StretchPercentage = 60;
    int32_t HoursFrom = 8;
    int32_t MinutesFrom = 0;
    int32_t AMPMFrom = 1;
    int32_t HoursTo = 8;
    int32_t MinutesTo = 0;
    int32_t AMPMTo = 0;
    Color BackgroundColor = 0;
    Color IconTextColor = kWhite;
    int32_t SmartTiling = -1;  // -1: no button checked
};

OptionsValues OptionsFromSettings(const Settings& s);
// Copies the page's values into the record: an interval of 0 h 0 min becomes
// 1 minute, the stretch percentage is at least the tile percentage, and
// SmartTiling keeps its value when no button is checked. Once the uninstall
// step has been taken (bUninstalling), the program no longer starts with
// Windows, whatever the page's copy of AutoStart says.
void StoreOptions(const OptionsValues& v, Settings& s, bool bUninstalling);

}  // namespace mv
