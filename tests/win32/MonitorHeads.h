// The monitors of the monitor tests: the heads that the stand-in Xinerama
// library reports to Wine (MURIVANE_XINERAMA_HEADS, set by
// `scripts/wine-run.sh --monitors`), as Windows places them.
#pragma once
#include <cstdlib>
#include <ostream>
#include <vector>

#include "wallpaper/MonitorLayout.h"

namespace mv {
inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}
}  // namespace mv

namespace mv::test {

// Reads a signed number ("+12", "-3") at s and moves s past it.
inline bool ReadHeadOffset(const char*& s, int& out) {
    if (*s != '+' && *s != '-') return false;
    char* end = nullptr;
    out = int(std::strtol(s, &end, 10));
    bool ok = end > s + 1;
    s = end;
    return ok;
}

// The heads "WxH+X+Y,..." in virtual-screen coordinates: the first is the
// primary monitor, which Wine moves to 0,0, and the others keep their places
// around it. Empty when the variable is unset or malformed.
inline std::vector<Rect> XineramaHeads() {
    std::vector<Rect> heads;
    const char* p = std::getenv("MURIVANE_XINERAMA_HEADS");
    while (p && *p) {
        char* end = nullptr;
        int w = int(std::strtol(p, &end, 10));
        if (end == p || *end != 'x') return {};
        const char* q = end + 1;
        int h = int(std::strtol(q, &end, 10)), x = 0, y = 0;
        if (end == q) return {};
        q = end;
        if (!ReadHeadOffset(q, x) || !ReadHeadOffset(q, y) || (*q != ',' && *q != '\0')) return {};
        heads.push_back({x, y, x + w, y + h});
        p = *q ? q + 1 : q;
    }
    if (heads.empty()) return heads;
    const int dx = heads[0].left, dy = heads[0].top;
    for (Rect& r : heads) r = {r.left - dx, r.top - dy, r.right - dx, r.bottom - dy};
    return heads;
}

}  // namespace mv::test
