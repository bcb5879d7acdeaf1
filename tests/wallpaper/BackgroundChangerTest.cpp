#include <gtest/gtest.h>

#include <optional>

#include "platform/portable/MemoryDesktop.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/portable/PortableEnvironment.h"
#include "image/ImageBMP.h"
#include "image/TestPictures.h"
#include "support/TempDir.h"
#include "wallpaper/DefaultChangeSteps.h"
#include "wallpaper/BackgroundChanger.h"

using namespace mv;

namespace {

// Records every step the pipeline takes; decodes to a picture of a set size
// and colour, or to nothing.
struct RecordingSteps : ChangeSteps {
    std::vector<std::string> calls;
    int decodedWidth = 256, decodedHeight = 256, decodedBits = 24;
    Color decodedColor = 0x00202020;
    bool decodeFails = false;
    bool workingFails = false;
    bool composeFails = false;
    bool probes = false;  // the header tells the size (JPEG and PNG do)
    Size resizedTo;
    bool writeFails = false;
    DecoderKind lastKind = DecoderKind::Jpeg;
    Color stampedColor = 0xFFFFFFFF;
    Color appliedIcon = 0xFFFFFFFF;
    Color appliedBackground = 0xFFFFFFFF;
    std::string appliedPath, writtenPath;
    int appliedTile = -1, appliedStyle = -1;
    Size writtenSize;
    Size composedScreen;
    bool composedStretch = false;
    Color composedBackground = 0;

    static Image Filled(int w, int h, Color c) {
        Image img = Image::Create24(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) img.SetPixel(x, y, c);
        return img;
    }
    std::unique_ptr<Image> Decode(DecoderKind kind, const std::string&) override {
        calls.push_back("Decode");
        lastKind = kind;
        if (decodeFails) return std::make_unique<Image>();
        auto img = std::make_unique<Image>(Filled(decodedWidth, decodedHeight, decodedColor));
        if (decodedBits != 24) {
            // A low-depth picture: only the header's bit count matters to the pipeline.
            std::vector<uint8_t> block = img->Block();
            block[14] = static_cast<uint8_t>(decodedBits);
            struct Raw : Image {
                explicit Raw(std::vector<uint8_t> b) { Adopt(std::move(b)); }
            };
            return std::make_unique<Raw>(std::move(block));
        }
        return img;
    }
    std::optional<Size> PictureSize(DecoderKind, const std::string&) override {
        if (!probes) return std::nullopt;
        calls.push_back("Size");
        return Size{decodedWidth, decodedHeight};
    }
    Image DecodeResized(DecoderKind, const std::string&, Size size, Color& average) override {
        calls.push_back("Resized");
        resizedTo = size;
        average = decodedColor;
        return Filled(size.cx, size.cy, decodedColor);
    }
    Image DrawToWorking(std::unique_ptr<Image> p) override {
        calls.push_back("Draw");
        if (workingFails) return Image();
        return Filled(p->Width(), p->Height(), decodedColor);
    }
    Image MakeSeamlessTile(const Image& p) override {
        calls.push_back("Seamless");
        return Filled(p.Width(), p.Height(), decodedColor);
    }
    Image ComposeTiled(const Image&, Size screen) override {
        calls.push_back("Tiled");
        composedScreen = screen;
        if (composeFails) return Image();
        return Filled(screen.cx, screen.cy, decodedColor);
    }
    Image ComposeScreen(const Image&, bool bStretch, Size screen, Color bg) override {
        calls.push_back("Screen");
        composedScreen = screen;
        composedStretch = bStretch;
        composedBackground = bg;
        if (composeFails) return Image();
        return Filled(screen.cx, screen.cy, bg);
    }
    void StampDate(Image&, Color text) override {
        calls.push_back("Date");
        stampedColor = text;
    }
    bool WriteWallpaper(const Image& p, const std::string& sPath) override {
        calls.push_back("Write");
        writtenPath = sPath;
        writtenSize = {p.Width(), p.Height()};
        return !writeFails;
    }
    void ApplyWallpaper(const std::string& sPath, int tile, int style) override {
        calls.push_back("Wallpaper");
        appliedPath = sPath;
        appliedTile = tile;
        appliedStyle = style;
    }
    void ApplyBackgroundColor(Color c) override {
        calls.push_back("Background");
        appliedBackground = c;
    }
    void ApplyIconTextColor(Color c) override {
        calls.push_back("Icons");
        appliedIcon = c;
    }
};

struct RecordingTrace : TraceSink {
    bool on = true;
    std::vector<std::string> lines;
    bool IsOn() const override { return on; }
    void TraceLine(const std::string& s) override { lines.push_back(s); }
};

struct Pipeline : ::testing::Test {
    test::TempDir dir;
    MemoryRegistry store;
    Profile profile{store, "Quorvale", "Murivane"};
    MemoryDesktop desktop;
    PortableEnvironment env{dir.Path()};
    Settings settings;
    RecordingSteps steps;
    RecordingTrace trace;
    bool usingActiveDesktop = false;

