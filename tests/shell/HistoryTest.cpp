#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <set>
#include <thread>

#include "image/ImagePNG.h"
#include "platform/portable/PortableEnvironment.h"
#include "platform/portable/PosixFileOps.h"
#include "shell/FractalJob.h"
#include "shell/History.h"
#include "shell/KeptFractals.h"
#include "support/TempDir.h"

using namespace mv;

namespace {

HistoryEntry Picture(const std::string& sPath) {
    HistoryEntry e;
    e.pictures.push_back(sPath);
    return e;
}

HistoryEntry Fractal(int32_t seed, Size size) {
    HistoryEntry e;
    FractalRecipe r;
    r.paletteSeed = seed ^ 0x5A5A5A5A;
    r.fractalSeed = seed;
    r.size = size;
    r.brightness = 73;
    for (size_t i = 0; i < r.weights.size(); ++i) r.weights[i] = 0.1f * static_cast<float>(i) + 1e-7f;
    e.fractals.push_back(r);
    return e;
}

std::vector<std::string> FilesIn(const std::string& sFolder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(sFolder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

}  // namespace

TEST(History, KeepsTheLastOnesAndStepsOverPicturesThatAreGone) {
    History h;
    std::set<std::string> gone;
    const PictureCheck available = [&](const std::string& s) { return gone.count(s) == 0; };
    for (const char* s : {"a", "b", "b", "c", "d"}) h.Record(Picture(s), 3);
    ASSERT_EQ(h.entries().size(), 3u);  // "b" once, and "a" fell off the front
    EXPECT_EQ(h.entries().front(), Picture("b"));
    EXPECT_EQ(h.position(), 2u);

    gone = {"c"};
    ASSERT_NE(h.Back(available), nullptr);
    EXPECT_EQ(*h.Current(), Picture("b"));  // "c" passed over
    EXPECT_FALSE(h.CanGoBack(available));
    EXPECT_EQ(h.Back(available), nullptr);
    EXPECT_EQ(h.position(), 0u);  // no move
    ASSERT_NE(h.Forward(available), nullptr);
    EXPECT_EQ(*h.Current(), Picture("d"));
    EXPECT_EQ(h.Forward(available), nullptr);

    // A fractal can always be shown again; a new wallpaper goes on the end.
    h.Record(Fractal(5, {8, 6}), 3);
    gone = {"b", "c", "d"};
    EXPECT_EQ(h.Back(available), nullptr);
    h.Record(Picture("e"), 3);
    ASSERT_NE(h.Back(available), nullptr);
    EXPECT_TRUE(h.Current()->IsFractal());

    // A limit of 0 keeps nothing, and nothing is showing.
    h.Record(Picture("f"), 0);
    EXPECT_TRUE(h.entries().empty());
    EXPECT_EQ(h.Current(), nullptr);
    EXPECT_FALSE(h.CanGoBack(available));
}

TEST(HistoryFile, RoundTripsExactlyAndRefusesAnyTornOrAlteredFile) {
    test::TempDir dir;
    PortableEnvironment env(dir.Path());
    const std::string sPath = dir.Path() + "\\Murivane History.ini";
    History h;
    HistoryEntry several;
    several.pictures = {"C:\\Pictures\\Фото 1.jpg", "", "d:\\x y\\b.png"};
    several.forced = ForcedLayout{true, false, true, false};
    HistoryEntry fractals = Fractal(-2147483647 - 1, {1920, 1080});
    fractals.fractals.push_back(Fractal(2147483647, {1, 16384}).fractals.front());
    h.Record(several, 50);
    h.Record(fractals, 50);
    h.Record(Picture("c:\\last.gif"), 50);
    h.Back(nullptr);
    ASSERT_TRUE(SaveHistoryFile(PosixFileOps::Instance(), NativePath(sPath), h));
    EXPECT_EQ(FilesIn(dir.Path()).size(), 1u);  // no temporary file left behind

    History loaded;
    ASSERT_TRUE(LoadHistoryFile(sPath, loaded));
    EXPECT_EQ(loaded.entries(), h.entries());
    EXPECT_EQ(loaded.position(), 1u);

    // Every torn length, every altered byte: refused whole, nothing kept.
    const std::string text = h.Format();
    for (size_t n = 0; n < text.size(); ++n) {
        History torn;
        torn.Record(Picture("stale"), 5);
        EXPECT_FALSE(torn.Parse(text.substr(0, n))) << n;
        EXPECT_TRUE(torn.entries().empty());
        std::string altered = text;
        altered[n] = static_cast<char>(altered[n] ^ 0x20);
        EXPECT_FALSE(torn.Parse(altered)) << n;
    }
    dir.WriteFile("Murivane History.ini", std::string("\0\xff garbage\nEnd\t1\tzz\n", 20));
    EXPECT_FALSE(LoadHistoryFile(sPath, loaded));
    EXPECT_TRUE(loaded.entries().empty());
    EXPECT_FALSE(LoadHistoryFile(dir.Path() + "\\absent.ini", loaded));
}

// A kept fractal is the very picture the worker rendered for the wallpaper.
TEST(KeptFractals, SavesThePicturesTheWorkerRendered) {
    test::TempDir dir;
    PortableEnvironment env(dir.Path());
    const FractalRecipe recipe = Fractal(4321, {96, 64}).fractals.front();

    struct QuietHost : FractalJobHost {
        std::string GetToolTip() override { return std::string(); }
        void SetToolTip(const std::string&) override {}
    } host;
    FractalJobInput in;
    in.paletteSeed = recipe.paletteSeed;
    in.fractalSeed = recipe.fractalSeed;
    in.brightness = recipe.brightness;
    in.table.Build(recipe.weights.data());
    in.screen = recipe.size;
    in.sOutputPath = dir.Path() + "\\Murivane.bmp";
    FractalJobState state;
    ASSERT_EQ(RunFractalJob(in, state, host, env), FractalOutcome::Published);

    const std::vector<std::string> saved = KeepFractals(env, dir.Path(), {recipe});
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved.front(), dir.Path() + "\\Murivane Fractals\\Fractal 1515866811-4321.png");
    EXPECT_EQ(FilesIn(dir.Path() + "/Murivane Fractals"), std::vector<std::string>{"Fractal 1515866811-4321.png"});
    ImagePNG png(saved.front());
    ASSERT_TRUE(png.IsValid());
    std::vector<uint8_t> file = dir.ReadFile("Murivane.bmp");
    ASSERT_EQ(file.size(), 54u + Image::BytesPerRow(96, 24) * 64u);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x) {
            const uint8_t* p = file.data() + 54 + static_cast<size_t>(63 - y) * Image::BytesPerRow(96, 24) + 3 * x;
            ASSERT_EQ(png.Pixel(x, y), MakeRGB(p[2], p[1], p[0])) << x << "," << y;
        }
    EXPECT_EQ(KeptFractalsText(saved), "Saved as " + saved.front());
    EXPECT_TRUE(KeepFractals(env, "", {recipe}).empty());  // no Pictures folder known

