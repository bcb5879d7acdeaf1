#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/DirectoryLister.h"

namespace mv {

// The search of one drive for every folder that directly holds files
// matching the patterns. Depth first, each folder before its subfolders, in
// the order the platform lists them; hidden folders are neither reported nor
// entered unless asked for, names beginning with "." never. No file is
// opened: a folder costs one listing of its entries, matched against the
// patterns in memory (name or short name, as a wildcard listing matches).
class qvDrive {
public:
    // Called with each folder's path as the search enters it.
    using StatusFn = std::function<void(const std::string&)>;

    // The root always ends with a backslash ("c:\").
    qvDrive(DirectoryLister& lister, const std::string& sRoot);
    virtual ~qvDrive() = default;

    const std::string& root() const { return m_sRoot; }

    // Appends the folders found to `found`: the root as "c:\", the others
    // without a trailing backslash. Stops as soon as *pbKeepGoing reads false
    // (never when the pointer is null); what was found so far stays. True
    // when every folder of the drive was searched, even if the flag went
    // down after the last one. bUnused is accepted for the callers' sake and
    // ignored.
    bool Search(const std::string& sPatterns, std::vector<std::string>& found, bool bUnused, bool bIncludeSystem,
                bool bIncludeHidden, const StatusFn& status, const std::atomic<bool>* pbKeepGoing);

    // The fixed drives' roots ("a:\" ... "z:\") named by a bitmask of drives,
    // bit 0 for a, for which isFixed says yes.
    static std::vector<std::string> FixedDriveRoots(uint32_t uMask, const std::function<bool(const std::string&)>& isFixed);

private:
    struct Job;
    void SearchFolder(const std::string& sPath, Job& job);

    DirectoryLister& m_lister;
    std::string m_sRoot;
};

}  // namespace mv
