// The report: its bounded section formatter, and the -SI box that the whole run shows.
#include "report/report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/run.h"
#include "report/json.h"
#include "report/json_output.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::Utf8;

TEST(AppendReportSection, FormatsIntoABoundedSectionAndAppends) {
  struct Case {
    std::u16string_view format;
    std::initializer_list<ReportArgument> arguments;
    std::string expected;
  };
  const std::u16string longText(2000, u'x');
  const std::u16string withNul(u"ab\0cd", 5);
  const Case cases[] = {
      {u"%u to %u, %s", {0u, 4294967295u, u"x"}, "0 to 4294967295, x"},
      {u"100%% %d %s", {u"a"}, "100% %d a"},
      {u"%s and %u", {u"a"}, "a and %u"},
      {u"[%s]", {withNul}, "[ab"},
      {u"<L>%s", {longText}, "<L>" + std::string(1020, 'x')},  // 1023 units and the NUL
  };
  for (const Case& c : cases) {
    ReportText report;
    report.Append(u"<Earlier>");
    AppendReportSection(report, c.format, c.arguments);
    EXPECT_EQ(Utf8(report.Text()), "<Earlier>" + c.expected);
  }
}

// Each section as the machine's answers make it, before any change, in order; a section whose
// read failed is left out. Empty HDR and white-level texts mean that the section is left out.
TEST(ShowReport, EachSectionSaysWhatTheMachineAnswered) {
  const std::string none = "Capability informations are not supported.";
  const testing::FakePath laptop{0x1234, 0, 7, 0, u"", 0x80000000};
  struct Case {
    testing::Machine machine;
    std::string hdr = "Supported\nHDR : Disable";
    std::string mode = "Current : 2560 x 1440 @ 144 Hz\nDesktop : 2560 x 1440 @ 144 Hz";
    std::string white = "1000   (80 nits)";
    std::string brightness = "<Brightness>\nSupported value : 0 to 100\nCurrent : 50\n\n";
    std::string capabilities = "Brightness : Can setting";
  };
  // (The default machine's, an older system's HDR on and a panel's on mains are the suite's, on
  // the real exe.)
  // clang-format off
  const Case cases[] = {
      {.machine = {.advancedColorWord = 0x0}, .hdr = "Not supported\nHDR : Disable"},
      {.machine = {.advancedColorWord = 0x2}, .hdr = "Not supported\nHDR : Enable"},
      // Auto Color Management: advanced colour active, an SDR picture, HDR supported but off.
      {.machine = {.currentModel = true, .advancedColor2Word = 0x13, .activeColorMode = 1}},
      {.machine = {.currentModel = true, .advancedColorWord = 0x3, .advancedColor2Word = 0x3,
                   .activeColorMode = 1}, .hdr = "Not supported\nHDR : Disable"},
      {.machine = {.whiteLevel = 999}, .white = "999   (79 nits)"},
      {.machine = {.desktopMode = {1920, 1080, 60, 32}},
       .mode = "Current : 2560 x 1440 @ 144 Hz\nDesktop : 1920 x 1080 @ 60 Hz"},
      // A saved rate of 1 is the display's default: the size's rate.
      {.machine = {.desktopMode = {1920, 1080, 1, 32}},
       .mode = "Current : 2560 x 1440 @ 144 Hz\nDesktop : 1920 x 1080 @ 60 Hz"},
      {.machine = {.failing = {"EnumDisplaySettingsExW"}}, .mode = ""},
      {.machine = {.whiteLevel = 4294967295}, .white = "4294967295   (343597383 nits)"},
      {.machine = {.failing = {"DisplayConfigGetDeviceInfo"}}, .hdr = "", .white = ""},
      {.machine = {.capabilities = 0xFFFFFFFD}, .capabilities = "Brightness : Can't setting"},
      {.machine = {.failing = {"GetMonitorBrightness"}}, .brightness = ""},
      {.machine = {.failing = {"GetMonitorCapabilities"}}, .capabilities = none},
      {.machine = {.monitorCount = 0}, .brightness = "", .capabilities = none},
      // A built-in panel whose power scheme cannot be read.
      {.machine = {.failing = {"PowerReadACValueIndex"}, .paths = {laptop}}, .brightness = "",
       .capabilities = none},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::FakePlatform platform(c.machine);
    glowtide::Run(platform, u"-SI", InstanceHandle{0x400000});
    const std::string expected =
        (c.hdr.empty() ? "" : "<HDR Status>\nHDR support status : " + c.hdr + "\n\n") +
        (c.mode.empty() ? "" : "<Display mode>\n" + c.mode + "\n\n") +
        (c.white.empty()
             ? ""
             : "<HDR/SDR brightness balance (SDR white level)>\nCurrent : " + c.white + "\n\n") +
        c.brightness + "<Monitor capabilities>\n" + c.capabilities + "\n\n";
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(Utf8(platform.boxes[0].text), expected);
  }
}

