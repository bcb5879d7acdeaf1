#pragma once
#include <memory>
#include <string>

#include "platform/IniFile.h"

// The ini implementation the conformance suite runs against: the portable
// reader-writer in the native test program, the private-profile functions in
// the Windows one.
std::unique_ptr<mv::IniFile> MakeIniUnderTest(const std::string& sPath);

// An empty folder of this test run (created on first use, removed when the
// program ends), in the platform's own path syntax, without a trailing
// separator.
std::string IniTestFolder();

// The separator between a folder and a file name on this platform.
char IniPathSeparator();