    Pipeline() {
        settings.IconTextColor = 0x00112233;
        settings.BackgroundColor = 0x00445566;
        settings.PictureFit = 0;  // plain stretch: the cases below are about the layout rules
        desktop.screen = {1024, 768};
    }
    BackgroundChanger Changer() {
        return BackgroundChanger(ChangeContext{settings, profile, desktop, env, steps,
                                               [this] { return usingActiveDesktop; }, &trace});
    }
    bool Change(const std::string& path, const std::string& ext, Color hint = 0, bool force = false,
                bool tile = false, bool stretch = false, bool seamless = false) {
        BackgroundChanger changer = Changer();
        bool ok = changer.ChangeBackground(path, ext, hint, force, tile, stretch, seamless);
        composition = changer.LastComposition();
        failure = changer.LastFailure();
        return ok;
    }
    std::string Output() const { return dir.Path() + "\\Murivane.bmp"; }
    Composition composition = Composition::None;
    std::string failure;
};

using Calls = std::vector<std::string>;

}  // namespace

TEST_F(Pipeline, DecoderChosenByExtensionWithoutCase) {
    EXPECT_EQ(DecoderForExtension("BMP"), DecoderKind::Bmp);
    EXPECT_EQ(DecoderForExtension("bMp"), DecoderKind::Bmp);
    EXPECT_EQ(DecoderForExtension("PNG"), DecoderKind::Png);
    for (const char* ext : {"jpg", "jpe", "jpeg", "JPG", "gif", "tif", "", "bmpx", "bm"})
        EXPECT_EQ(DecoderForExtension(ext), DecoderKind::Jpeg) << ext;
}

TEST_F(Pipeline, FailedDecodeRecordsLastImageAndTouchesNothingElse) {
    steps.decodeFails = true;
    EXPECT_TRUE(Change("C:\\pics\\broken.jpg", "jpg"));
    EXPECT_EQ(steps.calls, Calls{"Decode"});
    EXPECT_EQ(profile.GetString("Config", "LastImageShown", ""), "C:\\pics\\broken.jpg");
    EXPECT_TRUE(desktop.wallpapers.empty());
}

// Whether the shell is handed a GIF is told by the file's first bytes, not
// its name: a GIF named as a JPEG is handed over, a JPEG named as a GIF is
// decoded like any picture, and so is every GIF while Active Desktop is off.
TEST_F(Pipeline, OnlyAFileWithTheGifSignatureIsHandedToActiveDesktop) {
    const std::string gif = dir.File("a.jpg"), notGif = dir.File("b.gif");
    ASSERT_TRUE(test::WriteBytes(gif, test::EncodeGif(test::Pixels::Pattern(8, 8), test::GifFrame())));
    ASSERT_TRUE(test::WriteBytes(notGif, test::EncodeJpeg(test::Pixels::Pattern(8, 8))));
    usingActiveDesktop = true;
    settings.ShowDate = true;
    Change(gif, "jpg");
    EXPECT_EQ(steps.calls, (Calls{"Wallpaper", "Background", "Icons"}));
    EXPECT_EQ(steps.appliedPath, gif);
    EXPECT_EQ(steps.appliedTile, 1);
    EXPECT_EQ(steps.appliedStyle, 0);
    EXPECT_EQ(steps.appliedIcon, settings.IconTextColor);
    // A forced layout still rules a GIF.
    steps = RecordingSteps();
    Change(gif, "jpg", 0, true, false, true, false);
    EXPECT_EQ(steps.appliedTile, 0);
    EXPECT_EQ(steps.appliedStyle, 2);

    steps = RecordingSteps();
    settings.ShowDate = false;
    Change(notGif, "gif");
    EXPECT_EQ(steps.calls.front(), "Decode");
    EXPECT_EQ(steps.appliedPath, Output());

    // Without Active Desktop a GIF is a picture like the others.
    steps = RecordingSteps();
    usingActiveDesktop = false;
    Change(gif, "gif");
    EXPECT_EQ(steps.calls, (Calls{"Decode", "Draw", "Seamless", "Write", "Wallpaper", "Background", "Icons"}));
    EXPECT_EQ(steps.appliedPath, Output());
}