// Every text is escaped as JSON requires, whatever it holds, and comes back whole from a real
// parser; the raw escapes of the characters JSON names are its own.
TEST(JsonReport, EscapesEveryTextAsJsonRequires) {
  using namespace std::string_literals;
  // clang-format off
  const std::pair<std::u16string, std::string> cases[] = {
      {u"LG \"ULTRA\" C:\\x", "LG \"ULTRA\" C:\\x"},
      {u"tab\t line\n bell\x07 nul\0 del\x7f"s, "tab\t line\n bell\x07 nul\0 del\x7f"s},
      {u"\u00c9cran \u8868\u793a \U0001F600", "\u00c9cran \u8868\u793a \U0001F600"},
      {u"lone \xD800 and \xDC00!", "lone \uFFFD and \uFFFD!"},
  };
  // clang-format on
  for (const auto& [name, expected] : cases) {
    const std::string document = JsonReport("1.2.0.0", {DisplayState{.name = name, .id = name}});
    ASSERT_EQ(document.back(), '\n');
    const nlohmann::json parsed = nlohmann::json::parse(document);
    EXPECT_EQ(parsed["displays"][0]["name"], expected) << document;
    EXPECT_EQ(parsed["displays"][0]["id"], expected) << document;
  }
  EXPECT_NE(JsonReport("1", {DisplayState{.name = u"\"\\\x01"}}).find(R"("name":"\"\\\u0001")"),
            std::string::npos);
}

