#pragma once
#include <memory>

#include "platform/DirectoryLister.h"

// The directory lister the conformance suite runs against: readdir natively,
// FindFirstFile in the Windows test program. Folders come from IniTestFolder().
std::unique_ptr<mv::DirectoryLister> MakeDirectoryListerUnderTest();
