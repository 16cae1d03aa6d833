// Fuzzes the child's command line: split as the child splits it (by the model of
// CommandLineToArgvW), it gives back the program path, -PARG:0: whole unless it is empty, and
// -PARG:1: split as the user wrote it.
#include "fuzz/fuzz_input.h"
#include "launch/child_launch.h"
#include "support/argv_model.h"

using namespace glowtide;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Path, argument 0 and argument 1, separated by NULs, which none of them can hold since they
  // come from a split command line. A path is a file name and holds no quote.
  const std::u16string input = fuzzing::Units(data, size);
  const std::size_t first = input.find(u'\0');
  const std::size_t second = first == input.npos ? input.npos : input.find(u'\0', first + 1);
  if (second == input.npos || input.find(u'\0', second + 1) != input.npos) return 0;
  LaunchSettings settings;
  settings.programPath = input.substr(0, first);
  settings.programArgument0 = input.substr(first + 1, second - first - 1);
  settings.programArgument1 = input.substr(second + 1);
  if (settings.programPath.empty() || settings.programPath.find(u'"') != std::u16string::npos)
    return 0;

  const std::vector<std::u16string> argv =
      testing::SplitCommandLine(BuildChildCommandLine(settings));
  // An empty argument 0 is left out, not passed as "".
  std::vector<std::u16string> expected = {settings.programPath};
  if (!settings.programArgument0.empty()) expected.push_back(settings.programArgument0);
  const std::vector<std::u16string> rest =
      testing::SplitCommandLine(u"x " + settings.programArgument1);
  expected.insert(expected.end(), rest.begin() + 1, rest.end());
  fuzzing::Require(
      argv == expected,
      "the child's command line splits into the path, argument 0 whole and argument 1");
  return 0;
}