// -SJ writes every display, or those -D: chose, from the same reads as the box; a part that could
// not be read is null. With no standard output it does nothing; a file that cannot be written is
// said, and the rest of the run is done.
TEST(JsonReport, RunWritesEachDisplaysState) {
  // A built-in panel, and an LG monitor (the primary, with an id) and a TV in clone mode.
  const testing::Machine desk{
      .paths = {{0x1234, 0, 7, 0, u"", 0x80000000},
                {0x1234, 0, 8, 1, u"LG", 0, true, u"\\\\?\\DISPLAY#GSM5B7F#5&1&0&UID4353#{x}"},
                {0x1234, 0, 9, 1, u"TV"}},
      .currentModel = true,
      .whiteLevel = 2500,
      .desktopMode = {2560, 1440, 1, 32},
      .monitorCount = 2,
      .descriptions = {u"TV", u"LG"},
      .primarySource = 1};
  const std::string lg =
      R"({"number":2,"name":"LG","device":"DISPLAY2","id":"GSM5B7F-UID4353","primary":true,)"
      R"("builtIn":false,"hdr":{"supported":true,"on":true},"whiteLevel":{"level":2500,"nits":200},)"
      R"("mode":{"current":{"width":2560,"height":1440,"hz":144},"desktop":{"width":2560,)"
      R"("height":1440,"hz":144},"modes":[{"width":2560,"height":1440,"hz":[144,60]},{"width":)"
      R"(1920,"height":1080,"hz":[60,59]}]},"brightness":{"current":50,"minimum":0,"maximum":100,)"
      R"("via":"ddc"},"capabilities":{"brightness":true}})";
  struct Case {
    std::u16string arguments;
    testing::Machine machine;
    std::string displays;  // the numbers of the displays written, or one display whole
    std::vector<std::string> boxes = {};
    int exitCode = 0;
  };
  // clang-format off
  const Case cases[] = {
      {u"-SJ", desk, "1,2,3"},
      {u"-SJ -D:lg", desk, lg},
      {u"-SJ -SI -D:2", desk, lg, {"Monitor information"}},
      {u"-SJ", {.failing = {"DisplayConfigGetDeviceInfo", "GetMonitorCapabilities"}},
       R"("hdr":null,"whiteLevel":null,)" "|" R"("capabilities":null})"},
      {u"-SJ", {.failing = {"EnumDisplaySettingsExW", "GetMonitorBrightness"}},
       R"("mode":{"current":null,"desktop":null,"modes":[]},"brightness":null,)"},
      {u"-SJ", {.failing = {"EnumDisplayMonitors"}}, R"("brightness":null,"capabilities":null})"},
      {u"-SJ", {.paths = {{0x1234, 0, 7, 0, u"", 0x80000000}}},
       R"("brightness":{"current":60,"minimum":0,"maximum":100,"via":"power scheme"})"},
      {u"-SJ -B:70", {.standardOutput = false}, "",
       {"Error: -SJ : no standard output to write to; redirect it (Glowtide.exe -SJ > state.json) or "
        "name a file (-SJ:state.json)"}, -255},
      // Two-byte UTF-8 in a name, a display without an id, one width with several heights.
      {u"-SJ", {.paths = {{0x1234, 0, 7, 0, u"Монитор Ω"}},
                .modes = {{1920, 1200, 60, 32}, {1920, 1080, 60, 32}}},
       R"("name":"Монитор Ω","device":"DISPLAY1","id":null,)" "|"
       R"("modes":[{"width":1920,"height":1200,"hz":[60]},{"width":1920,"height":1080,"hz":[60]}])"},
      {u"-SI -SJ", desk, "1,2,3", {"Monitor information"}},
      // The monitor codes named, each with its value, or null when it cannot be read.
      {u"-SJ -VCP:12 -VCP:dc", {.unreadableCodes = {0xDC}},
       R"("vcp":{"0x12":{"current":50,"maximum":100},"0xDC":null}})"},
      {u"-SJ:C:\\no\\state.json -B:70", {.failing = {"CreateFileW"}}, "",
       {"Error: Could not write C:\\no\\state.json\nThe system cannot find the file specified."}, 1},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::FakePlatform platform(c.machine);
    EXPECT_EQ(glowtide::Run(platform, c.arguments, InstanceHandle{0x400000}), c.exitCode)
        << Utf8(c.arguments);
    std::vector<std::string> boxes;
    for (const auto& box : platform.boxes)
      boxes.push_back(Utf8(box.caption) + (box.caption == u"Error" ? ": " + Utf8(box.text) : ""));
    EXPECT_EQ(boxes, c.boxes) << Utf8(c.arguments);
    // Whatever else fails, the brightness asked for is set.
    EXPECT_EQ(platform.CallsTo("SetMonitorBrightness").size(), c.exitCode == 1)
        << Utf8(c.arguments);
    if (c.displays.empty()) {
      EXPECT_TRUE(platform.written.empty() || platform.written.begin()->second.empty());
      continue;
    }
    const std::string document = platform.written[u"-"];
    const nlohmann::json parsed = nlohmann::json::parse(document);
    EXPECT_EQ(parsed["glowtide"], GLOWTIDE_VERSION);
    EXPECT_EQ(parsed["schema"], 1);
    std::string numbers;
    for (const nlohmann::json& display : parsed["displays"])
      numbers += (numbers.empty() ? "" : ",") + display["number"].dump();
    if (c.displays.find('{') == std::string::npos && c.displays.find('"') == std::string::npos) {
      EXPECT_EQ(numbers, c.displays) << Utf8(c.arguments);
    } else if (c.displays.front() == '{') {
      EXPECT_EQ(parsed["displays"][0], nlohmann::json::parse(c.displays)) << Utf8(c.arguments);
    } else {
      for (std::size_t at = 0, bar; at < c.displays.size(); at = bar + 1) {
        bar = std::min(c.displays.find('|', at), c.displays.size());
        EXPECT_NE(document.find(c.displays.substr(at, bar - at)), std::string::npos)
            << Utf8(c.arguments) << ": " << document;
      }
    }
  }
}

