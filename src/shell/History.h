#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/FileOps.h"
#include "wallpaper/Layout.h"

namespace mv {

// Everything one fractal needs to be rendered again, bit for bit: its two
// seeds, its size, and the look (brightness and colour weights) it had.
struct FractalRecipe {
    int32_t paletteSeed = 0;
    int32_t fractalSeed = 0;
    Size size;
    int32_t brightness = 50;
    std::array<float, 12> weights{};
    bool operator==(const FractalRecipe& o) const;
};

// One wallpaper that was shown: either pictures (one per monitor, or one
// for all, as the change laid them out; an empty path keeps a monitor as it
// was) with the layout forced on them, or fractals (one per monitor or one
// for all, in the order they were rendered).
struct HistoryEntry {
    std::vector<std::string> pictures;
    ForcedLayout forced;
    std::vector<FractalRecipe> fractals;
    // The monitors it was shown on: the monitor mode of the settings then
    // (-1 when not known, as in a file of an earlier version), the device
    // name of the monitor each picture or fractal was for (in their order;
    // none when not known) and which of them was the primary monitor.
    int32_t monitorMode = -1;
    std::vector<std::string> devices;
    int32_t primary = 0;

    bool IsFractal() const { return !fractals.empty(); }
    bool IsEmpty() const;
    // The first picture of the entry, or nothing.
    std::string FirstPicture() const;
    bool operator==(const HistoryEntry& o) const;
};

// Whether a picture can be shown again (its file is still there and the user
// has not excluded it).
using PictureCheck = std::function<bool(const std::string&)>;

// The last wallpapers, oldest first, and which of them is showing. Going back
// and forward passes over entries whose pictures are no longer available;
// fractals can always be rendered again.
class History {
public:
    const std::vector<HistoryEntry>& entries() const { return m_entries; }
    // The index of the entry showing; entries().size() when none is.
    size_t position() const { return m_position; }
    const HistoryEntry* Current() const { return m_position < m_entries.size() ? &m_entries[m_position] : nullptr; }

    // A new wallpaper: it becomes the last entry and the one showing (the
    // last entry itself when it is the same again); the oldest entries go
    // beyond the limit, and a limit of 0 keeps nothing.
    void Record(HistoryEntry entry, size_t limit);
    // Drops the oldest entries beyond the limit.
    void Trim(size_t limit);
    // Moves to the nearest earlier (later) entry that can be shown and
    // returns it; nothing, and no move, when there is none.
    const HistoryEntry* Back(const PictureCheck& available);
    const HistoryEntry* Forward(const PictureCheck& available);
    bool CanGoBack(const PictureCheck& available) const;
    void Clear();

    // The file's text, and back. Parse refuses (false, empty history)
    // anything that is not a whole file as Format writes it.
    std::string Format() const;
    bool Parse(const std::string& sText);

private:
    static bool CanShow(const HistoryEntry& e, const PictureCheck& available);
    std::vector<HistoryEntry> m_entries;
    size_t m_position = 0;
};

// The history file read whole; an absent, unreadable or damaged file gives
// an empty history (and false).
bool LoadHistoryFile(const std::string& sPath, History& history);
// Replaces the file whole through ops (a temporary file beside it, flushed
// to the disk, then put in its place in one step), so a crash or a failure
// at any moment leaves the old history or the new one. sPath is a path ops
// understands.
bool SaveHistoryFile(FileOps& ops, const std::string& sPath, const History& history);

}  // namespace mv
