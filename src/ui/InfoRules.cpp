#include "ui/InfoRules.h"

namespace mv {

namespace {

// Letters, digits and "-._~" stand for themselves in an address; so does
// "/", the separator.
bool KeptAsWritten(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == '/';
}

}  // namespace

std::string FileSectionAddress(const std::string& sPath, const std::string& sSection) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string sSlashed = sPath;
    for (char& c : sSlashed)
        if (c == '\\') c = '/';
    std::string sUrl;
    size_t i = 0;
    if (sSlashed.compare(0, 2, "//") == 0) {
        sUrl = "file:";  // a network path: the server is the host
    } else {
        sUrl = "file:///";
        // The drive's colon stays one ("C:").
        if (sSlashed.size() >= 2 && sSlashed[1] == ':' &&
            ((sSlashed[0] >= 'A' && sSlashed[0] <= 'Z') || (sSlashed[0] >= 'a' && sSlashed[0] <= 'z'))) {
            sUrl += sSlashed.substr(0, 2);
            i = 2;
        }
    }
    for (; i < sSlashed.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(sSlashed[i]);
        if (KeptAsWritten(c)) {
            sUrl += static_cast<char>(c);
        } else {
            sUrl += '%';
            sUrl += kHex[c >> 4];
            sUrl += kHex[c & 15];
        }
    }
    return sUrl + "#" + sSection;
}

}  // namespace mv
