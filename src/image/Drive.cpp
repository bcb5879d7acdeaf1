#include "image/Drive.h"

#include "image/Folder.h"

namespace mv {

struct qvDrive::Job {
    const std::string& sPatterns;
    std::vector<std::string>& found;
    bool bIncludeSystem;
    bool bIncludeHidden;
    const StatusFn& status;
    const std::atomic<bool>* pbKeepGoing;
    bool bCut = false;  // a folder was left unsearched

    bool Stopped() const { return pbKeepGoing && !pbKeepGoing->load(); }
};

qvDrive::qvDrive(DirectoryLister& lister, const std::string& sRoot) : m_lister(lister), m_sRoot(sRoot) {
    if (m_sRoot.empty() || m_sRoot.back() != '\\') m_sRoot += '\\';
}

bool qvDrive::Search(const std::string& sPatterns, std::vector<std::string>& found, bool /*bUnused*/,
                     bool bIncludeSystem, bool bIncludeHidden, const StatusFn& status,
                     const std::atomic<bool>* pbKeepGoing) {
    Job job{sPatterns, found, bIncludeSystem, bIncludeHidden, status, pbKeepGoing};
    SearchFolder(m_sRoot, job);
    return !job.bCut;
}

void qvDrive::SearchFolder(const std::string& sPath, Job& job) {
    if (job.bCut || (job.bCut = job.Stopped())) return;
    if (job.status) job.status(sPath);
    // One listing: the patterns are matched in memory, the subfolders taken
    // from the same entries.
    qvFolder folder(m_lister, sPath);
    bool bCut = false;
    if (folder.ScanOnce(job.sPatterns, job.bIncludeSystem, job.bIncludeHidden, job.pbKeepGoing, &bCut))
        job.found.push_back(sPath);
    if (bCut) {
        job.bCut = true;
        return;
    }
    for (std::string sSub = folder.NextSubfolder(); !sSub.empty() && !job.bCut; sSub = folder.NextSubfolder())
        SearchFolder(sSub, job);
}

std::vector<std::string> qvDrive::FixedDriveRoots(uint32_t uMask,
                                                  const std::function<bool(const std::string&)>& isFixed) {
    std::vector<std::string> roots;
    for (int i = 0; i < 26; ++i) {
        if (!(uMask & (1u << i))) continue;
        std::string sRoot = "a:\\";
        sRoot[0] = static_cast<char>('a' + i);
        if (isFixed(sRoot)) roots.push_back(sRoot);
    }
    return roots;
}

}  // namespace mv
