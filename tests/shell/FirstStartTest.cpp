// The first start's rules on real folders: the pictures folder only joins an
// empty "Default" collection, and only when it holds pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "config/Collection.h"
#include "config/Settings.h"
#include "platform/portable/MemoryRegistry.h"
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