    // The program ending stops large ones under way: nothing more is saved,
    // and no file is left half written.
    FractalRecipe large = recipe;
    large.size = {3000, 2000};
    std::atomic<bool> goOn{true};
    std::thread ending([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        goOn = false;
    });
    large.fractalSeed = 99;
    EXPECT_TRUE(KeepFractals(env, dir.Path(), {large, large, large}, nullptr, &goOn).empty());
    ending.join();
    EXPECT_EQ(FilesIn(dir.Path() + "/Murivane Fractals"), std::vector<std::string>{"Fractal 1515866811-4321.png"});
}

namespace {
FractalRecipe KeptRecipe(int32_t paletteSeed, int32_t fractalSeed) {
    FractalRecipe r;
    r.paletteSeed = paletteSeed;
    r.fractalSeed = fractalSeed;
    r.size = Size{16, 12};
    r.weights = {60, 25, 60, 25, 15, 15, 20, 30, 30, 20, 15, 20};
    return r;
}
std::string FileText(const test::TempDir& dir, const std::string& name) {
    const std::vector<uint8_t> b = dir.ReadFile(name);
    return std::string(b.begin(), b.end());
}
}  // namespace

// Kept fractals are named by both seeds and never replace a file: not the
// user's own, not another fractal kept before or at the same moment.
TEST(KeptFractals, NamedByBothSeedsAndNeverOverwriteAFile) {
    EXPECT_EQ(KeptFractalFileName(KeptRecipe(417, 12345)), "Fractal 417-12345.png");
    EXPECT_EQ(KeptFractalFileName(KeptRecipe(417, 12345), 2), "Fractal 417-12345 (2).png");

    test::TempDir dir;
    PortableEnvironment env(dir.Path());
    const std::string sFolder = dir.Path() + "/" + kKeptFractalsFolder;
    // Two palettes over one pattern are two pictures, with two names.
    std::vector<std::string> saved = KeepFractals(env, dir.Path(), {KeptRecipe(1, 7), KeptRecipe(2, 7)});
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0], dir.Path() + "\\" + kKeptFractalsFolder + "\\Fractal 1-7.png");
    EXPECT_EQ(saved[1], dir.Path() + "\\" + kKeptFractalsFolder + "\\Fractal 2-7.png");
    const std::string first = FileText(dir, std::string(kKeptFractalsFolder) + "/Fractal 1-7.png");
    ASSERT_GT(first.size(), 8u);
    EXPECT_EQ(first.compare(1, 3, "PNG"), 0);
    EXPECT_NE(first, FileText(dir, std::string(kKeptFractalsFolder) + "/Fractal 2-7.png"));

    // A file of the user's under the name, and the same fractal kept again:
    // each goes beside what is there, under the next free name.
    dir.WriteFile(std::string(kKeptFractalsFolder) + "/Fractal 3-9.png", "the user's own");
    saved = KeepFractals(env, dir.Path(), {KeptRecipe(3, 9), KeptRecipe(1, 7)});
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].substr(saved[0].rfind('\\') + 1), "Fractal 3-9 (2).png");
    EXPECT_EQ(saved[1].substr(saved[1].rfind('\\') + 1), "Fractal 1-7 (2).png");
    EXPECT_EQ(FileText(dir, std::string(kKeptFractalsFolder) + "/Fractal 3-9.png"), "the user's own");
    EXPECT_EQ(FileText(dir, std::string(kKeptFractalsFolder) + "/Fractal 1-7.png"), first);
    ImagePNG png(sFolder + "/Fractal 3-9 (2).png");
    ASSERT_TRUE(png.IsValid());
    EXPECT_EQ(png.Width(), 16);
    EXPECT_EQ(png.Height(), 12);

    // Two keepers at once: four files of four names, none lost.
    std::vector<std::string> a, b;
    std::thread t1([&] { a = KeepFractals(env, dir.Path(), {KeptRecipe(5, 5), KeptRecipe(5, 5)}); });
    std::thread t2([&] { b = KeepFractals(env, dir.Path(), {KeptRecipe(5, 5), KeptRecipe(5, 5)}); });
    t1.join();
    t2.join();
    std::set<std::string> names(a.begin(), a.end());
    names.insert(b.begin(), b.end());
    EXPECT_EQ(names.size(), 4u);
    for (int n = 1; n <= 4; ++n)
        EXPECT_FALSE(dir.ReadFile(std::string(kKeptFractalsFolder) + "/" + KeptFractalFileName(KeptRecipe(5, 5), n)).empty())
            << n;

    // A folder that cannot be made saves nothing.
    EXPECT_TRUE(KeepFractals(env, dir.Path() + "/missing/deeper", {KeptRecipe(1, 1)}).empty());
}

