// The image list of a collection and the choice of the next image.
#include <algorithm>

#include "config/Collection.h"
#include "image/Folder.h"

namespace mv {

void RCollection::BuildImageList(DirectoryLister& lister) {
    // The first six in their old order; then the kinds decoded since.
    static const char* const kPatterns[] = {"*.jpg",  "*.jpe",  "*.jpeg", "*.bmp",  "*.png",
                                            "*.gif",  "*.webp", "*.heic", "*.heif", "*.avif"};
    m_images.clear();
    std::sort(m_folders.begin(), m_folders.end());
    for (const std::string& sFolder : m_folders) {
        qvFolder folder(lister, sFolder);
        for (const char* sPattern : kPatterns) folder.FindFiles(sPattern, nullptr, true);
        folder.SortLists();
        // A file two patterns match is listed once: Windows matches "*.jpe"
        // against the short name of "x.jpeg" too. The sorted list has such
        // twins side by side.
        const size_t first = m_images.size();
        folder.AppendFullPaths(m_images);
        m_images.erase(std::unique(m_images.begin() + static_cast<std::ptrdiff_t>(first), m_images.end()),
                       m_images.end());
    }
}

std::string RCollection::NextImage(IniFile& ini, Random& rand, bool* pbSaved) {
    if (pbSaved) *pbSaved = true;
    const uint32_t n = static_cast<uint32_t>(m_images.size());
    if (n == 0) return std::string();
    if (m_bCycle) {
        // Excluded pictures are passed over as if shown: the walk moves on.
        uint32_t u = static_cast<uint32_t>(m_iNextToUse);
        std::string sPath;
        for (uint32_t tried = 0; tried < n && sPath.empty(); ++tried) {
            const uint32_t index = u % n;
            u = (u + 1u) % n;
            if (!IsExcluded(m_images[index])) sPath = m_images[index];
        }
        m_iNextToUse = static_cast<int32_t>(u);
        const bool bSaved = SavePosition(ini);
        if (pbSaved) *pbSaved = bSaved;
        return sPath;
    }
    auto draw = [&] {
        const int i = rand.below(static_cast<int>(n));
        return i < 0 ? 0u : std::min(static_cast<uint32_t>(i), n - 1);
    };
    uint32_t index = draw();
    // A few more draws past excluded pictures; then the next one not excluded.
    for (int k = 0; k < 8 && IsExcluded(m_images[index]); ++k) index = draw();
    for (uint32_t tried = 0; tried < n; ++tried, index = (index + 1) % n)
        if (!IsExcluded(m_images[index])) return m_images[index];
    return std::string();
}

}  // namespace mv
