// What a display was found in, read once before the run changes anything: the report box and the
// JSON document are both made from it, so that the two never disagree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/display_config.h"

namespace glowtide {

struct DisplayState {
  // Which display: its number in the display list, its name, GDI device ("DISPLAY2") and lasting
  // id (empty when it has none).
  std::uint32_t number = 0;
  std::u16string name;
  std::u16string device;
  std::u16string id;
  bool primary = false;
  bool builtIn = false;
  // Each part is empty when it could not be read.
  struct Hdr {
    bool supported = false;
    bool on = false;
  };
  std::optional<Hdr> hdr;
  std::optional<std::uint32_t> whiteLevel;  // 1000 stands for 80 nits
  std::uint32_t whiteLevelNits = 0;
  std::optional<DisplayMode> currentMode;
  std::optional<DisplayMode> desktopMode;  // with a saved default rate resolved
  std::vector<DisplayMode> modes;  // the largest size first, each size's rates highest first
  // The brightness and the capabilities, unread when no monitor (or panel) was found.
  bool panel = false;  // the power scheme's brightness, not DDC/CI
  struct Brightness {
    std::uint32_t minimum = 0, current = 0, maximum = 0;
  };
  std::optional<Brightness> brightness;
  std::optional<bool> settable;  // the capabilities' "brightness can be set"
  // The monitor codes the command line names, in their order, each with its value and maximum
  // (none when it could not be read); none named, none listed.
  struct Code {
    std::uint8_t code = 0;
    std::optional<std::uint32_t> current;
    std::uint32_t maximum = 0;
  };
  std::vector<Code> codes;
};

// A code as monitor documentation writes it: "0x" and two uppercase hex digits ("0x1A").
inline std::u16string CodeText(std::uint8_t code) {
  constexpr char16_t kHex[] = u"0123456789ABCDEF";
  return {u'0', u'x', kHex[code >> 4], kHex[code & 0xF]};
}

}  // namespace glowtide