// In a run for a script (-SJ anywhere, even after a refused option) an error is a UTF-8 line on
// the standard error, and a box only when there is none; other runs show a box.
TEST(JsonReport, ARunForAScriptSaysItsErrorsOnTheStandardError) {
  struct Case {
    std::u16string arguments;
    bool standardError;
    std::string said;  // on the standard error
    bool box;
    int exitCode;
  };
  // clang-format off
  const Case cases[] = {
      {u"-B:x -SJ", true, "-B: Parameter error\n", false, -255},
      {u"-B:x -sj:C:\\s.json", true, "-B: Parameter error\n", false, -255},
      {u"-B:x -SJ", false, "", true, -255},
      {u"-B:x -SJX", true, "", true, -255},
      {u"-SJ -D:\u041C\u0438\u0440", true, "-D:\xD0\x9C\xD0\xB8\xD1\x80 : ", false, -255},
      {u"-SJ:C:\\no\\s.json -P:C:\\nowhere\\g.exe", true,
       "Could not write C:\\no\\s.json\nThe system cannot find the file specified.\n"
       "Could not start C:\\nowhere\\g.exe\nThe system cannot find the file specified.\n", false, 1},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::FakePlatform platform(
        testing::Machine{.failing = {"CreateFileW", "CreateProcessW", "ShellExecuteExW"},
                         .standardError = c.standardError});
    EXPECT_EQ(glowtide::Run(platform, c.arguments, InstanceHandle{0x400000}), c.exitCode)
        << Utf8(c.arguments);
    EXPECT_EQ(platform.written[u"2>"].substr(0, c.said.size()), c.said) << Utf8(c.arguments);
    EXPECT_EQ(platform.boxes.size(), c.box ? 1u : 0u) << Utf8(c.arguments);
  }
}

// The JSON output: a file needs no standard output and is replaced whole (one that is there
// already and longer leaves nothing behind); the standard output needs to be there; a write that
// fails is said with the system's reason.
TEST(JsonOutput, WritesTheWholeDocumentWhereItIsAsked) {
  struct Case {
    std::u16string path;
    testing::Machine machine;
    const char* check;  // the refusal before anything is done
    const char* error;  // the write's
    const char* written;
  };
  // clang-format off
  const Case cases[] = {
      {u"C:\\s.json", {.standardOutput = false, .written = {{u"C:\\s.json", "an older, longer one"}}},
       "", "", "{}\n"},
      {u"", {}, "", "", "{}\n"},
      {u"", {.standardOutput = false}, "-SJ : no standard output to write to; redirect it "
       "(Glowtide.exe -SJ > state.json) or name a file (-SJ:state.json)", "Could not write the "
       "report to the standard output\nThe system cannot find the file specified.", ""},
      {u"C:\\s.json", {.failing = {"WriteFile"}}, "",
       "Could not write C:\\s.json\nThe system cannot find the file specified.", ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::FakePlatform platform(c.machine);
    JsonOutput output(platform, c.path);
    EXPECT_EQ(Utf8(output.Check()), c.check) << Utf8(c.path);
    EXPECT_EQ(Utf8(output.Write("{}\n")), c.error) << Utf8(c.path);
    EXPECT_EQ(platform.written[c.path.empty() ? u"-" : c.path], c.written) << Utf8(c.path);
  }
}

// The box lists the monitor codes named after the brightness, as monitor documentation writes
// them; the input source is read for a report like any other code.
TEST(Report, ListsTheMonitorCodesNamed) {
  testing::FakePlatform platform({.unreadableCodes = {0xDC}});
  EXPECT_EQ(glowtide::Run(platform, u"-SI -VCP:12 -VCP:60 -VCPQ:dc=3", InstanceHandle{0x400000}),
            0);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_NE(Utf8(platform.boxes[0].text)
                .find("<Brightness>\nSupported value : 0 to 100\nCurrent : 50\n\n"
                      "<Monitor VCP codes>\n0x12 : 50 (maximum 100)\n0x60 : 15 (maximum 27)\n"
                      "0xDC : could not be read\n\n<Monitor capabilities>"),
            std::string::npos)
      << Utf8(platform.boxes[0].text);
}

}  // namespace
}  // namespace glowtide
