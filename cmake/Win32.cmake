set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
# Windows build: Murivane.exe and the Windows test executable run under Wine.
enable_language(RC)
set(WIN_LIBS comctl32 shell32 shlwapi ole32 oleaux32 uuid version advapi32 gdi32 user32 comdlg32)
list(TRANSFORM WIN_LIBS REPLACE "oleaux32" "oleaut32")

file(GLOB_RECURSE WIN32_SEAM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
set(WIN32_PROGRAM_SOURCES ${WIN32_SOURCES})
list(REMOVE_ITEM WIN32_PROGRAM_SOURCES ${WIN32_SEAM_SOURCES})
list(FILTER WIN32_PROGRAM_SOURCES EXCLUDE REGEX "/WinMain\\.cpp$")

add_library(murivane_win32 STATIC ${WIN32_SEAM_SOURCES} ${WIN32_PROGRAM_SOURCES})
# The ini writer (PortableIni) is shared with the portable seams.
target_link_libraries(murivane_win32 PUBLIC murivane_core murivane_portable ${WIN_LIBS})
target_compile_definitions(murivane_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0600)
target_include_directories(murivane_win32 PUBLIC ${CMAKE_SOURCE_DIR}/res)
target_compile_options(murivane_win32 PRIVATE ${WARNINGS})

set(STATIC_FLAGS -static -static-libgcc -static-libstdc++)

# windres does not report what the script includes: rebuild the resources
# when a dialog template, the manifest or an icon changes.
file(GLOB RC_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/dialogs/*.rc ${CMAKE_SOURCE_DIR}/res/icons/*
  ${CMAKE_SOURCE_DIR}/res/*.manifest ${CMAKE_SOURCE_DIR}/res/resource.h)
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/Murivane.rc PROPERTIES OBJECT_DEPENDS "${RC_INPUTS}")

# The 64-bit test build's manifest names its own architecture: Windows (and
# Wine) ignore a manifest of another one, and with it the common controls 6
# and the UTF-8 code page it asks for. The resource script finds this copy
# before the one in res/.
set(MANIFEST_DIR ${CMAKE_BINARY_DIR}/manifest)
file(READ ${CMAKE_SOURCE_DIR}/res/Murivane.manifest MANIFEST_TEXT)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/Murivane.manifest)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  string(REPLACE "processorArchitecture=\"X86\"" "processorArchitecture=\"amd64\"" MANIFEST_TEXT "${MANIFEST_TEXT}")
endif()
file(CONFIGURE OUTPUT ${MANIFEST_DIR}/Murivane.manifest CONTENT "${MANIFEST_TEXT}" @ONLY)

add_executable(Murivane WIN32 ${CMAKE_SOURCE_DIR}/src/app/win32/WinMain.cpp ${CMAKE_SOURCE_DIR}/res/Murivane.rc)
target_include_directories(Murivane BEFORE PRIVATE ${MANIFEST_DIR})
target_link_libraries(Murivane PRIVATE murivane_win32)
# Large-address-aware: on 64-bit Windows the 32-bit program gets 4 GB of
# address space for the bitmap of a wide desktop, not 2 GB.
target_link_options(Murivane PRIVATE ${STATIC_FLAGS} -mwindows)
# A 32-bit program on 64-bit Windows gets 4 GB of address space, not 2 (a
# 64-bit build has all of it already).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  target_link_options(Murivane PRIVATE -Wl,--large-address-aware)
endif()
target_include_directories(Murivane PRIVATE ${CMAKE_SOURCE_DIR}/res)
set_target_properties(Murivane PROPERTIES OUTPUT_NAME Murivane)

# GoogleTest for Windows, built from the installed sources.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB_RECURSE WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
file(GLOB_RECURSE SHARED_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/conformance/*.cpp)
add_executable(murivane_wintests ${WIN_TEST_SOURCES} ${SHARED_TEST_SOURCES}
  ${CMAKE_SOURCE_DIR}/tests/image/TestPictures.cpp ${CMAKE_SOURCE_DIR}/tests/image/HeifFiles.cpp
  ${CMAKE_SOURCE_DIR}/res/Murivane.rc)
target_include_directories(murivane_wintests BEFORE PRIVATE ${MANIFEST_DIR})
target_include_directories(murivane_wintests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(murivane_wintests PRIVATE murivane_win32 murivane_portable gtest gmock gtest_main psapi)
target_link_options(murivane_wintests PRIVATE ${STATIC_FLAGS})
target_compile_options(murivane_wintests PRIVATE ${WARNINGS})
add_dependencies(murivane_wintests Murivane)
# A stand-in for the user's browser, which records how it was started.
add_executable(murivane_fakebrowser WIN32 ${CMAKE_SOURCE_DIR}/tests/win32/fake-browser.c)
target_link_options(murivane_fakebrowser PRIVATE ${STATIC_FLAGS})
add_dependencies(murivane_wintests murivane_fakebrowser)

# Each test binary runs under Wine through the emulator wrapper; the whole
# Windows suite is one CTest entry (Wine's start-up is the slow part). The
# tests of several monitors are a second entry: they need a prefix without a
# virtual desktop and fake monitors (scripts/wine-run.sh --monitors).
# One picture file of each kind, with another decoder's references, for the
# picture-format tests; made with the build (ImageMagick, cwebp, heif-enc).
set(FORMAT_PICTURES ${CMAKE_BINARY_DIR}/format-pictures)
add_custom_command(OUTPUT ${FORMAT_PICTURES}/.made-v4
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win32/make-format-pictures.sh ${FORMAT_PICTURES}
  DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/make-format-pictures.sh)
add_custom_target(format_pictures ALL DEPENDS ${FORMAT_PICTURES}/.made-v4)

set(WIN_TEST_ENVIRONMENT "MURIVANE_EXE=$<TARGET_FILE:Murivane>;MURIVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR};MURIVANE_FORMAT_PICTURES=${FORMAT_PICTURES}")
add_test(NAME win32_suite COMMAND murivane_wintests --gtest_color=no --gtest_filter=-Monitors*)
add_test(NAME win32_monitors COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh --monitors
  $<TARGET_FILE:murivane_wintests> --gtest_color=no --gtest_filter=Monitors*:-MonitorsWide*)
# The memory of a wide desktop: three 3840x2160 monitors side by side.
add_test(NAME win32_monitors_wide COMMAND ${CMAKE_COMMAND} -E env
  MURIVANE_XINERAMA_HEADS=3840x2160+0+0,3840x2160+3840+0,3840x2160+7680+0
  ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh --monitors
  $<TARGET_FILE:murivane_wintests> --gtest_color=no --gtest_filter=MonitorsWide*)
set_tests_properties(win32_suite win32_monitors win32_monitors_wide PROPERTIES
  LABELS wine
  PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]"
  FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]"
  ENVIRONMENT "${WIN_TEST_ENVIRONMENT}")
set_tests_properties(win32_suite PROPERTIES TIMEOUT 900)
set_tests_properties(win32_monitors PROPERTIES TIMEOUT 600)
set_tests_properties(win32_monitors_wide PROPERTIES TIMEOUT 300)

if(EXISTS ${CMAKE_SOURCE_DIR}/tools/CMakeLists.txt)
  add_subdirectory(tools)
endif()

# The help document lies beside the program.
add_custom_command(TARGET Murivane POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/doc/Murivane.htm $<TARGET_FILE_DIR:Murivane>/Murivane.htm)