// The real decoders, each chosen by the file's signature; a file no
// signature matches goes to the decoder its extension names.
TEST_F(Pipeline, RealDecodersAreChosenBySignatureThenByExtension) {
    DefaultChangeSteps real(settings, store, desktop, env, nullptr, [] { return false; });
    auto change = [&](const std::string& path) {
        BackgroundChanger changer(ChangeContext{settings, profile, desktop, env, real, [] { return false; }, nullptr});
        desktop.wallpapers.clear();
        changer.ChangeBackground(path, path.substr(path.rfind('.') + 1), 0, false, false, false, false);
        return changer.LastFailure();
    };
    settings.CreateSeamless = false;  // a small picture is written as it is
    const test::Pixels px = test::Pixels::Pattern(7, 4);
    auto expectShown = [&](const std::string& path) {
        SCOPED_TRACE(path);
        EXPECT_EQ(change(path), "");
        ASSERT_EQ(desktop.wallpapers.size(), 1u);
        const ImageBMP shown(desktop.wallpapers[0]);
        ASSERT_TRUE(shown.IsValid());
        ASSERT_EQ(shown.Width() * 100 + shown.Height(), 704);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 7; ++x) {
                const uint8_t* p = &px.data[static_cast<size_t>((y * 7 + x) * 3)];
                ASSERT_EQ(shown.Pixel(x, y), MakeRGB(p[0], p[1], p[2])) << x << "," << y;
            }
    };

    // A bare DIB (no file header, so no "BM") named .bmp, in any case.
    test::BmpLayout bare;
    bare.bFileHeader = false;
    bare.width = 7, bare.height = 4, bare.bits = test::BmpRows24(px);
    for (const char* name : {"bare.bmp", "BARE2.BMP"}) {
        ASSERT_TRUE(test::WriteBytes(dir.File(name), test::MakeBmp(bare)));
        expectShown(dir.File(name));
    }
    // A PNG named as a JPEG.
    ASSERT_TRUE(test::WriteBytes(dir.File("png.jpg"), test::EncodePng(px, 2)));
    expectShown(dir.File("png.jpg"));

    // No known signature and no known extension, or a bare DIB named as
    // something else: a failed picture, the desktop as it was.
    ASSERT_TRUE(test::WriteBytes(dir.File("notes.txt"), std::vector<uint8_t>(64, 'x')));
    ASSERT_TRUE(test::WriteBytes(dir.File("bare.jpg"), test::MakeBmp(bare)));
    for (const char* name : {"notes.txt", "bare.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(change(dir.File(name)), ReadFailureText(dir.File(name)));
        EXPECT_TRUE(desktop.wallpapers.empty());
    }
}

TEST_F(Pipeline, SmallPictureTiledBareWhenNoDateAndNoSmartTiling) {
    settings.CreateSeamless = false;
    Change("C:\\t.bmp", "bmp");
    EXPECT_EQ(composition, Composition::PictureItself);
    EXPECT_EQ(steps.calls, (Calls{"Decode", "Draw", "Write", "Wallpaper", "Background", "Icons"}));
    EXPECT_EQ(steps.appliedPath, Output());
    EXPECT_EQ(steps.appliedTile, 1);
    EXPECT_EQ(steps.appliedStyle, 0);
    EXPECT_EQ(steps.writtenSize.cx, 256);

    steps = RecordingSteps();
    settings.CreateSeamless = true;
    Change("C:\\t.bmp", "bmp");
    EXPECT_EQ(composition, Composition::SeamlessTile);
    EXPECT_EQ(steps.calls, (Calls{"Decode", "Draw", "Seamless", "Write", "Wallpaper", "Background", "Icons"}));
    EXPECT_EQ(steps.appliedTile, 1);
}

