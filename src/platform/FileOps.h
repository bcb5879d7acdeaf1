#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace mv {

// The file-system steps of saving a whole file, one by one, so that a save
// survives a crash or a failure at any of them: the new content goes to a
// temporary file beside the old one, is flushed to the disk, and then takes
// the old file's place in one step. The live file is never written into.
class FileOps {
public:
    virtual ~FileOps() = default;
    using Handle = void*;
    // A new, empty file in sPath's folder (so the final step stays on one
    // volume); its path in sTemp. Null on failure.
    virtual Handle CreateTemp(const std::string& sPath, std::string& sTemp) = 0;
    virtual bool Write(Handle h, const char* pData, size_t n) = 0;
    // The written data on the disk, not only in the system's cache.
    virtual bool Sync(Handle h) = 0;
    virtual bool Close(Handle h) = 0;
    // The temporary file takes sPath's place in one step, written through.
    // A file another program holds open is waited for a bounded time (a
    // second or two); false, with sPath as it was, when it stays held.
    virtual bool Replace(const std::string& sTemp, const std::string& sPath) = 0;
    // The temporary file takes the name sPath only when nothing has that
    // name, in one step: false, and no file touched, when something has.
    virtual bool ReplaceNothing(const std::string& sTemp, const std::string& sPath) = 0;
    virtual void Remove(const std::string& sPath) = 0;
    // The whole of sPath into sBytes. Missing when there is no such file (a
    // save then starts from nothing); Failed when it is there but cannot be
    // read, which a save must not take for an empty file.
    enum class ReadResult { Read, Missing, Failed };
    virtual ReadResult ReadWhole(const std::string& sPath, std::string& sBytes);
    // Runs fn while this process holds the lock every process takes to change
    // sPath, and returns what fn returns; false, without running fn, when the
    // lock cannot be had within a few seconds. The lock is let go however fn
    // ends, an exception included.
    virtual bool Locked(const std::string& sPath, const std::function<bool()>& fn) = 0;
};

// Hands the content to a writer piece by piece; false from the writer (the
// disk is full) or from the producer stops the save.
using PieceWriter = std::function<bool(const void* pData, size_t n)>;
using ContentProducer = std::function<bool(const PieceWriter& write)>;

// The one way this program saves a whole file: the content goes to a new
// temporary file beside sBeside, is flushed to the disk and closed, and then
// publish is given the temporary file's path to put it in place (Replace or
// ReplaceNothing, under whatever gate the caller keeps). On any failure, or
// when publish declines or throws, the temporary file is removed and nothing
// else has changed.
bool WriteWholeThenPublish(FileOps& ops, const std::string& sBeside, const ContentProducer& produce,
                           const std::function<bool(const std::string& sTemp)>& publish);

// Saves the produced content, or sBytes, as the whole content of sPath: a
// reader sees the old file or the new one, never a part of either, and on
// any failure sPath is left as it was.
bool ReplaceWholeFile(FileOps& ops, const std::string& sPath, const ContentProducer& produce);
bool ReplaceWholeFile(FileOps& ops, const std::string& sPath, const std::string& sBytes);

// Whether a file name (without its folder) is one of the temporary names
// these saves and the program's other writers use, so that the ones a crash
// left can be removed at the next start, and no file of the user's is:
// "mvs" or "mvw" and one to four hexadecimal digits, ".tmp" (the system's
// temporary names), or a name followed by "." and sixteen hexadecimal
// digits, "-", a number and ".tmp" (UniqueTempPath).
bool IsLeftTemporaryName(const std::string& sName);

}  // namespace mv