// Entries keep the monitors they were shown on; a file written before they
// were kept still loads, its entries knowing no monitors.
TEST(HistoryFile, KeepsEachEntrysMonitorsAndReadsFilesWithoutThem) {
    History h;
    HistoryEntry three;
    three.pictures = {"c:\\a.jpg", "", "c:\\b.jpg"};
    three.monitorMode = 1;
    three.devices = {"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY2", "\\\\.\\DISPLAY3"};
    three.primary = 1;
    HistoryEntry across = Fractal(9, {5560, 1920});
    across.monitorMode = 2;
    across.devices = {"\\\\.\\DISPLAY2"};
    HistoryEntry unknown = Picture("c:\\u.png");
    unknown.devices = {"a", "b"};  // not one per picture: not known, and not stored
    h.Record(three, 10);
    h.Record(across, 10);
    h.Record(unknown, 10);
    EXPECT_TRUE(h.entries()[2].devices.empty());
    History loaded;
    ASSERT_TRUE(loaded.Parse(h.Format()));
    EXPECT_EQ(loaded.entries(), h.entries());
    EXPECT_EQ(loaded.entries()[0].primary, 1);
    EXPECT_EQ(loaded.entries()[1].devices, across.devices);

    // As an earlier version wrote it (its checksum worked out on its own).
    const std::string before =
        "Murivane history 1\nPosition\t1\nP\t0\tc:\\a.jpg\t\tc:\\b.jpg\nP\t2\tc:\\z.jpg\nEnd\t2\ta27e9d65\n";
    ASSERT_TRUE(loaded.Parse(before));
    ASSERT_EQ(loaded.entries().size(), 2u);
    EXPECT_EQ(loaded.entries()[0].pictures, (std::vector<std::string>{"c:\\a.jpg", "", "c:\\b.jpg"}));
    EXPECT_EQ(loaded.entries()[0].monitorMode, -1);
    EXPECT_TRUE(loaded.entries()[0].devices.empty());
    EXPECT_TRUE(loaded.entries()[1].forced.bDoTiling);
    EXPECT_EQ(loaded.position(), 1u);

    // A monitors line that does not fit its entry is a damaged file.
    auto signedText = [](const std::string& body) {
        uint32_t sum = 2166136261u;
        for (unsigned char ch : body) sum = (sum ^ ch) * 16777619u;
        char end[32];
        std::snprintf(end, sizeof end, "End\t1\t%08x\n", static_cast<unsigned>(sum));
        return body + end;
    };
    const std::string head = "Murivane history 1\nPosition\t0\nP\t0\tc:\\a.jpg\tc:\\b.jpg\n";
    EXPECT_TRUE(loaded.Parse(signedText(head + "M\t1\t1\tD1\tD2\n")));
    EXPECT_EQ(loaded.entries()[0].primary, 1);
    for (const char* bad : {"M\t1\t0\tD1\n", "M\t1\t2\tD1\tD2\n", "M\t3\t0\tD1\tD2\n", "M\t1\t0\tD1\tD2\nM\t1\t0\tD1\tD2\n",
                            "M\t1\n"})
        EXPECT_FALSE(loaded.Parse(signedText(head + bad))) << bad;
}
