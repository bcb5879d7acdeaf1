#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/Trace.h"
#include "shell/History.h"

namespace mv {

// The folder in the user's Pictures folder where kept fractals go.
constexpr const char* kKeptFractalsFolder = "Murivane Fractals";

// A kept fractal's file name, after its palette's and its pattern's seeds:
// "Fractal 417-12345.png", and for the n-th file of that name (n > 1)
// "Fractal 417-12345 (n).png".
std::string KeptFractalFileName(const FractalRecipe& recipe, int n = 1);

// Renders each fractal again and saves it as a PNG in the kept-fractals
// folder of sPictures (made on demand); each file is written whole and then
// renamed into place under the first of its names that no file has yet, so
// no file there (another fractal kept, or one of the user's) is ever
// replaced. The paths saved, in order; a fractal that cannot be rendered or
// written is left out. Clearing *pGoOn (the program ending) stops
// the one under way and saves no more.
std::vector<std::string> KeepFractals(Environment& env, const std::string& sPictures,
                                      const std::vector<FractalRecipe>& recipes, TraceSink* pTrace = nullptr,
                                      const std::atomic<bool>* pGoOn = nullptr);

// The balloon that tells where they went: its title and text.
std::string KeptFractalsTitle(const std::vector<std::string>& saved);
std::string KeptFractalsText(const std::vector<std::string>& saved);

}  // namespace mv
