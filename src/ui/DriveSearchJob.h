#pragma once
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DirectoryLister.h"

namespace mv {

// One drive search of the Collections page, run on a worker thread. The
// worker never touches a window: it keeps what it found here and tells the
// page through `notify` (a posted message on Windows), and the page takes
// the results on its own thread. Each job has its own stop flag, so a job
// once stopped stays stopped whatever a later search does.
class DriveSearchJob {
public:
    enum Note { kStatus = 1, kDriveDone = 2, kFinished = 3 };
    using Notify = std::function<void(Note)>;

    // The search patterns: every kind of picture the program reads.
    static std::string Patterns();

    DriveSearchJob(std::vector<std::string> drives, std::string sPatterns)
        : m_drives(std::move(drives)), m_sPatterns(std::move(sPatterns)) {}

    // On the worker: searches each drive in turn while the job is not
    // stopped. After each drive that ran to its end, its folders are kept for
    // TakeFound and kDriveDone is sent; kFinished is sent last, stopped or not.
    // Progress comes as kStatus, at most one unanswered at a time.
    void Run(DirectoryLister& lister, const Notify& notify);

    void Stop() { m_bKeepGoing = false; }
    bool KeepGoing() const { return m_bKeepGoing; }

    // On the page's thread: the folder the search is in now.
    std::string TakeStatus();
    // On the page's thread: the folders of finished drives, in the order found.
    // They stay here after Stop until taken: a drive that ended before the
    // stop keeps its folders even when its kDriveDone is never applied.
    std::vector<std::string> TakeFound();

private:
    const std::vector<std::string> m_drives;
    const std::string m_sPatterns;
    std::atomic<bool> m_bKeepGoing{true};
    std::mutex m_mutex;
    std::string m_sStatus;
    bool m_bStatusSent = false;
    std::vector<std::string> m_found;
};

}  // namespace mv
