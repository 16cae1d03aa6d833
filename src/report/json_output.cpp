// The JSON report's output.
#include "report/json_output.h"

#include "common/system_message.h"

namespace glowtide {

std::u16string JsonOutput::Check() {
  if (!path_.empty()) return {};
  const Handle out = platform_.GetStdHandle(kStdOutputHandle);
  if (out != Handle::kNull && out != kInvalidHandleValue) return {};
  return u"-SJ : no standard output to write to; redirect it (Glowtide.exe -SJ > state.json) or "
         u"name a file (-SJ:state.json)";
}

std::u16string JsonOutput::Write(const std::string& document) {
  const Handle out = path_.empty() ? platform_.GetStdHandle(kStdOutputHandle) : Handle::kNull;
  if (path_.empty() ? out != kInvalidHandleValue && out != Handle::kNull &&
                          WriteWhole(platform_, out, document)
                    : WriteFileWhole(platform_, platform_, path_, document, false))
    return {};
  return u"Could not write " + (path_.empty() ? u"the report to the standard output" : path_) +
         u"\n" + SystemMessage(platform_, platform_.GetLastError());
}

}  // namespace glowtide
