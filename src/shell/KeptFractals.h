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

// A kept fractal's file name, after its pattern's seed: "Fractal 12345.png".
std::string KeptFractalFileName(const FractalRecipe& recipe);

// Renders each fractal again and saves it as a PNG in the kept-fractals
// folder of sPictures (made on demand); each file is written whole and then
// renamed into place. The paths saved, in order; a fractal that cannot be
// rendered or written is left out. Clearing *pGoOn (the program ending) stops
// the one under way and saves no more.
std::vector<std::string> KeepFractals(Environment& env, const std::string& sPictures,
                                      const std::vector<FractalRecipe>& recipes, TraceSink* pTrace = nullptr,
                                      const std::atomic<bool>* pGoOn = nullptr);

// The balloon that tells where they went: its title and text.
std::string KeptFractalsTitle(const std::vector<std::string>& saved);
std::string KeptFractalsText(const std::vector<std::string>& saved);

}  // namespace mv
