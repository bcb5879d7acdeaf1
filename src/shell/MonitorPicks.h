#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "wallpaper/MonitorLayout.h"

namespace mv {

// How many pictures a monitor looks at for one of its own shape.
constexpr int kShapeLookahead = 8;

// Whether a picture of the given size suits a monitor: a portrait monitor
// (taller than wide) wants a picture taller than wide, a landscape one a
// picture at least as wide as tall; a square picture suits both. A picture
// of unknown size suits neither.
bool PictureFitsMonitor(const std::optional<Size>& picture, const Monitor& monitor);

// Where the pictures of one change come from.
struct PictureSource {
    // The collection's next picture (in order, or at random); empty when it has none.
    std::function<std::string()> next;
    // A picture's size from its file header, without decoding.
    std::function<std::optional<Size>(const std::string&)> size;
    // How many pictures the collection has; none drawn when it has none.
    uint32_t count = 0;
};

// Where an in-order walk of the collection stands between changes: the
// pictures drawn and not taken yet, oldest first, each with the round of the
// walk it was drawn in, and how far the current round has gone. A round ends
// when the walk comes back to the round's first picture, or after as many
// draws as the collection has pictures.
struct InOrderWalk {
    struct Waiting {
        std::string sPath;
        uint64_t round = 0;
    };
    std::deque<Waiting> waiting;
    uint64_t round = 0;         // the round of the last draw
    uint32_t drawnInRound = 0;  // draws of that round so far
    std::string sRoundFirst;    // its first picture
    uint32_t count = 0;         // the collection's size the walk was made for
    void Clear() { *this = InOrderWalk(); }
};

// One picture for each monitor, in the monitors' order. The monitors take
// the pictures as they come (consecutive ones in order, independent ones at
// random). With bMatchShape, a monitor takes the first picture of its own
// shape among those already drawn and not taken, drawing more until it has
// looked at kShapeLookahead; when none fits it takes the first of them.
// Every draw is bounded, so it never loops for ever; a monitor for which no
// picture turns up gets an empty path.
//
// At random (pWalk null) what was drawn and not taken is simply not shown.
// In order (pWalk given) it waits in pWalk for the next monitor or the next
// change, and a monitor looks no further than the end of the round of the
// first picture waiting: every picture comes once a round, whatever the
// monitors' shapes.
std::vector<std::string> PickPictures(const MonitorLayout& layout, bool bMatchShape, const PictureSource& source,
                                      InOrderWalk* pWalk = nullptr);

// The sizes of the fractals one change over several monitors renders: each
// monitor's for a picture on each, the primary's for the same picture on
// each, the bounding rectangle's for one across them all.
std::vector<Size> FractalSizes(const MonitorLayout& layout, uint32_t uMode);

}  // namespace mv
