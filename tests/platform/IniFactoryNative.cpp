#include "conformance/IniFactory.h"
#include "platform/portable/PortableIni.h"
#include "support/TempDir.h"

std::unique_ptr<mv::IniFile> MakeIniUnderTest(const std::string& sPath) {
    return std::make_unique<mv::PortableIni>(sPath);
}

std::string IniTestFolder() {
    static mv::test::TempDir dir;
    return dir.Path();
}

char IniPathSeparator() { return '/'; }
