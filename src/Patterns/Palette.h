#pragma once
#include <array>
#include <vector>

#include "Patterns/Color.h"

namespace mv {

class ColorChoiceTable;
class Random;

// The 256-colour palette of a fractal: colour groups, each an eased gradient
// between two random colours, the last one leading back to the first colour.
struct Palette {
    static constexpr int kSize = 256;
    std::array<Color, kSize> colors{};
    int groups = 0;

    // How the palette was drawn; for tests and the developer tool.
    struct Group {
        int iStart;   // first entry (the last entry of the previous group)
        int iLength;
    };
    struct Draws {
        bool bDark = false;
        bool bLight = false;
        int iMinLength = 0;
        int iMaxLength = 0;
        int iLow = 0;   // lightness range, percent
        int iHigh = 100;
        int iParity = 0;
        int iExponent = 1;
        Color firstColor = 0;
        std::vector<Group> groupList;
    } draws;
};

// Builds a palette with the generator (seeded by the caller), the user's
// Brightness (0..100; values outside are clamped) and the colour choice table
// made from the twelve colour weights.
Palette BuildPalette(Random& local, int iBrightness, const ColorChoiceTable& table);

}  // namespace mv