TEST_F(Pipeline, TiledWithDateOrSmartTilingFillsTheScreen) {
    settings.CreateSeamless = true;
    settings.ShowDate = true;
    Change("C:\\t.png", "png");
    EXPECT_EQ(composition, Composition::SeamlessScreen);
    EXPECT_EQ(steps.calls,
              (Calls{"Decode", "Draw", "Seamless", "Tiled", "Date", "Write", "Wallpaper", "Background", "Icons"}));
    EXPECT_EQ(steps.appliedTile, 0);
    EXPECT_EQ(steps.appliedStyle, 0);
    EXPECT_EQ(steps.writtenSize.cx, 1024);
    EXPECT_EQ(steps.writtenSize.cy, 768);

    steps = RecordingSteps();
    settings.ShowDate = false;
    settings.SmartTiling = 2;
    settings.CreateSeamless = false;
    Change("C:\\t.png", "png");
    EXPECT_EQ(composition, Composition::TiledScreen);
    EXPECT_EQ(steps.calls, (Calls{"Decode", "Draw", "Tiled", "Write", "Wallpaper", "Background", "Icons"}));
    EXPECT_EQ(steps.appliedTile, 0);
}

TEST_F(Pipeline, CentredWithDateIsComposedOnTheBackgroundColour) {
    settings.ShowDate = true;
    steps.decodedWidth = 700;
    steps.decodedHeight = 500;  // 44.5 %: centred
    Change("C:\\c.jpg", "jpg");
    EXPECT_EQ(composition, Composition::DatedScreen);
    EXPECT_EQ(steps.calls, (Calls{"Decode", "Draw", "Screen", "Date", "Write", "Wallpaper", "Background", "Icons"}));
    EXPECT_FALSE(steps.composedStretch);
    EXPECT_EQ(steps.composedBackground, settings.BackgroundColor);
    EXPECT_EQ(steps.appliedTile, 0);
    EXPECT_EQ(steps.appliedStyle, 0);
    EXPECT_EQ(steps.appliedBackground, settings.BackgroundColor);
    EXPECT_EQ(steps.stampedColor, settings.IconTextColor);  // centred keeps IconTextColor

    // Stretched with a date: composed stretched, then the shell shows it as it is.
    steps = RecordingSteps();
    steps.decodedWidth = 800;
    steps.decodedHeight = 600;
    Change("C:\\s.jpg", "jpg");
    EXPECT_TRUE(steps.composedStretch);
    EXPECT_EQ(steps.appliedStyle, 0);
}

TEST_F(Pipeline, StretchedWithoutDateIsHandedOverAtItsOwnSize) {
    steps.decodedWidth = 800;
    steps.decodedHeight = 600;
    Change("C:\\s.jpg", "jpg");
    EXPECT_EQ(composition, Composition::PictureItself);
    EXPECT_EQ(steps.appliedTile, 0);
    EXPECT_EQ(steps.appliedStyle, 2);
    EXPECT_EQ(steps.writtenSize.cx, 800);
}

