#include "shell/MonitorPicks.h"

#include <deque>

namespace mv {

bool PictureFitsMonitor(const std::optional<Size>& picture, const Monitor& monitor) {
    if (!picture || picture->cx <= 0 || picture->cy <= 0) return false;
    if (picture->cx == picture->cy) return true;
    return monitor.IsPortrait() ? picture->cy > picture->cx : picture->cx > picture->cy;
}

std::vector<std::string> PickPictures(const MonitorLayout& layout, bool bMatchShape, const PictureSource& source) {
    std::vector<std::string> picks;
    // Drawn, not taken yet: later monitors look at them first.
    std::deque<std::string> drawn;
    auto draw = [&]() -> std::optional<std::string> {
        if (source.count == 0) return std::nullopt;
        std::string sPath = source.next();
        if (sPath.empty()) return std::nullopt;
        return sPath;
    };
    auto fits = [&](const std::string& sPath, const Monitor& m) {
        return PictureFitsMonitor(source.size ? source.size(sPath) : std::nullopt, m);
    };
    for (const Monitor& m : layout.monitors) {
        std::optional<std::string> chosen;
        if (bMatchShape) {
            size_t looked = 0;
            for (auto it = drawn.begin(); it != drawn.end() && looked < kShapeLookahead; ++it, ++looked)
                if (fits(*it, m)) {
                    chosen = *it;
                    drawn.erase(it);
                    break;
                }
            while (!chosen && looked < kShapeLookahead) {
                std::optional<std::string> next = draw();
                if (!next) break;
                ++looked;
                if (fits(*next, m))
                    chosen = next;
                else
                    drawn.push_back(*next);
            }
        }
        if (!chosen && !drawn.empty()) {
            chosen = drawn.front();
            drawn.pop_front();
        }
        if (!chosen) chosen = draw();
        picks.push_back(chosen.value_or(std::string()));
    }
    return picks;
}

std::vector<Size> FractalSizes(const MonitorLayout& layout, uint32_t uMode) {
    std::vector<Size> sizes;
    if (layout.monitors.empty()) return sizes;
    switch (MultipleMonitorsModeOf(uMode)) {
    case kSamePictureEverywhere: {
        const Monitor& p = layout.Primary();
        sizes.push_back({p.rect.Width(), p.rect.Height()});
        break;
    }
    case kOnePictureAcross: {
        const Rect b = layout.Bounds();
        sizes.push_back({b.Width(), b.Height()});
        break;
    }
    case kPicturePerMonitor:
    default:
        for (const Monitor& m : layout.monitors) sizes.push_back({m.rect.Width(), m.rect.Height()});
        break;
    }
    return sizes;
}

}  // namespace mv
