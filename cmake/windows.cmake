# mingw-w64 build: Glowtide.exe and the end-to-end suite that drives it under Wine or Windows.

# What keeps Glowtide.exe small (at most 128 KiB; the suite prints its size and fails above that).
# Every choice that bears on its size is here:
set(glowtide_small_compile
  -Oz                      # optimise for size: the program spends its time waiting, not computing
  -fno-exceptions          # the program throws nothing, so it carries no throw or catch paths
  -fno-rtti                # nor type information, which only exceptions and dynamic_cast use
  -fno-asynchronous-unwind-tables  # nor unwind tables for functions that never unwind
  -fno-ipa-sra             # GCC 12 stops with an internal error in its scalar-replacement pass over
                           # this code under link-time optimisation; it changes no byte of the exe
  -fno-declone-ctor-dtor   # and in binds_to_current_def_p over the shared constructor bodies that
                           # -Os makes for classes with several constructors; a few bytes more
  -ffunction-sections -fdata-sections  # one section per function and object, so that ...
)
set(glowtide_small_link
  -Wl,--gc-sections        # ... the linker drops the ones that nothing reaches
  -static                  # the C++ runtime linked in, so that the exe imports system DLLs only
  -s                       # no symbol table in the shipped file
)
# - Link-time optimisation (INTERPROCEDURAL_OPTIMIZATION below) inlines and merges across the
#   program's files: about 4 KB less code.
# - src/platform/win32/runtime.cpp replaces libstdc++'s throwing operator new and throw helpers
#   with ones that end the process; without it the exception classes, std::string and the
#   verbose terminate handler with its demangler come along (165 KB more).
# - res/icon_resources.py stores the icon's nine images once for both icon groups, which the
#   ICON statement would embed twice; res/make_icon.py encodes every one of them as a PNG in its
#   smallest lossless form (compact colour tables, the best filters), and draws every part in one
#   flat colour: 4 KB of icon instead of the 51 KB that uncompressed bitmaps below
#   256 pixels took, or 140 KB stored twice.
set(glowtide_small_targets glowtide_core glowtide_win32 Glowtide)

# The real platform, the only code that includes <windows.h>.
add_library(glowtide_win32 STATIC src/platform/win32/win32_platform.cpp)
target_link_libraries(glowtide_win32 PUBLIC glowtide_core)
target_compile_definitions(glowtide_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(glowtide_win32 PRIVATE -Wall -Wextra -Werror)

# The icon's images, once, and the two groups over them.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(icon_folder ${CMAKE_BINARY_DIR}/icons)
add_custom_command(
  OUTPUT ${icon_folder}/icons.rc
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/res/icon_resources.py
          ${CMAKE_SOURCE_DIR}/res/glowtide.ico ${icon_folder}
  DEPENDS ${CMAKE_SOURCE_DIR}/res/icon_resources.py ${CMAKE_SOURCE_DIR}/res/glowtide.ico
  COMMENT "Splitting glowtide.ico into icon resources")
# The version for the resource script. windres's includes are not tracked, so the script names
# what it includes: a new version rebuilds the version block.
configure_file(${CMAKE_SOURCE_DIR}/res/version.h.in ${icon_folder}/version.h @ONLY)
set_source_files_properties(res/glowtide.rc PROPERTIES OBJECT_DEPENDS
                            "${icon_folder}/icons.rc;${CMAKE_SOURCE_DIR}/res/glowtide.manifest;${icon_folder}/version.h")

# A GUI-subsystem exe with the Unicode entry point.
enable_language(RC)
add_executable(Glowtide WIN32 src/app/main.cpp src/platform/win32/runtime.cpp res/glowtide.rc)
target_include_directories(Glowtide PRIVATE ${icon_folder})
target_link_libraries(Glowtide PRIVATE glowtide_win32 shell32 user32 ole32 advapi32)
target_link_options(Glowtide PRIVATE -municode ${glowtide_small_link})

# The exe's time stamp is the last commit's (SOURCE_DATE_EPOCH when it is set, as the release sets
# it, else git's), never the build's, so that the same commit always gives the same bytes: the
# linker takes it from SOURCE_DATE_EPOCH, and relinks when it changes.
set(glowtide_epoch "$ENV{SOURCE_DATE_EPOCH}")
if(NOT glowtide_epoch)
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE glowtide_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(glowtide_epoch)
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/source_date_epoch CONTENT "${glowtide_epoch}\n")
  set_target_properties(Glowtide PROPERTIES
    LINK_DEPENDS ${CMAKE_BINARY_DIR}/source_date_epoch
    RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${glowtide_epoch}")
endif()

foreach(target ${glowtide_small_targets})
  target_compile_options(${target} PRIVATE ${glowtide_small_compile})
  set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
endforeach()

add_subdirectory(tests/e2e)
