#include "platform/FileOps.h"

#include <algorithm>

namespace mv {

bool ReplaceWholeFile(FileOps& ops, const std::string& sPath, const std::string& sBytes) {
    std::string sTemp;
    FileOps::Handle h = ops.CreateTemp(sPath, sTemp);
    if (!h) return false;
    bool bOk = true;
    // In pieces: a full disk shows up at the piece that does not fit.
    constexpr size_t kPiece = 1 << 16;
    for (size_t at = 0; bOk && at < sBytes.size(); at += kPiece)
        bOk = ops.Write(h, sBytes.data() + at, std::min(kPiece, sBytes.size() - at));
    bOk = bOk && ops.Sync(h);
    bOk = ops.Close(h) && bOk;
    bOk = bOk && ops.Replace(sTemp, sPath);
    // Gone after a replace in one step; left after a failure, or after a
    // copy in place where the old file could not be replaced.
    ops.Remove(sTemp);
    return bOk;
}

}  // namespace mv
