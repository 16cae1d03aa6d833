// The restore record's text and its parser.
#include "session/restore_record.h"

#include <algorithm>

#include "common/decimal.h"

namespace glowtide {
namespace {

constexpr std::string_view kFormatLine = "glowtide-restore 1";
constexpr std::uint64_t kMostSetting = 2147483647;

// Appends the separator (none for 0) and the number.
void PutNumber(std::string& text, std::uint64_t value, char before = ' ') {
  if (before != 0) text += before;
  text += Decimal<std::string>(value);
}

// Appends a blank and the word, when it is printable ASCII without blanks; else nothing, or
// instead a blank and "-" (with dash).
void PutWord(std::string& text, std::u16string_view word, bool dash) {
  const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char16_t unit) {
    return unit > u' ' && unit <= u'~';
  });
  if (plain) {
    text += ' ';
    text.append(word.begin(), word.end());
  } else if (dash) {
    text += " -";
  }
}

// Appends a blank and the mode as -M: and -MQ: take it: "D", "2560x1440", "2560x1440@144", "@60".
void PutMode(std::string& text, const std::optional<ModeRequest>& mode) {
  if (!mode) return;
  if (mode->desktop) {
    text += " D";
    return;
  }
  text += ' ';
  if (mode->width != 0) {
    PutNumber(text, mode->width, 0);
    PutNumber(text, mode->height, 'x');
  }
  if (mode->frequency != 0) PutNumber(text, mode->frequency, '@');
}

// Appends a setting's line: its name, the value to put back and the value set, if any.
template <typename Value>
void PutSetting(std::string& text, const char* name, const std::optional<Value>& quit,
                const std::optional<Value>& set) {
  if (!quit) return;
  text += name;
  PutNumber(text, *quit);
  if (set) PutNumber(text, *set);
  text += '\n';
}

// The decimal number that the whole word is, when it is at most most.
std::optional<std::uint64_t> Number(std::string_view word, std::uint64_t most) {
  return ParseDecimal(word, most);
}

// The words of a line, one at a time.
struct Words {
  std::string_view rest;

  // The next word; empty after the last.
  std::string_view Next() {
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\r')) rest.remove_prefix(1);
    const std::size_t end = std::min(rest.find_first_of(" \r"), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
  }

  // Reads fewest to mostCount numbers of at most most each, which end the line when whole;
  // how many, or 0 when they are not there.
  std::size_t Numbers(std::uint64_t* values, std::size_t fewest, std::size_t mostCount,
                      std::uint64_t most, bool whole = true) {
    std::size_t count = 0;
    for (std::string_view word; count < mostCount && !(word = Next()).empty(); ++count) {
      const std::optional<std::uint64_t> value = Number(word, most);
      if (!value) return 0;
      values[count] = *value;
    }
    if (whole && !Next().empty()) return 0;
    return count >= fewest ? count : 0;
  }
};

}  // namespace

std::string FormatRecord(const RestoreRecord& record) {
  std::string text(kFormatLine);
  text += "\nboot";
  PutNumber(text, record.boot);
  text += "\nstarted";
  PutNumber(text, record.started);
  if (record.session) {
    text += "\nsession";
    PutNumber(text, *record.session);
  }
  if (record.left != 0) {
    text += "\nleft";
    PutNumber(text, record.left);
  }
  text += '\n';
  for (const RecordDisplay& entry : record.displays) {
    const DisplayTarget& target = entry.display.target;
    text += "display";
    PutNumber(text, target.adapterId.lowPart);
    PutNumber(text, static_cast<std::uint32_t>(target.adapterId.highPart));
    PutNumber(text, target.targetId);
    PutWord(text, entry.display.device, true);
    PutWord(text, entry.display.id, false);
    text += '\n';
    PutSetting(text, "hdr", entry.quit.hdr, entry.set.hdr);
    PutSetting(text, "white", entry.quit.whiteLevel, entry.set.whiteLevel);
    PutSetting(text, "brightness", entry.quit.brightness, entry.set.brightness);
    if (entry.quit.mode) {
      text += "mode";
      PutMode(text, entry.quit.mode);
      PutMode(text, entry.set.mode);
      text += '\n';
    }
    for (const VcpValue& code : entry.quit.codes) {
      text += "vcp";
      PutNumber(text, code.code);
      PutNumber(text, code.value);
      if (const VcpValue* set = entry.set.codes.Find(code.code)) PutNumber(text, set->value);
      text += '\n';
    }
  }
  return text;
}

