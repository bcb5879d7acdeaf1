#pragma once
#include <string>

#include "config/Registry.h"
#include "platform/DirectoryLister.h"
#include "platform/IniFile.h"

namespace mv {

// The welcome balloon the tray shows once, when it first starts.
constexpr const char* kWelcomeTitle = "Murivane is running";
constexpr const char* kWelcomeText =
    "Murivane lives in the notification area, next to the clock. Right-click its icon for its menu: "
    "change the wallpaper now, open the settings or exit.";

// True when the profile holds no settings yet: no Config key, or one that
// holds only the install folder the setup program writes. Looked at before
// the program writes anything.
bool HasNoSettings(Profile& profile);

// On a first start, an empty "Default" collection is given the user's
// pictures folder, when that folder holds pictures of a kind the program
// shows; the collection is saved then. True when the folder was added.
bool AddPicturesFolder(IniFile& ini, DirectoryLister& lister, const std::string& sPicturesFolder);

// The welcome balloon: a first start makes it due (WelcomeShown 0 in
// Config) until it has been shown (WelcomeShown 1). Settings from before the
// balloon existed have no WelcomeShown and count as shown: those users know
// the program already.
void MarkWelcomeDue(Profile& profile);
bool WelcomeDue(Profile& profile);
void RememberWelcome(Profile& profile);

}  // namespace mv
