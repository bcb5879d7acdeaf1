#include "shell/History.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "image/Image.h"
#include "wallpaper/Apply.h"

namespace mv {

namespace {

constexpr const char* kMagic = "Murivane history 1";
// Far more than any limit allows, so a damaged count cannot make us read on.
constexpr size_t kMaxFileBytes = 16u << 20;
// A hand-edited fractal must not ask for more than a picture may have.
constexpr int kMaxFractalSide = 16384;
// The monitor modes there are (a picture per monitor, the same, one across).
constexpr int kMaxMonitorMode = 2;

uint32_t Fnv1a(const char* p, size_t n) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(p[i]);
        h *= 16777619u;
    }
    return h;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t at = s.find(sep, start);
        out.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return out;
        start = at + 1;
    }
}

// A whole decimal or hexadecimal number within [lo, hi], nothing else.
bool ParseNumber(const std::string& s, long long lo, long long hi, long long& v, int base = 10) {
    if (s.empty() || s.size() > 20 || std::isspace(static_cast<unsigned char>(s[0]))) return false;
    errno = 0;
    char* end = nullptr;
    v = std::strtoll(s.c_str(), &end, base);
    return errno == 0 && end == s.c_str() + s.size() && v >= lo && v <= hi;
}

std::string Trailer(size_t count, uint32_t sum) {
    char end[64];
    std::snprintf(end, sizeof end, "End\t%u\t%08x\n", static_cast<unsigned>(count), static_cast<unsigned>(sum));
    return end;
}

bool Storable(const std::string& s) { return s.find_first_of("\t\r\n") == std::string::npos; }

std::string FormatRecipe(const FractalRecipe& r) {
    std::string s = std::to_string(r.paletteSeed) + " " + std::to_string(r.fractalSeed) + " " +
                    std::to_string(r.size.cx) + " " + std::to_string(r.size.cy) + " " + std::to_string(r.brightness);
    // The weights' exact bits, so the colour table is built again exactly.
    for (float w : r.weights) {
        uint32_t bits = 0;
        std::memcpy(&bits, &w, 4);
        char hex[12];
        std::snprintf(hex, sizeof hex, " %08x", static_cast<unsigned>(bits));
        s += hex;
    }
    return s;
}

bool ParseRecipe(const std::string& s, FractalRecipe& r) {
    const std::vector<std::string> f = Split(s, ' ');
    if (f.size() != 5 + r.weights.size()) return false;
    long long v[5];
    if (!ParseNumber(f[0], INT32_MIN, INT32_MAX, v[0]) || !ParseNumber(f[1], INT32_MIN, INT32_MAX, v[1]) ||
        !ParseNumber(f[2], 1, kMaxFractalSide, v[2]) || !ParseNumber(f[3], 1, kMaxFractalSide, v[3]) ||
        !ParseNumber(f[4], INT32_MIN, INT32_MAX, v[4]))
        return false;
    r.paletteSeed = static_cast<int32_t>(v[0]);
    r.fractalSeed = static_cast<int32_t>(v[1]);
    r.size = Size{static_cast<int>(v[2]), static_cast<int>(v[3])};
    r.brightness = static_cast<int32_t>(v[4]);
    for (size_t i = 0; i < r.weights.size(); ++i) {
        long long bits = 0;
        if (f[5 + i].size() != 8 || !ParseNumber(f[5 + i], 0, 0xFFFFFFFFll, bits, 16)) return false;
        const uint32_t u = static_cast<uint32_t>(bits);
        std::memcpy(&r.weights[i], &u, 4);
    }
    return true;
}

}  // namespace

bool FractalRecipe::operator==(const FractalRecipe& o) const {
    return paletteSeed == o.paletteSeed && fractalSeed == o.fractalSeed && size.cx == o.size.cx &&
           size.cy == o.size.cy && brightness == o.brightness &&
           std::memcmp(weights.data(), o.weights.data(), sizeof(float) * weights.size()) == 0;
}

bool HistoryEntry::IsEmpty() const { return fractals.empty() && FirstPicture().empty(); }

std::string HistoryEntry::FirstPicture() const {
    for (const std::string& s : pictures)
        if (!s.empty()) return s;
    return std::string();
}

