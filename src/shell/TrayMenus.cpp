#include "shell/TrayMenus.h"

namespace mv {

std::string TrayToolTipFor(TrayState state) { return state == kTrayWaiting ? "Murivane" : std::string(); }

bool ToolTipFits(const std::string& sText) { return sText.size() < 64; }

}  // namespace mv