// A picture stretched over a smaller screen comes from the decoder at the
// screen's size and is written so, with the stretch style kept; one that
// fits is decoded whole.
TEST_F(Pipeline, LargePictureIsDecodedStraightToTheScreenSize) {
    steps.probes = true;
    steps.decodedWidth = 6000;
    steps.decodedHeight = 4000;
    steps.decodedColor = 0x00F0F0F0;  // light: black captions
    Change("C:\\big.jpg", "jpg");
    EXPECT_EQ(steps.calls, (Calls{"Size", "Resized", "Write", "Wallpaper", "Background", "Icons"}));
    EXPECT_EQ(steps.resizedTo.cx, 1024);
    EXPECT_EQ(steps.resizedTo.cy, 768);
    EXPECT_EQ(steps.writtenSize.cx, 1024);
    EXPECT_EQ(steps.appliedTile, 0);
    EXPECT_EQ(steps.appliedStyle, 2);
    EXPECT_EQ(steps.appliedIcon, kBlack);

    steps = RecordingSteps();
    steps.probes = true;
    settings.ShowDate = true;
    steps.decodedWidth = 6000;
    steps.decodedHeight = 4000;
    Change("C:\\big.jpg", "jpg");
    EXPECT_EQ(steps.calls, (Calls{"Size", "Resized", "Date", "Write", "Wallpaper", "Background", "Icons"}));
    EXPECT_EQ(steps.appliedStyle, 0);

    steps = RecordingSteps();
    steps.probes = true;
    steps.decodedWidth = 800;  // stretched, but smaller than the screen
    steps.decodedHeight = 600;
    Change("C:\\s.jpg", "jpg");
    EXPECT_EQ(steps.calls[0], "Size");
    EXPECT_EQ(steps.calls[1], "Decode");
}

TEST_F(Pipeline, ForcedLayoutOverridesThePercentageRule) {
    steps.decodedWidth = 1000;
    steps.decodedHeight = 700;  // would be stretched
    Change("C:\\f.jpg", "jpg", 0, true, true, false, false);
    EXPECT_EQ(steps.appliedTile, 1);
    EXPECT_EQ(steps.appliedStyle, 0);
    EXPECT_EQ(composition, Composition::PictureItself);  // CreateSeamless is ignored when forced

    steps = RecordingSteps();
    Change("C:\\f.jpg", "jpg", 0, true, false, false, true);  // seamless implies tiling
    EXPECT_EQ(composition, Composition::SeamlessTile);
    EXPECT_EQ(steps.appliedTile, 1);

    steps = RecordingSteps();
    steps.decodedWidth = 100;
    steps.decodedHeight = 100;
    Change("C:\\f.jpg", "jpg", 0, true, false, false, false);  // centred although tiny
    EXPECT_EQ(steps.appliedTile, 0);
    EXPECT_EQ(steps.appliedStyle, 0);
}

TEST_F(Pipeline, IconColourFollowsLightnessOnlyWhenThePictureCoversTheDesktop) {
    // Dark tiled picture: white captions.
    steps.decodedColor = 0x00100010;
    settings.CreateSeamless = false;
    Change("C:\\d.jpg", "jpg");
    EXPECT_EQ(steps.appliedIcon, 0xFFFFFFu);
    // Light picture: black.
    steps = RecordingSteps();
    steps.decodedColor = 0x00F0F0F0;
    Change("C:\\l.jpg", "jpg");
    EXPECT_EQ(steps.appliedIcon, 0x000000u);
    // The hint wins over the average colour.
    steps = RecordingSteps();
    steps.decodedColor = 0x00F0F0F0;
    Change("C:\\l.jpg", "jpg", 0x00101010);
    EXPECT_EQ(steps.appliedIcon, 0xFFFFFFu);
    // Centred: IconTextColor is kept.
    steps = RecordingSteps();
    steps.decodedColor = 0x00400000;
    steps.decodedWidth = 700;
    steps.decodedHeight = 500;
    Change("C:\\c.jpg", "jpg");
    EXPECT_EQ(steps.appliedIcon, settings.IconTextColor);
    // ChooseIconColor off: kept.
    steps = RecordingSteps();
    settings.ChooseIconColor = false;
    Change("C:\\d.jpg", "jpg");
    EXPECT_EQ(steps.appliedIcon, settings.IconTextColor);
    // An 8-bit picture is not judged.
    steps = RecordingSteps();
    settings.ChooseIconColor = true;
    steps.decodedBits = 8;
    Change("C:\\p.bmp", "bmp");
    EXPECT_EQ(steps.appliedIcon, settings.IconTextColor);
}

TEST_F(Pipeline, LightnessThreshold) {
    EXPECT_EQ(BackgroundChanger::IconColorForSample(MakeRGB(128, 128, 128)), kBlack);
    EXPECT_EQ(BackgroundChanger::IconColorForSample(MakeRGB(127, 127, 127)), kWhite);
    EXPECT_EQ(BackgroundChanger::IconColorForSample(MakeRGB(255, 0, 0)), kBlack);
    EXPECT_EQ(BackgroundChanger::IconColorForSample(MakeRGB(0, 0, 0)), kWhite);
}

