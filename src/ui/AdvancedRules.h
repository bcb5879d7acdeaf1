#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/Settings.h"
#include "wallpaper/MonitorLayout.h"

namespace mv {

// ---------------------------------------------------------------- Advanced page

// The Advanced page's copies of the values it edits.
struct AdvancedValues {
    MultipleMonitorsMode MultipleMonitors = kPicturePerMonitor;
    bool MatchMonitorShape = true;
    bool PauseFullScreen = true;
    bool PauseBatterySaver = true;
    bool PauseLocked = true;
    int32_t HistorySize = 50;  // 0..Settings::kMaxHistorySize, checked when the page is left
    uint32_t PictureFit = 4;   // the PictureFit value, 0..4
};

// The fit drop-down lists automatic first and stretch last: its item for a
// PictureFit value (anything out of range is automatic), and the value of
// an item (no selection, or one past the list, is automatic).
constexpr int kFitChoices = 5;
int FitChoiceIndex(uint32_t pictureFit);
uint32_t FitChoiceValue(int index);

// A stored MultipleMonitors outside 0..2 shows as a picture per monitor.
AdvancedValues AdvancedFromSettings(const Settings& s);
void StoreAdvanced(const AdvancedValues& v, Settings& s);

// "Show excluded pictures again": the question that confirms it, with the
// number of pictures and the collection's name, or the note that there are
// none to show again.
std::string ShowExcludedQuestion(const std::string& sCollection, size_t count);
std::string NoExcludedNote(const std::string& sCollection);

// Matching a picture's shape to its monitor only means something when each
// monitor gets a picture of its own.
inline bool MatchShapeApplies(MultipleMonitorsMode mode) { return mode == kPicturePerMonitor; }

// One monitor of the layout drawing: where it goes in the drawing, its number
// (1, 2, 3 ... in the system's order) and whether it is the primary monitor.
struct MonitorTile {
    Rect rect;
    int number = 0;
    bool bPrimary = false;
};

// The monitors scaled into box, all by one factor so that their sizes and
// relative positions are kept, and centred in it. Neighbouring monitors
// share their edges exactly. Nothing for an empty layout or box.
std::vector<MonitorTile> FitMonitors(const MonitorLayout& layout, const Rect& box);

}  // namespace mv
