# Cross toolchain: 64-bit Windows, for the tests on machines that cannot run
# the 32-bit Wine (scripts/winarch.sh).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
