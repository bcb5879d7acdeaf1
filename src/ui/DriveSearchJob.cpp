#include "ui/DriveSearchJob.h"

#include "image/Drive.h"

namespace mv {

std::string DriveSearchJob::Patterns() {
    // The first four as they always were, then GIF (once only where the
    // shell showed GIFs; now decoded everywhere) and the kinds read since.
    return "*.jpg *.jpeg *.bmp *.png *.gif *.jpe *.webp *.heic *.heif *.avif";
}

void DriveSearchJob::Run(DirectoryLister& lister, const Notify& notify) {
    auto status = [&](const std::string& sPath) {
        bool bSend;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_sStatus = sPath;
            bSend = !m_bStatusSent;
            m_bStatusSent = true;
        }
        if (bSend) notify(kStatus);
    };
    for (const std::string& sRoot : m_drives) {
        if (!m_bKeepGoing) break;
        std::vector<std::string> found;
        // A drive searched to its end keeps its folders, even when the stop
        // came a moment after.
        if (!qvDrive(lister, sRoot).Search(m_sPatterns, found, false, true, false, status, &m_bKeepGoing)) break;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_found.insert(m_found.end(), found.begin(), found.end());
        }
        notify(kDriveDone);
    }
    notify(kFinished);
}

std::string DriveSearchJob::TakeStatus() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStatusSent = false;
    return m_sStatus;
}

std::vector<std::string> DriveSearchJob::TakeFound() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> found;
    found.swap(m_found);
    return found;
}

}  // namespace mv