// A change that cannot be read, composed or written changes nothing on the
// desktop, whichever step failed, and says which for the tool tip.
TEST_F(Pipeline, CompositionFailureChangesNothingOnTheDesktop) {
    steps.decodeFails = true;
    Change("C:\\pics\\x.jpg", "jpg");
    EXPECT_EQ(failure, "Murivane: could not read C:\\pics\\x.jpg");
    // A long path keeps its end, within the tray tip's 63 bytes, cut between
    // characters.
    std::string sDeep = "C:\\";
    for (int i = 0; i < 60; ++i) sDeep += "Ж";
    Change(sDeep + "\\x.jpg", "jpg");
    EXPECT_LE(failure.size(), 63u);
    EXPECT_EQ(failure.rfind("Murivane: could not read ...Ж", 0), 0u) << failure;
    EXPECT_EQ(failure.substr(failure.size() - 10), "ЖЖ\\x.jpg");

    steps = RecordingSteps();
    steps.workingFails = true;
    Change("C:\\x.jpg", "jpg");
    EXPECT_EQ(steps.calls, (Calls{"Decode", "Draw"}));
    EXPECT_EQ(failure, "Murivane: not enough memory to show C:\\x.jpg");

    steps = RecordingSteps();
    steps.composeFails = true;
    steps.decodedWidth = 16;  // tiled: the screen is composed of tiles
    steps.decodedHeight = 16;
    settings.SmartTiling = 1;
    Change("C:\\x.jpg", "jpg");
    EXPECT_EQ(steps.calls, (Calls{"Decode", "Draw", "Seamless", "Tiled"}));

    steps = RecordingSteps();
    steps.writeFails = true;
    Change("C:\\x.jpg", "jpg");
    EXPECT_EQ(steps.calls.back(), "Write");
    EXPECT_TRUE(desktop.wallpapers.empty());
    EXPECT_EQ(failure, WriteFailureText(Output()));
    EXPECT_EQ(failure.substr(failure.size() - 13), "\\Murivane.bmp");

    steps = RecordingSteps();
    Change("C:\\x.jpg", "jpg");
    EXPECT_EQ(failure, "");
}

TEST_F(Pipeline, ZeroScreenLeavesEverythingCentred) {
    desktop.screen = {0, 0};
    steps.decodedWidth = 16;
    steps.decodedHeight = 16;
    Change("C:\\x.jpg", "jpg");
    EXPECT_EQ(steps.appliedTile, 0);
    EXPECT_EQ(steps.appliedStyle, 0);
    EXPECT_EQ(composition, Composition::PictureItself);
}

TEST_F(Pipeline, TracesTheArgumentsInOrder) {
    Change("C:\\x.jpg", "jpg", 0, true, true, false, true);
    ASSERT_GE(trace.lines.size(), 11u);
    const char* expected[] = {" : sFilePathName = C:\\x.jpg", " : sExt = jpg", " : bForcePosition = 1",
                              " : bDoTiling = 1", " : bDoStretching = 0", " : bDoTileSeamless = 1",
                              " : bAddDate = 0", " : bUseDirectImage = 0"};
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_NE(trace.lines[i].find(expected[i]), std::string::npos) << trace.lines[i];
        EXPECT_NE(trace.lines[i].find("BackgroundChanger"), std::string::npos);
        EXPECT_NE(trace.lines[i].find(" line "), std::string::npos);
    }
    trace.lines.clear();
    trace.on = false;
    Change("C:\\x.jpg", "jpg");
    EXPECT_TRUE(trace.lines.empty());
}

