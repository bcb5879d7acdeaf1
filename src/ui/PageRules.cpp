#include "ui/PageRules.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace mv {

IntFieldResult ParseIntField(const std::string& sText) {
    IntFieldResult r;
    size_t i = 0, n = sText.size();
    while (i < n && std::isspace(static_cast<unsigned char>(sText[i]))) ++i;
    size_t start = i;
    if (i < n && (sText[i] == '-' || sText[i] == '+')) ++i;
    size_t digits = i;
    while (i < n && std::isdigit(static_cast<unsigned char>(sText[i]))) ++i;
    size_t end = i;
    while (i < n && std::isspace(static_cast<unsigned char>(sText[i]))) ++i;
    if (end == digits || i != n) {
        r.sMessage = kNotAnInteger;
        return r;
    }
    errno = 0;
    long long v = std::strtoll(sText.substr(start, end - start).c_str(), nullptr, 10);
    if (errno == ERANGE || v > INT32_MAX || v < INT32_MIN) {
        r.sMessage = kNotAnInteger;
        return r;
    }
    r.ok = true;
    r.value = static_cast<int32_t>(v);
    return r;
}

std::string IntRangeMessage(int32_t lo, int32_t hi) {
    return "Please enter an integer between " + std::to_string(lo) + " and " + std::to_string(hi) + ".";
}

IntFieldResult ParseIntField(const std::string& sText, int32_t lo, int32_t hi) {
    IntFieldResult r = ParseIntField(sText);
    if (r.ok && (r.value < lo || r.value > hi)) {
        r.ok = false;
        r.sMessage = IntRangeMessage(lo, hi);
    }
    return r;
}

void ItemWidths::Insert(int index, int width) {
    if (index < 0 || index > static_cast<int>(m_widths.size())) index = static_cast<int>(m_widths.size());
    m_widths.insert(m_widths.begin() + index, width);
    m_largest = std::max(m_largest, width);
}

void ItemWidths::Erase(int index) {
    if (index < 0 || index >= static_cast<int>(m_widths.size())) return;
    int removed = m_widths[static_cast<size_t>(index)];
    m_widths.erase(m_widths.begin() + index);
    if (removed >= m_largest)
        m_largest = m_widths.empty() ? 0 : *std::max_element(m_widths.begin(), m_widths.end());
}

void ItemWidths::Assign(std::vector<int> widths) {
    m_widths = std::move(widths);
    m_largest = m_widths.empty() ? 0 : std::max(0, *std::max_element(m_widths.begin(), m_widths.end()));
}

int AverageCharWidth(int alphabetWidth) { return (alphabetWidth / 26 + 1) / 2; }
int TabStopPixels(int dialogUnits, int averageCharWidth) { return (dialogUnits * averageCharWidth + 2) / 4; }

OptionsValues OptionsFromSettings(const Settings& s) {
    OptionsValues v;
    v.ShowToolTips = s.ShowToolTips;
    v.AutoStart = s.AutoStart;
    v.ChangeOnStartup = s.ChangeOnStartup;
    v.ExitAfterChange = s.ExitAfterChange;
    v.UseTransparentIcons = s.UseTransparentIcons;
    v.TestForScreensaver = s.TestForScreensaver;
    v.ChooseIconColor = s.ChooseIconColor;
    v.DontChange = s.DontChange;
    v.CreateSeamless = s.CreateSeamless;
    v.Hours = static_cast<int32_t>(s.Hours);
    v.Minutes = static_cast<int32_t>(s.Minutes);
    v.TilePercentage = static_cast<int32_t>(s.TilePercentage);
    v.StretchPercentage = static_cast<int32_t>(s.StretchPercentage);
    v.HoursFrom = static_cast<int32_t>(s.HoursFrom);
    v.MinutesFrom = static_cast<int32_t>(s.MinutesFrom);
    v.AMPMFrom = static_cast<int32_t>(s.AMPMFrom);
    v.HoursTo = static_cast<int32_t>(s.HoursTo);
    v.MinutesTo = static_cast<int32_t>(s.MinutesTo);
    v.AMPMTo = static_cast<int32_t>(s.AMPMTo);
    v.BackgroundColor = s.BackgroundColor & 0xFFFFFF;
    v.IconTextColor = s.IconTextColor & 0xFFFFFF;
    v.SmartTiling = s.SmartTiling >= 0 && s.SmartTiling <= 2 ? s.SmartTiling : -1;
    return v;
}

void StoreOptions(const OptionsValues& v, Settings& s, bool bUninstalling) {
    s.ShowToolTips = v.ShowToolTips;
    s.AutoStart = v.AutoStart && !bUninstalling;  // the uninstall step wins over the copy
    s.ChangeOnStartup = v.ChangeOnStartup;
    s.ExitAfterChange = v.ExitAfterChange;
    s.UseTransparentIcons = v.UseTransparentIcons;
    s.TestForScreensaver = v.TestForScreensaver;
    s.ChooseIconColor = v.ChooseIconColor;
    int32_t minutes = v.Minutes;
    if (v.Hours == 0 && minutes == 0) minutes = 1;  // the interval is never zero
    s.Hours = static_cast<uint32_t>(v.Hours);
    s.Minutes = static_cast<uint32_t>(minutes);
    s.DontChange = v.DontChange;
    s.CreateSeamless = v.CreateSeamless;
    s.HoursFrom = static_cast<uint32_t>(v.HoursFrom);
    s.MinutesFrom = static_cast<uint32_t>(v.MinutesFrom);
    s.AMPMFrom = static_cast<uint32_t>(v.AMPMFrom);
    s.HoursTo = static_cast<uint32_t>(v.HoursTo);
    s.MinutesTo = static_cast<uint32_t>(v.MinutesTo);
    s.AMPMTo = static_cast<uint32_t>(v.AMPMTo);
    s.BackgroundColor = v.BackgroundColor;
    s.IconTextColor = v.IconTextColor;
    s.TilePercentage = static_cast<uint32_t>(v.TilePercentage);
    s.StretchPercentage = static_cast<uint32_t>(std::max(v.TilePercentage, v.StretchPercentage));
    if (v.SmartTiling >= 0) s.SmartTiling = v.SmartTiling;
}

}  // namespace mv
