#include "shell/FirstStart.h"

#include "config/Collection.h"
#include "config/Settings.h"
#include "image/Folder.h"
#include "ui/DriveSearchJob.h"

namespace mv {

bool HasNoSettings(Profile& profile) {
    return !profile.Store().KeyExists(RootKey::CurrentUser, profile.ProductKey() + "\\" + kConfigSection);
}

bool AddPicturesFolder(IniFile& ini, DirectoryLister& lister, const std::string& sPicturesFolder) {
    if (sPicturesFolder.empty()) return false;
    RCollection collection(kDefaultCollection);
    collection.Load(ini, false);
    if (!collection.folders().empty()) return false;
    // The kinds of picture a folder search looks for, in the folder itself
    // (a collection lists its folders' own files, not their subfolders').
    qvFolder folder(lister, sPicturesFolder);
    if (!folder.ContainsFiles(DriveSearchJob::Patterns(), nullptr)) return false;
    collection.AddFolder(sPicturesFolder);
    collection.Save(ini, false);
    return true;
}

void MarkWelcomeDue(Profile& profile) { profile.WriteInt(kConfigSection, "WelcomeShown", 0); }

bool WelcomeDue(Profile& profile) { return profile.GetInt(kConfigSection, "WelcomeShown", 1) == 0; }

void RememberWelcome(Profile& profile) { profile.WriteInt(kConfigSection, "WelcomeShown", 1); }

}  // namespace mv
