#include "conformance/DirectoryListerFactory.h"
#include "platform/portable/PosixDirectoryLister.h"

std::unique_ptr<mv::DirectoryLister> MakeDirectoryListerUnderTest() {
    return std::make_unique<mv::PosixDirectoryLister>();
}
