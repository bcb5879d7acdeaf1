#pragma once
#include <memory>
#include <string>

#include "platform/DirectoryLister.h"

// The directory lister the conformance suite runs against: readdir natively,
// FindFirstFile in the Windows test program. Folders come from IniTestFolder().
std::unique_ptr<mv::DirectoryLister> MakeDirectoryListerUnderTest();

// Makes sLink (a path in the platform's syntax) a symbolic link to the folder
// sTarget, as the platform shows one to a listing: a symbolic link natively,
// a reparse point under Windows. False, with the reason in *psWhy, when the
// platform cannot make one or shows it as a plain folder.
bool MakeFolderLinkUnderTest(const std::string& sLink, const std::string& sTarget, std::string* psWhy);
