// Fuzzes the portable ini reader: any bytes as a collections file must read
// without a crash, a hang or a runaway allocation, and a key written into the
// file must read back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "platform/portable/PortableIni.h"
#include "platform/portable/PosixFileOps.h"

namespace {

std::string TempFile() {
    static std::string sPath = [] {
        char tmpl[] = "/tmp/murivane-ini-fuzz-XXXXXX";
        int fd = mkstemp(tmpl);
        if (fd >= 0) close(fd);
        return std::string(tmpl);
    }();
    return sPath;
}

// The real save steps without flushing to the disk, which would cost more
// than everything else an input does.
class UnsyncedFileOps : public mv::PosixFileOps {
public:
    bool Sync(Handle) override { return true; }
    bool Replace(const std::string& sTemp, const std::string& sPath) override {
        return std::rename(sTemp.c_str(), sPath.c_str()) == 0;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string sPath = TempFile();
    std::FILE* f = std::fopen(sPath.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    // A fresh reader each time, so nothing is remembered from the last input.
    static UnsyncedFileOps ops;
    mv::PortableIni ini(sPath, &ops);
    size_t budget = 200;  // lookups per input (each a scan of the sections), so that huge inputs stay quick
    for (const std::string& sSection : ini.GetSectionNames(16384)) {
        if (budget == 0) break;
        --budget;
        ini.GetInt(sSection, "FolderCount", 0);
        for (const std::string& sKey : ini.GetKeyNames(sSection)) {
            if (budget == 0) break;
            --budget;
            ini.GetString(sSection, sKey, "", 1024);
        }
    }
    ini.GetString("Default", "Folder0", "", 1024);
    ini.GetSectionNames(7);

    // Writing into whatever the file held keeps the written key readable.
    if (ini.WriteString("Fuzz Section", "Folder0", "c:\\pictures\\x")) {
        if (ini.GetString("Fuzz Section", "Folder0", "", 1024) != "c:\\pictures\\x") __builtin_trap();
        ini.DeleteSection("fuzz section");
    }
    return 0;
}
