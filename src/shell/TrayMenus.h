#pragma once
#include <string>

#include "shell/ChangeCycle.h"

namespace mv {

// The tool tip a state sets; empty where the state keeps the previous one.
std::string TrayToolTipFor(TrayState state);

// A tool tip is kept only when it fits the 64-character buffer with its zero.
bool ToolTipFits(const std::string& sText);

}  // namespace mv