TEST_F(Pipeline, StretchedPicturesAreJudgedAndTheDateTakesTheCaptionColour) {
    // A light picture covering 89% of the screen is stretched: black captions,
    // and the date drawn on it in the same black.
    settings.ShowDate = true;
    steps.decodedWidth = 1000;
    steps.decodedHeight = 700;
    steps.decodedColor = 0x00E0E0E0;
    Change("C:\\big.jpg", "jpg");
    EXPECT_TRUE(steps.composedStretch);
    EXPECT_EQ(steps.appliedIcon, kBlack);
    EXPECT_EQ(steps.stampedColor, kBlack);
    // Stretched by the caller's choice, dark: white captions and date.
    steps = RecordingSteps();
    steps.decodedColor = 0x00300000;
    Change("C:\\small.jpg", "jpg", 0, true, false, true, false);
    EXPECT_EQ(steps.appliedIcon, kWhite);
    EXPECT_EQ(steps.stampedColor, kWhite);
}

// A stretched picture of another shape than the screen's is made screen-sized
// here, with its shape kept, and handed over centred (the shell's stretch
// would distort it). Sizes by hand: 6000 x 4000 covering 1024 x 768 is
// 1152 x 768 (6000 x 768 / 4000); 1200 x 1800 fitting inside it is
// 512 x 768. Tiling and a matching shape stay as they were.
TEST_F(Pipeline, StretchedPicturesKeepTheirShapeAndAreDecodedToTheSizeShown) {
    settings.PictureFit = 4;
    steps.probes = true;
    steps.decodedWidth = 6000;
    steps.decodedHeight = 4000;  // filling keeps 8/9 of it: filled
    Change("C:\\big.jpg", "jpg");
    EXPECT_EQ(steps.calls, (Calls{"Size", "Resized", "Write", "Wallpaper", "Background", "Icons"}));
    EXPECT_EQ(steps.resizedTo.cx, 1152);
    EXPECT_EQ(steps.resizedTo.cy, 768);
    EXPECT_EQ(composition, Composition::FittedScreen);
    EXPECT_EQ(steps.writtenSize.cx, 1024);
    EXPECT_EQ(steps.writtenSize.cy, 768);
    EXPECT_EQ(steps.appliedTile, 0);
    EXPECT_EQ(steps.appliedStyle, 0);

    // Fitted whole on a black background: a light picture over half the
    // screen shows as dark on average (120 of 255), so the captions are
    // white, from what is shown, not black from the picture alone. The date
    // is stamped on the composed screen in the same colour.
    steps = RecordingSteps();
    steps.probes = true;
    settings.PictureFit = 2;
    settings.BackgroundColor = 0;
    settings.ShowDate = true;
    steps.decodedWidth = 1200;
    steps.decodedHeight = 1800;
    steps.decodedColor = 0x00F0F0F0;
    Change("C:\\tall.jpg", "jpg");
    EXPECT_EQ(steps.calls, (Calls{"Size", "Resized", "Date", "Write", "Wallpaper", "Background", "Icons"}));
    EXPECT_EQ(steps.resizedTo.cx, 512);
    EXPECT_EQ(steps.resizedTo.cy, 768);
    EXPECT_EQ(steps.appliedIcon, kWhite);
    EXPECT_EQ(steps.stampedColor, kWhite);
    EXPECT_EQ(steps.appliedStyle, 0);

    // Forced to stretch, a picture the decoder reads whole (no size probe)
    // is fitted too; one whose shape is the screen's keeps today's route.
    steps = RecordingSteps();
    settings.ShowDate = false;
    steps.decodedWidth = 300;
    steps.decodedHeight = 600;
    Change("C:\\small.bmp", "bmp", 0, true, false, true, false);
    EXPECT_EQ(composition, Composition::FittedScreen);
    EXPECT_EQ(steps.writtenSize.cx, 1024);
    steps = RecordingSteps();
    steps.decodedWidth = 800;
    steps.decodedHeight = 600;
    Change("C:\\s.jpg", "jpg");
    EXPECT_EQ(composition, Composition::PictureItself);
    EXPECT_EQ(steps.appliedStyle, 2);
    EXPECT_EQ(steps.writtenSize.cx, 800);

    // A small picture is tiled whatever its shape.
    steps = RecordingSteps();
    settings.CreateSeamless = false;
    steps.decodedWidth = 50;
    steps.decodedHeight = 200;
    Change("C:\\t.jpg", "jpg");
    EXPECT_EQ(composition, Composition::PictureItself);
    EXPECT_EQ(steps.appliedTile, 1);
}
