// The recording fake's helpers: texts, settings, the shared table and the short form of calls.
#include "fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "app/options.h"
#include "common/little_endian.h"
#include "launch/launch_counting.h"

namespace glowtide::testing {

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (char16_t unit : text) {
    const std::uint32_t c = unit;  // the tests' texts hold no surrogate pairs
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return out;
}

LaunchSettings SettingsFrom(std::u16string_view arguments) {
  FakePlatform parser;
  ReportText unused;
  return ParseCommandLine(parser, arguments, unused).settings;
}

std::string Describe(const LaunchSettings& s) {
  std::string out;
  auto field = [&](const char* name, const auto& value) {
    out += name;
    out += '=';
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::u16string>) {
      out += Utf8(value);
    } else {
      out += std::to_string(value);
    }
    out += '\n';
  };
#define FIELD(f) field(#f, s.f)
  FIELD(showReport), FIELD(setBrightness), FIELD(brightness), FIELD(switchBrightness);
  FIELD(brightnessHigh), FIELD(brightnessLow), FIELD(restoreBrightness), FIELD(quitBrightness);
  FIELD(setWhiteLevel), FIELD(whiteLevel), FIELD(switchWhiteLevel), FIELD(whiteLevelHigh);
  FIELD(whiteLevelLow), FIELD(restoreWhiteLevel), FIELD(quitWhiteLevel), FIELD(switchHdr);
  FIELD(enableHdr), FIELD(disableHdr), FIELD(hdrNewState), FIELD(restoreHdr), FIELD(quitHdrState);
  FIELD(restoreOnExit), FIELD(launchProgram), FIELD(programPath), FIELD(workingDirectory);
  FIELD(programArgument0), FIELD(programArgument1), FIELD(powerCycle), FIELD(waitImageName);
  FIELD(waitSeconds), FIELD(chooseDisplay), FIELD(display), FIELD(setMode), FIELD(mode);
  FIELD(restoreMode), FIELD(quitMode), FIELD(writeJson), FIELD(jsonPath);
#undef FIELD
  for (const auto& [name, codes] : {std::pair{"vcp", &s.vcp}, {"quitVcp", &s.quitVcp}}) {
    out += name;
    out += '=';
    for (const LaunchSettings::VcpOption& code : *codes) {
      out +=
          std::to_string(code.code) + (code.value ? ":" + std::to_string(*code.value) : "") + ",";
    }
    out += '\n';
  }
  return out;
}

std::string Num(std::uint64_t value) {
  char text[24];
  snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

SharedTable TableWith(const std::vector<FakePlace>& places) {
  auto table = std::make_shared<std::vector<std::uint8_t>>(kLaunchTableSize);
  for (std::size_t i = 0; i < places.size(); ++i) {
    std::uint8_t* place = table->data() + kLaunchPlaceSize * i;
    WriteLittleEndian32(place, places[i].processId);
    WriteLittleEndian32(place + 4, static_cast<std::uint32_t>(places[i].targets.size()) |
                                       (places[i].restoring ? kRestoringFlag : 0));
    WriteLittleEndian64(place + 8, places[i].created);
    for (std::size_t d = 0; d < places[i].targets.size(); ++d) {
      WriteLittleEndian32(place + 16 + 12 * d, 0x1234);
      WriteLittleEndian32(place + 24 + 12 * d, places[i].targets[d]);
    }
  }
  return table;
}

std::string Trace(const std::vector<std::string>& calls) {
  struct Short {
    const char* prefix;
    const char* name;
    bool withArguments;  // what follows the prefix, with its comma as a colon
  };
  static const Short kShort[] = {{"DisplayConfigGetDeviceInfo(", "get", true},
                                 {"DisplayConfigSetDeviceInfo(", "set", true},
                                 {"GetMonitorBrightness(", "getB", false},
                                 {"SetMonitorBrightness(0x101,", "setB:", true},
                                 {"SetMonitorBrightness(", "setB@", true},
                                 {"GetVCPFeatureAndVCPFeatureReply(0x101,", "getV", true},
                                 {"GetVCPFeatureAndVCPFeatureReply(", "getV@", true},
                                 {"SetVCPFeature(0x101,", "setV", true},
                                 {"SetVCPFeature(", "setV@", true},
                                 {"GetMonitorCapabilities(", "caps", false},
                                 {"DestroyPhysicalMonitors(", "free", false},
                                 {"MessageBoxW(", "box", false},
                                 {"WaitForSingleObject(0x60,", "[", false},
                                 {"MsgWaitForMultipleObjectsEx(1,0x60,0xbb8,", "[3s", false},
                                 {"MsgWaitForMultipleObjectsEx(1,0x60,", "[", false},
                                 {"ReleaseMutex(", "]", false},
                                 {"CreateToolhelp32Snapshot(", "look", false},
                                 {"Sleep(50)", "~", false},
                                 {"PowerReadACValueIndex(", "getPac", false},
                                 {"PowerReadDCValueIndex(", "getPdc", false},
                                 {"PowerWriteACValueIndex(", "setPac:", true},
                                 {"PowerWriteDCValueIndex(", "setPdc:", true},
                                 {"PowerSetActiveScheme(", "apply", false},
                                 {"ChangeDisplaySettingsExW(", "mode:", true}};
  std::string trace;
  for (const std::string& call : calls) {
    for (const Short& s : kShort) {
      if (call.rfind(s.prefix, 0) != 0) continue;
      std::string item = s.name;
      if (s.withArguments)
        item += call.substr(strlen(s.prefix), call.size() - strlen(s.prefix) - 1);
      std::replace(item.begin(), item.end(), ',', ':');
      // The requests that read each display's device and name are left out.
      if (item == "get1" || item == "get2" || item.rfind("get1@", 0) == 0 ||
          item.rfind("get2@", 0) == 0) {
        break;
      }
      trace += (trace.empty() ? "" : " ") + item;
      break;
    }
  }
  return trace;
}

}  // namespace glowtide::testing
