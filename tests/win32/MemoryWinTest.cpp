// A 32-bit process runs out of address space long before a picture reaches
// the size limits; running out must give invalid pictures, not an abort.
// Pictures that would take more memory than they should are measured in a
// process of their own: the peak working set of one decode.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/ByteSource.h"
#include "image/HeifFiles.h"
#include "image/Image.h"
#include "image/PictureFile.h"

namespace {

TEST(MemoryWin, HugePicturesFailCleanly) {
#ifdef _WIN64
    GTEST_SKIP() << "a 64-bit process does not run out of address space at 6.4 GB; the 32-bit program, "
                    "which does, cannot run on this machine";
#endif
    std::vector<mv::Image> held;
    bool bFailed = false;
    for (int i = 0; i < 8 && !bFailed; ++i) {
        mv::Image img = mv::Image::Create24(16384, 16384);  // 805 MB each
        if (!img.IsValid())
            bFailed = true;
        else
            held.push_back(std::move(img));
    }
    EXPECT_TRUE(bFailed);
    held.clear();
    EXPECT_TRUE(mv::Image::Create24(640, 480).IsValid());
}

constexpr char kPictureVar[] = "MURIVANE_PEAK_PICTURE";
constexpr char kReportVar[] = "MURIVANE_PEAK_REPORT";

// Run by PeakOf in a fresh copy of this program: decodes the picture as the
// Preview does (whole, upright) and as a change to a 1024 x 768 screen does
// (straight to that size), then writes "<whole valid> <resized valid>
// <width> <height> <peak working set in bytes>" to the report file.
TEST(MemoryWin, DISABLED_DecodeInAProcessOfItsOwn) {
    const char* sPicture = std::getenv(kPictureVar);
    const char* sReport = std::getenv(kReportVar);
    if (!sPicture || !sReport) GTEST_SKIP() << "started by the MemoryWin tests with a picture to decode";
    int width = 0, height = 0;
    bool bWhole = false, bResized = false;
    {
        std::unique_ptr<mv::Image> whole = mv::DecodePictureFile(sPicture);
        bWhole = whole && whole->IsValid();
        if (bWhole) width = whole->Width(), height = whole->Height();
    }
    {
        mv::FileSource file(sPicture);
        const mv::PictureDecoder* decoder = mv::DecoderFor(mv::SniffFormat(file));
        mv::Color average = 0;
        bResized = decoder && decoder->decodeResized &&
                   decoder->decodeResized(file, 1024, 768, &average, mv::DecodeLimits()).IsValid();
    }
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters));
    std::ofstream(sReport) << bWhole << ' ' << bResized << ' ' << width << ' ' << height << ' '
                           << counters.PeakWorkingSetSize << '\n';
}

struct Peak {
    bool bRan = false;
    bool bWhole = false, bResized = false;
    int width = 0, height = 0;
    double megabytes = 0;
};

std::string TempFile(const char* sName) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + sName;
}

