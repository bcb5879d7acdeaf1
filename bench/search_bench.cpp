// The drive search over a generated tree of 20,000 folders, a tenth of them
// holding pictures, through the portable directory seam; `find DIR -type d`
// over the same tree runs in the same benchmark for comparison. Both report
// folders per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "image/Drive.h"
#include "platform/portable/PosixDirectoryLister.h"

namespace {

constexpr int kFolders = 20000;

// 20 top folders, each with 10 subfolders holding 99 folders each, minus
// what goes over 20,000 folders in all; every tenth folder holds a picture
// and two other files, the rest two files that do not match.
const std::string& Tree() {
    static std::string root;
    if (!root.empty()) return root;
    char tmpl[] = "/tmp/murivane-search-bench-XXXXXX";
    root = mkdtemp(tmpl);
    int made = 0;
    auto dir = [&](const std::string& p) {
        ::mkdir(p.c_str(), 0755);
        std::ofstream(p + "/notes.txt") << "x";
        std::ofstream(p + "/data.bin") << "x";
        if (made % 10 == 0) std::ofstream(p + "/photo.jpg") << "x";
        ++made;
    };
    for (int a = 0; a < 20 && made < kFolders; ++a) {
        std::string pa = root + "/top" + std::to_string(a);
        dir(pa);
        for (int b = 0; b < 10 && made < kFolders; ++b) {
            std::string pb = pa + "/mid" + std::to_string(b);
            dir(pb);
            for (int c = 0; c < 99 && made < kFolders; ++c) dir(pb + "/leaf" + std::to_string(c));
        }
    }
    std::atexit([] { std::system(("rm -rf '" + root + "'").c_str()); });
    return root;
}

void BM_DriveSearch(benchmark::State& state) {
    const std::string& root = Tree();
    mv::PosixDirectoryLister lister;
    size_t found = 0;
    for (auto _ : state) {
        std::vector<std::string> folders;
        int entered = 0;
        mv::qvDrive(lister, root).Search("*.jpg *.jpeg *.bmp *.png", folders, false, true, false,
                                         [&](const std::string&) { ++entered; }, nullptr);
        found = folders.size();
        benchmark::DoNotOptimize(entered);
    }
    state.counters["found"] = static_cast<double>(found);
    state.counters["folders/s"] = benchmark::Counter(kFolders + 1.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DriveSearch)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_FindTypeD(benchmark::State& state) {
    const std::string cmd = "find '" + Tree() + "' -type d > /dev/null";
    for (auto _ : state) benchmark::DoNotOptimize(std::system(cmd.c_str()));
    state.counters["folders/s"] = benchmark::Counter(kFolders + 1.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FindTypeD)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace
