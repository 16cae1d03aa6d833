# mingw-w64 build: Glowtide.exe and the end-to-end suite that drives it under Wine or Windows.

# The real platform, the only code that includes <windows.h>.
add_library(glowtide_win32 STATIC src/platform/win32/win32_platform.cpp)
target_link_libraries(glowtide_win32 PUBLIC glowtide_core)
target_compile_definitions(glowtide_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(glowtide_win32 PRIVATE -Wall -Wextra -Werror)

# A GUI-subsystem exe with the Unicode entry point and the C++ runtime linked in, so that it
# imports system DLLs only.
enable_language(RC)
add_executable(Glowtide WIN32 src/app/main.cpp res/glowtide.rc)
target_link_libraries(Glowtide PRIVATE glowtide_win32 shell32 user32)
target_link_options(Glowtide PRIVATE -municode -static -s)

add_subdirectory(tests/e2e)
