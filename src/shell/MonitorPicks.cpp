#include "shell/MonitorPicks.h"

#include <deque>

namespace mv {

bool PictureFitsMonitor(const std::optional<Size>& picture, const Monitor& monitor) {
    if (!picture || picture->cx <= 0 || picture->cy <= 0) return false;
    if (picture->cx == picture->cy) return true;
    return monitor.IsPortrait() ? picture->cy > picture->cx : picture->cx > picture->cy;
}

std::vector<std::string> PickPictures(const MonitorLayout& layout, bool bMatchShape, const PictureSource& source,
                                      InOrderWalk* pWalk) {
    std::vector<std::string> picks;
    // At random, what this change draws and does not take is dropped with it.
    InOrderWalk atRandom;
    InOrderWalk& walk = pWalk ? *pWalk : atRandom;
    const bool bInOrder = pWalk != nullptr;
    auto draw = [&]() -> std::optional<InOrderWalk::Waiting> {
        if (source.count == 0) return std::nullopt;
        std::string sPath = source.next();
        if (sPath.empty()) return std::nullopt;
        if (bInOrder) {
            if (walk.drawnInRound >= source.count || (walk.drawnInRound > 0 && sPath == walk.sRoundFirst)) {
                ++walk.round;
                walk.drawnInRound = 0;
            }
            if (walk.drawnInRound == 0) walk.sRoundFirst = sPath;
            ++walk.drawnInRound;
        }
        return InOrderWalk::Waiting{std::move(sPath), walk.round};
    };
    // The round the next draw belongs to, as far as can be told before it.
    auto nextRound = [&] { return walk.drawnInRound >= source.count ? walk.round + 1 : walk.round; };
    auto fits = [&](const std::string& sPath, const Monitor& m) {
        return PictureFitsMonitor(source.size ? source.size(sPath) : std::nullopt, m);
    };
    for (const Monitor& m : layout.monitors) {
        std::optional<std::string> chosen;
        if (bMatchShape) {
            // In order a monitor stays within the round of what waits first.
            const uint64_t round = walk.waiting.empty() ? nextRound() : walk.waiting.front().round;
            auto inReach = [&](uint64_t r) { return !bInOrder || r == round; };
            size_t looked = 0;
            bool bRoundOver = false;
            for (auto it = walk.waiting.begin(); it != walk.waiting.end() && looked < kShapeLookahead; ++it, ++looked) {
                if (!inReach(it->round)) {
                    bRoundOver = true;
                    break;
                }
                if (fits(it->sPath, m)) {
                    chosen = it->sPath;
                    walk.waiting.erase(it);
                    break;
                }
            }
            while (!chosen && !bRoundOver && looked < kShapeLookahead) {
                if (!inReach(nextRound())) break;
                std::optional<InOrderWalk::Waiting> next = draw();
                if (!next) break;
                if (!inReach(next->round)) {
                    walk.waiting.push_back(std::move(*next));
                    break;
                }
                ++looked;
                if (fits(next->sPath, m))
                    chosen = std::move(next->sPath);
                else
                    walk.waiting.push_back(std::move(*next));
            }
        }
        if (!chosen && !walk.waiting.empty()) {
            chosen = std::move(walk.waiting.front().sPath);
            walk.waiting.pop_front();
        }
        if (!chosen) {
            if (std::optional<InOrderWalk::Waiting> next = draw()) chosen = std::move(next->sPath);
        }
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
