#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/Random.h"
#include "config/Registry.h"
#include "platform/DirectoryLister.h"
#include "platform/IniFile.h"

namespace mv {

// The default collection's name, used when no current one is recorded.
constexpr const char* kDefaultCollection = "Default";

// One collection: a named list of image folders with its order-or-random
// choice, its position in the ordered walk and its fractal chance, stored as
// one section of the collections file, plus the image list built from its
// folders.
class RCollection {
public:
    explicit RCollection(std::string sName) : m_sName(std::move(sName)) {}
    virtual ~RCollection() = default;

    // Reads the collection's section; folder paths are appended to the list,
    // lower-cased when asked. Absent values keep their defaults. The pictures
    // never to show again (ExcludeCount, Exclude0, ...) are read too. What was
    // read is what Save compares with to find what this copy changed.
    void Load(IniFile& ini, bool bLowerCase);
    // Writes only what this copy changed since it was loaded or last saved,
    // into the section as the file has it now, so that what another copy of
    // the program wrote meanwhile (a picture excluded from the tray) and keys
    // this class does not know stay. A changed folder list replaces every
    // Folder key and FolderCount; Cycle, NextToUse and FractalProb go when
    // they changed; excluded pictures added are joined to those the file
    // lists, and the Exclude keys go only when ClearExcludes emptied the list.
    // A collection whose section was empty or absent writes every value of
    // its own (the Exclude keys only when it has some).
    // True when the file holds the changes (or there were none); false when it
    // could not be written (the lock not had in time included): the changes
    // are then kept and written by the next Save. Does nothing at all, and
    // says so with true, once the uninstall has run, so the removed file is
    // not brought back.
    bool Save(IniFile& ini, bool bUninstallRequested);
    // Removes the collection's section from the file.
    void DeleteSection(IniFile& ini) const;

    void AddFolder(const std::string& sPath) { m_folders.push_back(sPath); }
    // Removes every entry equal to the path (case-sensitive).
    void RemoveFolder(const std::string& sPath);
    void RemoveAllFolders() { m_folders.clear(); }
    // The folder paths in list order (what a folder list box shows).
    const std::vector<std::string>& folders() const { return m_folders; }

    const std::string& name() const { return m_sName; }
    bool cycle() const { return m_bCycle; }
    void SetCycle(bool bCycle) { m_bCycle = bCycle; }
    int32_t nextToUse() const { return m_iNextToUse; }
    void SetNextToUse(int32_t i) { m_iNextToUse = i; }
    int32_t fractalProb() const { return m_iFractalProb; }
    void SetFractalProb(int32_t i) { m_iFractalProb = i; }

    // The image list (image/ImageList.cpp). BuildImageList sorts the folders
    // byte-wise and lists, folder by folder, the files matching "*.jpg",
    // "*.jpe", "*.jpeg", "*.bmp", "*.png", "*.gif", "*.webp", "*.heic",
    // "*.heif" and "*.avif", each pattern on its own,
    // lower-cased and sorted within the folder. A file matched by two patterns
    // (Windows matches "*.jpe" against the short name of "x.jpeg") is listed once.
    void BuildImageList(DirectoryLister& lister);
    // The next image: in order mode the entry at NextToUse (taken modulo the
    // count, as an unsigned number), advancing NextToUse and writing it to the
    // file at once; otherwise a random entry. Excluded pictures are passed
    // over (in order, NextToUse moves on past them). Empty when there are no
    // images, or when every one is excluded. *pbSaved, when given, tells
    // whether the new NextToUse reached the file (true when nothing had to
    // be written); a position not written stays in memory and goes with the
    // next write.
    std::string NextImage(IniFile& ini, Random& rand, bool* pbSaved = nullptr);
    int ImageCount() const { return static_cast<int>(m_images.size()); }
    bool HasImages() const { return !m_images.empty(); }
    const std::vector<std::string>& images() const { return m_images; }

    // Pictures never to show again, as the user picked them; compared
    // without regard to ASCII case, as the tray lists paths lower-cased.
    const std::vector<std::string>& excludes() const { return m_excludes; }
    // False when the picture is already excluded.
    bool AddExclude(const std::string& sPath);
    // Empties the list; the next Save then removes the file's Exclude keys.
    void ClearExcludes();
    bool IsExcluded(const std::string& sPath) const;
    // True when the image list is not empty and every picture of it is
    // excluded, so NextImage has nothing to give.
    bool AllExcluded() const;

private:
    // What the file held of the collection's own values when it was loaded
    // or last saved, to tell what this copy changed.
    struct Stored {
        bool bKnown = false;  // false: the section was empty or absent
        std::vector<std::string> folders;
        bool bCycle = false;
        int32_t iNextToUse = 0;
        int32_t iFractalProb = 50;
        std::vector<std::string> excludes;
    };
    // Writes NextToUse alone; true when the file holds it.
    bool SavePosition(IniFile& ini);
    Stored Current() const;

    std::string m_sName;
    bool m_bCycle = false;
    int32_t m_iNextToUse = 0;
    int32_t m_iFractalProb = 50;
    std::vector<std::string> m_folders;
    std::vector<std::string> m_images;
    std::vector<std::string> m_excludes;
    std::set<std::string> m_excludedLower;
    Stored m_stored;
    // ClearExcludes ran since the list was loaded or saved.
    bool m_bExcludesCleared = false;
};

// The names of the sections of the collections file, in file order, as one
// request into a buffer of 16384 characters gives them. When the names fill
// the request, the last one may be cut short and is left out.
std::vector<std::string> ListCollectionNames(IniFile& ini);

// Rules for the list of collections that the Collections page and the main
// window follow. Name searches ignore case, as a list box's exact-match
// search does.
//
// The names a collection list offers: the file's, or "Default" alone when the
// file has none.
std::vector<std::string> OfferedCollectionNames(const std::vector<std::string>& fileNames);
// Index of the first name equal to sName ignoring case, or -1.
int FindCollectionName(const std::vector<std::string>& names, const std::string& sName);
// The entry selected for the current collection: its name's entry, else the first.
int SelectedCollectionIndex(const std::vector<std::string>& names, const std::string& sCurrent);
// A typed name as the collections file can hold it: the file's section
// names lose the blanks at either end, so the name does at once.
std::string CollectionNameAsStored(const std::string& sTyped);
// A new collection needs a name that is not empty and not in the list.
bool IsNewCollectionNameFree(const std::vector<std::string>& names, const std::string& sName);
// Only the collection named exactly "Default" (case-sensitive) cannot be deleted.
bool IsDeletableCollection(const std::string& sName);
// The entry selected after deleting entry iDeleted: the one now at the same
// position, or the last one; -1 when none is left.
int SelectionAfterDelete(int iDeleted, int iCountAfter);

// The current collection's name (the profile value Config\Current, as the
// collections file holds it), "Default" when absent.
std::string GetCurrentCollection(Profile& profile);
void SetCurrentCollection(Profile& profile, const RCollection& collection);

}  // namespace mv