bool HistoryEntry::operator==(const HistoryEntry& o) const {
    return pictures == o.pictures && forced.bForcePosition == o.forced.bForcePosition &&
           forced.bDoTiling == o.forced.bDoTiling && forced.bDoStretching == o.forced.bDoStretching &&
           forced.bDoTileSeamless == o.forced.bDoTileSeamless && fractals == o.fractals &&
           monitorMode == o.monitorMode && devices == o.devices && primary == o.primary;
}

void History::Record(HistoryEntry entry, size_t limit) {
    bool bStorable = !entry.IsEmpty();
    for (const std::string& s : entry.pictures) bStorable = bStorable && Storable(s);
    // Monitors the file cannot name (or not one per picture) are simply not known.
    const size_t items = entry.IsFractal() ? entry.fractals.size() : entry.pictures.size();
    bool bDevices = entry.devices.size() == items && entry.primary >= 0 &&
                    static_cast<size_t>(entry.primary) < entry.devices.size();
    for (const std::string& s : entry.devices) bDevices = bDevices && Storable(s);
    if (!bDevices) {
        entry.devices.clear();
        entry.primary = 0;
    }
    if (entry.monitorMode < 0 || entry.monitorMode > kMaxMonitorMode) entry.monitorMode = -1;
    if (bStorable && limit > 0 && !m_entries.empty() && m_entries.back() == entry) {
        // The same wallpaper again (a collection of one picture): one entry.
        m_position = m_entries.size() - 1;
    } else if (bStorable && limit > 0) {
        m_entries.push_back(std::move(entry));
        m_position = m_entries.size() - 1;
    } else {
        // Nothing of the history is showing any more.
        m_position = m_entries.size();
    }
    Trim(limit);
}

void History::Trim(size_t limit) {
    if (m_entries.size() <= limit) return;
    const size_t drop = m_entries.size() - limit;
    const bool bShowing = m_position < m_entries.size();
    m_entries.erase(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(drop));
    if (!bShowing)
        m_position = m_entries.size();
    else
        m_position = m_position >= drop ? m_position - drop : m_entries.size();
}

bool History::CanShow(const HistoryEntry& e, const PictureCheck& available) {
    if (e.IsFractal()) return true;
    if (e.IsEmpty()) return false;
    for (const std::string& s : e.pictures)
        if (!s.empty() && available && !available(s)) return false;
    return true;
}

const HistoryEntry* History::Back(const PictureCheck& available) {
    for (size_t i = std::min(m_position, m_entries.size()); i-- > 0;) {
        if (CanShow(m_entries[i], available)) {
            m_position = i;
            return &m_entries[i];
        }
    }
    return nullptr;
}

const HistoryEntry* History::Forward(const PictureCheck& available) {
    for (size_t i = m_position + 1; i < m_entries.size(); ++i) {
        if (CanShow(m_entries[i], available)) {
            m_position = i;
            return &m_entries[i];
        }
    }
    return nullptr;
}

bool History::CanGoBack(const PictureCheck& available) const {
    for (size_t i = std::min(m_position, m_entries.size()); i-- > 0;)
        if (CanShow(m_entries[i], available)) return true;
    return false;
}

void History::Clear() {
    m_entries.clear();
    m_position = 0;
}

std::string History::Format() const {
    std::string s = std::string(kMagic) + "\nPosition\t" + std::to_string(m_position) + "\n";
    for (const HistoryEntry& e : m_entries) {
        if (e.IsFractal()) {
            s += "F";
            for (const FractalRecipe& r : e.fractals) s += "\t" + FormatRecipe(r);
        } else {
            const int forced = (e.forced.bForcePosition ? 1 : 0) | (e.forced.bDoTiling ? 2 : 0) |
                               (e.forced.bDoStretching ? 4 : 0) | (e.forced.bDoTileSeamless ? 8 : 0);
            s += "P\t" + std::to_string(forced);
            for (const std::string& p : e.pictures) s += "\t" + p;
        }
        s += "\n";
        // The monitors it was shown on, on a line of their own that files
        // written before it was kept simply do not have.
        if (e.monitorMode >= 0 || !e.devices.empty()) {
            s += "M\t" + std::to_string(e.monitorMode) + "\t" + std::to_string(e.primary);
            for (const std::string& d : e.devices) s += "\t" + d;
            s += "\n";
        }
    }
    // The last line vouches for everything before it: a torn or altered file
    // is refused as a whole.
    return s + Trailer(m_entries.size(), Fnv1a(s.data(), s.size()));
}

