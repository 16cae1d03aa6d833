# Native build: unit tests of the program's logic against the recording fake.
find_package(GTest REQUIRED)
enable_testing()

add_executable(glowtide_unit_tests
  tests/support/fake_platform.cpp
  tests/support/argv_model.cpp
  tests/unit/options_test.cpp
  tests/unit/report_test.cpp
  tests/unit/run_test.cpp
  tests/unit/display_test.cpp
  tests/unit/monitor_test.cpp
  tests/unit/launch_test.cpp
  tests/unit/hold_test.cpp
  tests/unit/restore_test.cpp
)
target_include_directories(glowtide_unit_tests PRIVATE tests)
target_link_libraries(glowtide_unit_tests PRIVATE glowtide_core GTest::gtest_main)
# Designated initializers leave the other fields at their defaults on purpose.
target_compile_options(glowtide_unit_tests PRIVATE -Wall -Wextra -Werror -Wno-missing-field-initializers)
# The version the JSON report must name, and the README whose recipes must parse.
target_compile_definitions(glowtide_unit_tests PRIVATE GLOWTIDE_VERSION="${PROJECT_VERSION}"
                           GLOWTIDE_README="${CMAKE_SOURCE_DIR}/README.md")
include(GoogleTest)
# A fault that makes a wait loop for ever fails its test in seconds, not at ctest's default.
gtest_discover_tests(glowtide_unit_tests PROPERTIES TIMEOUT 30)

# The sanitize preset also builds the fuzzers.
option(GLOWTIDE_FUZZERS "Build the libFuzzer harnesses (clang only)" OFF)
if(GLOWTIDE_FUZZERS)
  add_subdirectory(tests/fuzz)
endif()
