// Fuzzes the reader of the command record another process hands the tray:
// any bytes must be refused or read without reading past them, and whatever
// is read must be written back to the very same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "shell/TrayCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's length, so a read past it is caught.
    std::vector<uint8_t> bytes(data, data + size);
    const std::optional<mv::TrayCommandRecord> record = mv::DecodeTrayCommand(bytes.data(), bytes.size());
    if (!record) return 0;
    const std::vector<uint8_t> again = mv::EncodeTrayCommand(*record);
    if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
    return 0;
}