bool WriteFileBytes(const std::string& sPath, const std::vector<uint8_t>& bytes) {
    std::ofstream f(sPath, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

// The picture decoded by DISABLED_DecodeInAProcessOfItsOwn in a new process.
Peak PeakOf(const std::vector<uint8_t>& bytes, const char* sName) {
    Peak peak;
    const std::string picture = TempFile(sName), report = TempFile("murivane-peak.txt");
    DeleteFileA(report.c_str());
    if (!WriteFileBytes(picture, bytes)) return peak;
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string cmd = std::string("\"") + exe +
                      "\" --gtest_also_run_disabled_tests --gtest_filter=MemoryWin.DISABLED_DecodeInAProcessOfItsOwn";
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    SetEnvironmentVariableA(kPictureVar, picture.c_str());
    SetEnvironmentVariableA(kReportVar, report.c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const bool bStarted = CreateProcessA(exe, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
    SetEnvironmentVariableA(kPictureVar, nullptr);
    SetEnvironmentVariableA(kReportVar, nullptr);
    if (!bStarted) return peak;
    if (WaitForSingleObject(pi.hProcess, 180000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    std::ifstream in(report);
    unsigned long long bytesPeak = 0;
    if (in >> peak.bWhole >> peak.bResized >> peak.width >> peak.height >> bytesPeak) {
        peak.bRan = true;
        peak.megabytes = static_cast<double>(bytesPeak) / (1 << 20);
    }
    DeleteFileA(picture.c_str());
    DeleteFileA(report.c_str());
    return peak;
}

// Where make-format-pictures.sh put its files, as a Windows path.
std::string Made(const char* sName) {
    const char* sUnix = std::getenv("MURIVANE_FORMAT_PICTURES");
    if (!sUnix) return std::string();
    std::string made = std::string("Z:") + sUnix + "/" + sName;
    for (char& c : made)
        if (c == '/') c = '\\';
    return made;
}

std::vector<uint8_t> ReadFileBytes(const std::string& sPath) {
    std::ifstream f(sPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// A 64 x 64 picture by its boxes whose own stream claims 16000 x 16000 (HEVC
// and AV1, with a clean aperture and without): refused before a codec
// allocates by the stream.
TEST(MemoryWin, StreamsLargerThanTheirBoxesAreRefusedWithinTheirMemory) {
    if (Made("photo.heic").empty()) GTEST_SKIP() << "MURIVANE_FORMAT_PICTURES is not set";
    for (const char* name : {"photo.heic", "photo.avif"}) {
        mv::test::CodedPicture coded;
        ASSERT_TRUE(mv::test::SplitHeif(ReadFileBytes(Made(name)), coded)) << name;
        ASSERT_TRUE(mv::test::WithCodedSize(coded, 16000, 16000)) << name;
        coded.width = coded.height = 64;
        for (bool bClap : {false, true}) {
            SCOPED_TRACE(std::string(name) + (bClap ? " with a clean aperture" : ""));
            mv::test::HeifLayout layout;
            layout.tiles = {coded};
            if (bClap) layout.transforms = {mv::test::ClapBox(48, 48, 0, 0)};
            const Peak peak = PeakOf(mv::test::WriteHeif(layout), "murivane-hostile.heif");
            ASSERT_TRUE(peak.bRan);
            EXPECT_FALSE(peak.bWhole);
            EXPECT_FALSE(peak.bResized);
            EXPECT_LT(peak.megabytes, 300);
            std::printf("[ peak     ] %s%s: %.0f MB\n", name, bClap ? " with clap" : "", peak.megabytes);
        }
    }
}

// The Preview of a 48-megapixel portrait photograph as a phone stores it: a
// grid of 16 x 12 tiles of 512 x 512 cut to 8000 x 6000, turned upright by
// its 'irot'. Turned while it is written: one full picture, never two.
TEST(MemoryWin, TurnedPhotographIsHeldOnce) {
    if (Made("tile.heic").empty()) GTEST_SKIP() << "MURIVANE_FORMAT_PICTURES is not set";
    mv::test::CodedPicture tile;
    ASSERT_TRUE(mv::test::SplitHeif(ReadFileBytes(Made("tile.heic")), tile));
    ASSERT_EQ(tile.width, 512u);
    mv::test::HeifLayout grid;
    grid.bGrid = true;
    grid.columns = 16, grid.rows = 12, grid.width = 8000, grid.height = 6000;
    grid.tiles.assign(16 * 12, tile);
    grid.transforms = {mv::test::IrotBox(1)};
    const Peak peak = PeakOf(mv::test::WriteHeif(grid), "murivane-portrait.heic");
    ASSERT_TRUE(peak.bRan);
    EXPECT_TRUE(peak.bWhole);
    EXPECT_TRUE(peak.bResized);
    EXPECT_EQ(peak.width, 6000);
    EXPECT_EQ(peak.height, 8000);
    EXPECT_LT(peak.megabytes, 250);
    std::printf("[ peak     ] 8000 x 6000 HEIC turned upright: %.0f MB\n", peak.megabytes);

    // A lossless 12000 x 9000 WebP: libwebp would hold it whole as 432 MB of
    // 32-bit pixels whatever size it is decoded to, so it is refused.
    const Peak webp = PeakOf(mv::test::FlatLosslessWebp(12000, 9000, 200, 100, 50), "murivane-lossless.webp");
    ASSERT_TRUE(webp.bRan);
    EXPECT_FALSE(webp.bWhole);
    EXPECT_FALSE(webp.bResized);
    EXPECT_LT(webp.megabytes, 150);
    std::printf("[ peak     ] 12000 x 9000 lossless WebP: %.0f MB\n", webp.megabytes);
}

}  // namespace
