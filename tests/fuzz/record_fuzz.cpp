// Fuzzes the restore record's parser with any bytes: what it takes formats to a text that it takes
// again as the same record.
#include "fuzz/fuzz_input.h"
#include "session/restore_record.h"

using namespace glowtide;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<RestoreRecord> record =
      ParseRecord(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!record) return 0;
  const std::string text = FormatRecord(*record);
  const std::optional<RestoreRecord> again = ParseRecord(text);
  fuzzing::Require(again && FormatRecord(*again) == text,
                   "a record's text reads back as the same record");
  return 0;
}
