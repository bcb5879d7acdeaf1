// Fuzzes the history file's reader: any bytes must be refused or read
// without a crash, a hang or a runaway allocation; the body of a file is also
// tried with a valid last line, so the checksum does not hide the parser; and
// whatever is read must be written and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "shell/History.h"

namespace {

uint32_t Fnv1a(const std::string& s) {
    uint32_t h = 2166136261u;
    for (unsigned char c : s) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

void Check(const std::string& sText) {
    mv::History h;
    if (!h.Parse(sText)) {
        if (!h.entries().empty()) __builtin_trap();
        return;
    }
    if (h.position() > h.entries().size()) __builtin_trap();
    mv::History again;
    if (!again.Parse(h.Format()) || !(again.entries() == h.entries()) || again.position() != h.position())
        __builtin_trap();
    h.CanGoBack([](const std::string&) { return false; });
    h.Back(nullptr);
    h.Forward(nullptr);
    h.Trim(3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string sBody(reinterpret_cast<const char*>(data), size);
    Check(sBody);
    // The body with the last line it would need: the count is its lines but
    // the first two.
    size_t lines = 0;
    for (char c : sBody) lines += c == '\n';
    char end[64];
    std::snprintf(end, sizeof end, "End\t%zu\t%08x\n", lines >= 2 ? lines - 2 : 0,
                  static_cast<unsigned>(Fnv1a(sBody)));
    Check(sBody + end);
    return 0;
}
