#pragma once
#include <string>

#include "config/Registry.h"
#include "platform/DirectoryLister.h"
#include "platform/Environment.h"
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

// The first start of a profile, made by whichever instance runs first (the
// settings sheet or the tray) before it shows anything; FirstStartDone in
// Config marks it made. A new profile - no settings (HasNoSettings) and no
// collections file in any of its places - gets the pictures folder in its
// empty "Default" collection (ini, the collections file) and a welcome due
// for the tray's first start. A profile from before the mark existed, with
// settings or a collections file of its own, is an existing user's: its
// collections stay as they are and no welcome is made due, only the mark is
// written. True when the profile was new.
bool PrepareFirstStart(Profile& profile, Environment& env, IniFile& ini, DirectoryLister& lister);

// The welcome balloon: a first start makes it due (WelcomeShown 0 in
// Config) until it has been shown (WelcomeShown 1). Settings from before the
// balloon existed have no WelcomeShown and count as shown: those users know
// the program already.
void MarkWelcomeDue(Profile& profile);
bool WelcomeDue(Profile& profile);
void RememberWelcome(Profile& profile);

}  // namespace mv
