#include "ui/AdvancedRules.h"

#include <algorithm>
#include <cmath>

namespace mv {

AdvancedValues AdvancedFromSettings(const Settings& s) {
    AdvancedValues v;
    v.MultipleMonitors = MultipleMonitorsModeOf(s.MultipleMonitors);
    v.MatchMonitorShape = s.MatchMonitorShape;
    v.PauseFullScreen = s.PauseFullScreen;
    v.PauseBatterySaver = s.PauseBatterySaver;
    v.PauseLocked = s.PauseLocked;
    v.HistorySize = static_cast<int32_t>(std::min(s.HistorySize, Settings::kMaxHistorySize));
    v.PictureFit = FitChoiceValue(FitChoiceIndex(s.PictureFit));
    return v;
}

namespace {
// The values in the drop-down's order.
constexpr uint32_t kFitOrder[kFitChoices] = {4, 1, 2, 3, 0};
}  // namespace

int FitChoiceIndex(uint32_t pictureFit) {
    for (int i = 0; i < kFitChoices; ++i)
        if (kFitOrder[i] == pictureFit) return i;
    return 0;
}

uint32_t FitChoiceValue(int index) { return index >= 0 && index < kFitChoices ? kFitOrder[index] : 4; }

void StoreAdvanced(const AdvancedValues& v, Settings& s) {
    s.MultipleMonitors = MultipleMonitorsModeOf(v.MultipleMonitors);
    s.MatchMonitorShape = v.MatchMonitorShape;
    s.PauseFullScreen = v.PauseFullScreen;
    s.PauseBatterySaver = v.PauseBatterySaver;
    s.PauseLocked = v.PauseLocked;
    s.PictureFit = v.PictureFit <= 4 ? v.PictureFit : 4;
    s.HistorySize = static_cast<uint32_t>(
        std::clamp<int32_t>(v.HistorySize, 0, static_cast<int32_t>(Settings::kMaxHistorySize)));
}

std::string ShowExcludedQuestion(const std::string& sCollection, size_t count) {
    const std::string sWhat = count == 1 ? "the excluded picture" : "the " + std::to_string(count) + " excluded pictures";
    return "Show " + sWhat + " of the collection \"" + sCollection + "\" again?";
}

std::string NoExcludedNote(const std::string& sCollection) {
    return "The collection \"" + sCollection + "\" has no excluded pictures.";
}

std::vector<MonitorTile> FitMonitors(const MonitorLayout& layout, const Rect& box) {
    std::vector<MonitorTile> tiles;
    const Rect bounds = layout.Bounds();
    if (bounds.IsEmpty() || box.IsEmpty()) return tiles;
    const double scale = std::min(static_cast<double>(box.Width()) / bounds.Width(),
                                  static_cast<double>(box.Height()) / bounds.Height());
    // The scaled layout's top-left corner, which centres it in the box.
    const double x0 = box.left + (box.Width() - bounds.Width() * scale) / 2;
    const double y0 = box.top + (box.Height() - bounds.Height() * scale) / 2;
    // Every edge goes through the same mapping, so monitors that touch on
    // the desktop touch in the drawing.
    auto mapX = [&](int x) { return static_cast<int>(std::lround(x0 + (x - bounds.left) * scale)); };
    auto mapY = [&](int y) { return static_cast<int>(std::lround(y0 + (y - bounds.top) * scale)); };
    const int primary = layout.PrimaryIndex();
    for (size_t i = 0; i < layout.monitors.size(); ++i) {
        const Rect& r = layout.monitors[i].rect;
        MonitorTile t;
        t.rect = {mapX(r.left), mapY(r.top), mapX(r.right), mapY(r.bottom)};
        t.number = static_cast<int>(i) + 1;
        t.bPrimary = static_cast<int>(i) == primary;
        tiles.push_back(t);
    }
    return tiles;
}

}  // namespace mv
