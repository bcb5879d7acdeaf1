// The first start's rules on real folders: the pictures folder only joins an
// empty "Default" collection, and only when it holds pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "config/Collection.h"
#include "config/Settings.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/portable/PortableEnvironment.h"
#include "platform/portable/PortableIni.h"
#include "platform/portable/PosixDirectoryLister.h"
#include "shell/FirstStart.h"
#include "support/TempDir.h"

using namespace mv;

TEST(FirstStart, PicturesFolderJoinsOnlyAnEmptyDefaultAndTheWelcomeOnlyFollowsAFirstStart) {
    test::TempDir dir;
    PortableIni ini{dir.File("Murivane.ini")};
    PosixDirectoryLister lister;
    const std::string sPictures = dir.Path() + "/Pictures";
    ASSERT_EQ(std::system(("mkdir -p '" + sPictures + "/Sub' && touch '" + sPictures + "/notes.txt' '" + sPictures +
                           "/Sub/deep.jpg'")
                              .c_str()),
              0);
    // Unknown, missing, or without a picture of its own: nothing is written.
    EXPECT_FALSE(AddPicturesFolder(ini, lister, ""));
    EXPECT_FALSE(AddPicturesFolder(ini, lister, dir.Path() + "/missing"));
    EXPECT_FALSE(AddPicturesFolder(ini, lister, sPictures));
    EXPECT_FALSE(std::ifstream(dir.File("Murivane.ini")).good());

    dir.WriteFile("Pictures/Beach.HEIC", "");
    EXPECT_TRUE(AddPicturesFolder(ini, lister, sPictures));
    RCollection loaded(kDefaultCollection);
    loaded.Load(ini, false);
    EXPECT_EQ(loaded.folders(), std::vector<std::string>{sPictures});
    // A collection with folders is the user's: it is left as it is.
    EXPECT_FALSE(AddPicturesFolder(ini, lister, dir.Path()));
    loaded = RCollection(kDefaultCollection);
    loaded.Load(ini, false);
    EXPECT_EQ(loaded.folders(), std::vector<std::string>{sPictures});

    MemoryRegistry store;
    Profile profile(store, "Quorvale", "Murivane");
    EXPECT_TRUE(HasNoSettings(profile));
    // The setup program writes where it installed the program, before any start.
    profile.WriteString(kConfigSection, "InstallFolder", "C:\\Program Files\\Murivane\\");
    EXPECT_TRUE(HasNoSettings(profile));
    EXPECT_FALSE(WelcomeDue(profile)) << "settings from before the balloon count it as shown";
    MarkWelcomeDue(profile);
    EXPECT_FALSE(HasNoSettings(profile));
    EXPECT_TRUE(WelcomeDue(profile));
    RememberWelcome(profile);
    EXPECT_FALSE(WelcomeDue(profile));
}

namespace {

// A profile's Windows and per-user folders, and a pictures folder holding a picture.
struct Profiles {
    test::TempDir dir;
    PortableEnvironment env{dir.Path() + "/Windows", dir.Path() + "/AppData"};
    PosixDirectoryLister lister;
    std::string sPictures = dir.Path() + "/Pictures";
    Profiles() {
        EXPECT_EQ(std::system(("mkdir -p '" + dir.Path() + "/Windows' '" + dir.Path() + "/AppData/Murivane' '" +
                               sPictures + "'")
                                  .c_str()),
                  0);
        dir.WriteFile("Pictures/holiday.jpg", "");
        env.SetPicturesFolder(sPictures);
    }
    std::vector<std::string> DefaultFolders() {
        PortableIni ini{dir.File("Windows/Murivane.ini")};
        RCollection collection(kDefaultCollection);
        collection.Load(ini, false);
        return collection.folders();
    }
    bool Prepare(Profile& profile) {
        PortableIni ini{dir.File("Windows/Murivane.ini")};
        return PrepareFirstStart(profile, env, ini, lister);
    }
};

uint32_t FirstStartDone(Profile& profile) { return profile.GetInt(kConfigSection, "FirstStartDone", 99); }

}  // namespace

// Whichever instance starts first makes the first start; it is made once.
TEST(FirstStart, ANewProfileGetsThePicturesFolderAndAWelcomeOnceWhicheverInstanceStartsFirst) {
    for (bool bInstalled : {false, true}) {
        SCOPED_TRACE(bInstalled ? "installed by the setup program" : "no Config key");
        Profiles p;
        MemoryRegistry store;
        Profile profile(store, "Quorvale", "Murivane");
        if (bInstalled) profile.WriteString(kConfigSection, "InstallFolder", "C:\\Program Files\\Murivane\\");
        EXPECT_TRUE(p.Prepare(profile));
        EXPECT_EQ(p.DefaultFolders(), std::vector<std::string>{p.sPictures});
        EXPECT_EQ(FirstStartDone(profile), 1u);
        // The welcome waits for the tray, even when the sheet ran first.
        EXPECT_TRUE(WelcomeDue(profile));

        // The next start, of either instance, adds nothing again: an emptied
        // collection stays empty, and a welcome already shown stays shown.
        RememberWelcome(profile);
        ASSERT_EQ(std::remove(p.dir.File("Windows/Murivane.ini").c_str()), 0);
        EXPECT_FALSE(p.Prepare(profile));
        EXPECT_TRUE(p.DefaultFolders().empty());
        EXPECT_FALSE(WelcomeDue(profile));
    }
}

// Users from before the first-start mark, with settings or collections of
// their own, keep their collections as they are and get no welcome.
TEST(FirstStart, AnExistingUsersProfileIsOnlyMarked) {
    {
        SCOPED_TRACE("settings from the sheet's OK, collections file not yet written");
        Profiles p;
        MemoryRegistry store;
        Profile profile(store, "Quorvale", "Murivane");
        profile.WriteString(kConfigSection, "InstallFolder", "C:\\Program Files\\Murivane\\");
        profile.WriteInt(kConfigSection, "Minutes", 17);
        EXPECT_FALSE(p.Prepare(profile));
        EXPECT_TRUE(p.DefaultFolders().empty());
        EXPECT_FALSE(WelcomeDue(profile));
        EXPECT_EQ(FirstStartDone(profile), 1u);
    }
    {
        SCOPED_TRACE("a collections file kept per user, no settings");
        Profiles p;
        p.dir.WriteFile("AppData/Murivane/Murivane.ini", "[Default]\nFolderCount=0\n");
        MemoryRegistry store;
        Profile profile(store, "Quorvale", "Murivane");
        EXPECT_FALSE(p.Prepare(profile));
        EXPECT_TRUE(p.DefaultFolders().empty());
        EXPECT_FALSE(WelcomeDue(profile));
        EXPECT_EQ(FirstStartDone(profile), 1u);
    }
    {
        SCOPED_TRACE("a tray's first start before the mark existed, its welcome not yet shown");
        Profiles p;
        MemoryRegistry store;
        Profile profile(store, "Quorvale", "Murivane");
        MarkWelcomeDue(profile);
        EXPECT_FALSE(p.Prepare(profile));
        EXPECT_TRUE(p.DefaultFolders().empty());
        EXPECT_TRUE(WelcomeDue(profile)) << "its one welcome is still owed";
    }
}