std::optional<RestoreRecord> ParseRecord(std::string_view text) {
  enum Key {
    kBoot,
    kStarted,
    kSession,
    kLeft,
    kDisplay,
    kHdr,
    kWhite,
    kBrightness,
    kMode,
    kVcp,
    kOther
  };
  constexpr std::string_view kKeys[] = {"boot", "started", "session",    "left", "display",
                                        "hdr",  "white",   "brightness", "mode", "vcp"};
  RestoreRecord record;
  RecordDisplay* display = nullptr;
  if (text.substr(0, kFormatLine.size() + 1) != "glowtide-restore 1\n") return std::nullopt;
  text.remove_prefix(kFormatLine.size() + 1);
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    Words line{text.substr(0, end)};
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::string_view word = line.Next();
    int key = kBoot;
    while (key < kOther && kKeys[key] != word) ++key;
    std::uint64_t values[3] = {};
    if (key == kBoot || key == kStarted || key == kLeft) {
      if (!line.Numbers(values, 1, 1, ~std::uint64_t{0})) return std::nullopt;
      (key == kBoot ? record.boot : key == kStarted ? record.started : record.left) = values[0];
    } else if (key == kSession) {
      if (!line.Numbers(values, 1, 1, 0xFFFFFFFF)) return std::nullopt;
      record.session = static_cast<std::uint32_t>(values[0]);
    } else if (key == kDisplay) {
      if (!line.Numbers(values, 3, 3, 0xFFFFFFFF, false)) return std::nullopt;
      const std::string_view device = line.Next(), id = line.Next();
      if (device.empty() || !line.Next().empty()) return std::nullopt;
      display = &record.displays.emplace_back();
      Display& found = display->display;
      found.target = {{static_cast<std::uint32_t>(values[0]), static_cast<std::int32_t>(values[1])},
                      static_cast<std::uint32_t>(values[2])};
      if (device != "-") found.device.assign(device.begin(), device.end());
      found.id.assign(id.begin(), id.end());
    } else if (key != kOther) {
      if (!display) return std::nullopt;
      DisplayPlan* plans[2] = {&display->quit, &display->set};
      if (key == kVcp) {
        // A code (at most 255), the value to put back and the value set, if any (at most 65535);
        // a code at most once on a display.
        const std::size_t count = line.Numbers(values, 2, 3, 65535);
        if (count == 0 || values[0] > 255 ||
            display->quit.codes.Find(static_cast<std::uint8_t>(values[0])) ||
            !display->quit.codes.Put(
                {static_cast<std::uint8_t>(values[0]), static_cast<std::uint16_t>(values[1])}))
          return std::nullopt;
        const auto code = static_cast<std::uint8_t>(values[0]);
        if (count == 3) display->set.codes.Put({code, static_cast<std::uint16_t>(values[2])});
        continue;
      }
      if (key == kMode) {
        for (DisplayPlan* plan : plans) {
          const std::string_view mode = line.Next();
          if (mode.empty() && plan == plans[1]) break;
          plan->mode = ParseMode(std::u16string(mode.begin(), mode.end()), true);
          if (!plan->mode) return std::nullopt;
        }
        if (!line.Next().empty()) return std::nullopt;
        continue;
      }
      const std::size_t count = line.Numbers(values, 1, 2, key == kHdr ? 1 : kMostSetting);
      if (count == 0) return std::nullopt;
      for (std::size_t i = 0; i < count; ++i) {
        const auto value = static_cast<std::uint32_t>(values[i]);
        if (key == kHdr) {
          plans[i]->hdr = value == 1;
        } else {
          (key == kWhite ? plans[i]->whiteLevel : plans[i]->brightness) = value;
        }
      }
    }
  }
  return record;
}

std::u16string RecordName(const RecordOwner& owner) {
  std::string name = "restore";
  PutNumber(name, owner.processId, '-');
  PutNumber(name, owner.creationTime, '-');
  name += ".txt";
  return std::u16string(name.begin(), name.end());
}

std::optional<RecordOwner> OwnerOf(std::u16string_view name) {
  std::string words(name.begin(), name.end());
  std::replace_if(
      words.begin(), words.end(), [](char c) { return c == '-' || c == '.'; }, ' ');
  Words line{words};
  std::uint64_t values[2];
  if (line.Next() != "restore" || !line.Numbers(values, 2, 2, ~std::uint64_t{0}, false) ||
      values[0] == 0 || values[0] > 0xFFFFFFFF) {
    return std::nullopt;
  }
  const RecordOwner owner{static_cast<std::uint32_t>(values[0]), values[1]};
  // Only the name the owner's record has: no other spelling of the same numbers (and no process 0,
  // which is no instance's and would match a free place).
  if (RecordName(owner) != name) return std::nullopt;
  return owner;
}

}  // namespace glowtide
