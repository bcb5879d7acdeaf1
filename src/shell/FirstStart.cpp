#include "shell/FirstStart.h"

#include <algorithm>
#include <cctype>

#include "config/Collection.h"
#include "config/Settings.h"
#include "app/OutputFolder.h"
#include "image/Folder.h"
#include "ui/DriveSearchJob.h"

namespace mv {

namespace {

constexpr const char* kFirstStartDone = "FirstStartDone";

// Registry names compare without regard to case; sLower is in lower case.
bool SameNameAs(const std::string& sName, const std::string& sLower) {
    return std::equal(sName.begin(), sName.end(), sLower.begin(), sLower.end(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

}  // namespace

bool HasNoSettings(Profile& profile) {
    for (const std::string& sName :
         profile.Store().ValueNames(RootKey::CurrentUser, profile.ProductKey() + "\\" + kConfigSection))
        if (!SameNameAs(sName, "installfolder")) return false;
    return true;
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

bool PrepareFirstStart(Profile& profile, Environment& env, IniFile& ini, DirectoryLister& lister) {
    if (profile.GetInt(kConfigSection, kFirstStartDone, 0) != 0) return false;
    // Looked at before anything of this start is written.
    bool bNew = HasNoSettings(profile);
    for (const std::string& sFile : CandidateFiles(env, kIniFileName))
        if (env.FileExists(sFile)) bNew = false;
    if (bNew) {
        AddPicturesFolder(ini, lister, env.PicturesFolder());
        MarkWelcomeDue(profile);
    }
    profile.WriteInt(kConfigSection, kFirstStartDone, 1);
    return bNew;
}

void MarkWelcomeDue(Profile& profile) { profile.WriteInt(kConfigSection, "WelcomeShown", 0); }

bool WelcomeDue(Profile& profile) { return profile.GetInt(kConfigSection, "WelcomeShown", 1) == 0; }

void RememberWelcome(Profile& profile) { profile.WriteInt(kConfigSection, "WelcomeShown", 1); }

}  // namespace mv