bool History::Parse(const std::string& sText) {
    Clear();
    const size_t endAt = sText.rfind("End\t");
    if (endAt == std::string::npos || (endAt > 0 && sText[endAt - 1] != '\n')) return false;
    std::vector<std::string> trailer = Split(sText.substr(endAt), '\t');
    long long count = 0;
    if (trailer.size() != 3 || !ParseNumber(trailer[1], 0, 100000, count)) return false;
    if (sText.compare(endAt, std::string::npos, Trailer(static_cast<size_t>(count), Fnv1a(sText.data(), endAt))) != 0)
        return false;

    std::vector<std::string> lines = Split(sText.substr(0, endAt), '\n');
    if (lines.size() < 3 || lines.back() != "" || lines[0] != kMagic) return false;
    lines.pop_back();
    const std::vector<std::string> pos = Split(lines[1], '\t');
    long long position = 0;
    if (pos.size() != 2 || pos[0] != "Position" || !ParseNumber(pos[1], 0, 100000, position)) return false;

    std::vector<HistoryEntry> entries;
    bool bMonitorsTold = true;  // the entry before has its monitors' line already
    for (size_t i = 2; i < lines.size(); ++i) {
        const std::vector<std::string> f = Split(lines[i], '\t');
        if (f[0] == "M") {
            // The monitors of the entry just read, once, one name per picture or fractal.
            if (bMonitorsTold || f.size() < 3) return false;
            HistoryEntry& last = entries.back();
            long long mode = 0, primary = 0;
            if (!ParseNumber(f[1], -1, kMaxMonitorMode, mode) || !ParseNumber(f[2], 0, 100000, primary)) return false;
            last.monitorMode = static_cast<int32_t>(mode);
            last.devices.assign(f.begin() + 3, f.end());
            const size_t items = last.IsFractal() ? last.fractals.size() : last.pictures.size();
            if (!last.devices.empty() && (last.devices.size() != items || static_cast<size_t>(primary) >= items))
                return false;
            if (last.devices.empty() && primary != 0) return false;
            last.primary = static_cast<int32_t>(primary);
            bMonitorsTold = true;
            continue;
        }
        bMonitorsTold = false;
        HistoryEntry e;
        if (f[0] == "F" && f.size() >= 2) {
            for (size_t k = 1; k < f.size(); ++k) {
                FractalRecipe r;
                if (!ParseRecipe(f[k], r)) return false;
                e.fractals.push_back(r);
            }
        } else if (f[0] == "P" && f.size() >= 3) {
            long long forced = 0;
            if (!ParseNumber(f[1], 0, 15, forced)) return false;
            e.forced = ForcedLayout{(forced & 1) != 0, (forced & 2) != 0, (forced & 4) != 0, (forced & 8) != 0};
            e.pictures.assign(f.begin() + 2, f.end());
            if (e.IsEmpty()) return false;
        } else {
            return false;
        }
        entries.push_back(std::move(e));
    }
    if (static_cast<long long>(entries.size()) != count || position > count) return false;
    m_entries = std::move(entries);
    m_position = static_cast<size_t>(position);
    return true;
}

bool LoadHistoryFile(const std::string& sPath, History& history) {
    history.Clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(NativePath(sPath).c_str(), "rb"), std::fclose);
    if (!file) return false;
    std::string text;
    char buffer[16384];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (text.size() + n > kMaxFileBytes) return false;
        text.append(buffer, n);
    }
    if (std::ferror(file.get())) return false;
    return history.Parse(text);
}

bool SaveHistoryFile(FileOps& ops, const std::string& sPath, const History& history) {
    return ReplaceWholeFile(ops, sPath, history.Format());
}

}  // namespace mv
