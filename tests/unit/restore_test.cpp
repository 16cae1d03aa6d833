// The restore records: their text, and what each run writes, settles and leaves owed over the
// fake's file system, registry and displays.
#include <gtest/gtest.h>

#include "app/run.h"
#include "session/launch_end.h"
#include "session/requests.h"
#include "session/restores.h"
#include "support/fake_platform.h"

namespace glowtide {
namespace {

using testing::FakePlatform;
using testing::Utf8;

// A display's record as the fake's display 1 (adapter 0x1234, target 7) has it, without the
// boot and start lines.
constexpr char kFormat[] = "glowtide-restore 1\n";
constexpr char kDisplay1[] = "display 4660 0 7 DISPLAY1\n";

TEST(RestoreRecord, ReadsEveryValueBackAndRefusesWhatIsOutOfRange) {
  // A record that parses formats back to the same text; keys it does not know, blank lines and
  // line ends with a return are passed over.
  const std::string full = std::string(kFormat) +
                           "boot 13400000000\nstarted 133999999000000000\n"
                           "display 4660 4294967295 7 DISPLAY1 GSM5B7F-UID4353\nhdr 0 1\n"
                           "white 1000 2500\nbrightness 30 80\nmode 2560x1440@144 1920x1080\n"
                           "display 1 0 8 -\nbrightness 2147483647\nmode @60 D\n";
  const std::optional<RestoreRecord> parsed = ParseRecord(full);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(FormatRecord(*parsed), full);
  const RecordDisplay& first = parsed->displays[0];
  EXPECT_EQ(parsed->boot, 13400000000u);
  EXPECT_EQ(first.display.target.adapterId.highPart, -1);
  EXPECT_EQ(Utf8(first.display.id), "GSM5B7F-UID4353");
  EXPECT_EQ(*first.set.whiteLevel, 2500u);
  EXPECT_EQ(first.set.mode->frequency, 0u);
  EXPECT_FALSE(parsed->displays[1].set.brightness);
  EXPECT_TRUE(ParseRecord(std::string(kFormat) + "future 1\r\n\n" + kDisplay1 + "hdr 1\r\n"));

  EXPECT_FALSE(ParseRecord(""));
  EXPECT_FALSE(ParseRecord("glowtide-restore 2\n"));
  for (const char* bad : {"hdr 0\n", "display 4660 0 7\n", "display 4660 0 4294967296 DISPLAY1\n",
                          "boot x\n", "display 4660 0 7 DISPLAY1 id more\n"}) {
    EXPECT_FALSE(ParseRecord(std::string(kFormat) + bad)) << bad;
  }
  for (const char* bad : {"hdr 2\n", "hdr 0 1 1\n", "white 2147483648\n", "brightness -1\n",
                          "mode fast\n", "mode 0x0\n", "white\n", "brightness 30 x\n"}) {
    EXPECT_FALSE(ParseRecord(std::string(kFormat) + kDisplay1 + bad)) << bad;
  }
  // Only an instance's own name is a record's.
  EXPECT_EQ(Utf8(RecordName({4, 7})), "restore-4-7.txt");
  EXPECT_EQ(OwnerOf(u"restore-4294967295-18446744073709551615.txt")->creationTime,
            18446744073709551615u);
  for (const char16_t* other : {u"restore-4-7.bad", u"restore-04-7.txt", u"restore-4-7-1.txt",
                                u"restore-4294967296-7.txt", u"writing-restore-4-7.txt"}) {
    EXPECT_FALSE(OwnerOf(other)) << Utf8(other);
  }
}

constexpr char16_t kFolder[] = u"C:\\Users\\player\\AppData\\Local\\Glowtide\\";
constexpr char16_t kRunOnce[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\!Glowtide";

// A record of instance 9 (ended), which started 100 s before the fake's clock began, on the boot
// the fake is on; display 1 of the fake is the first display unless lines says otherwise.
std::string Record(const std::string& lines, const char* started = "133999999000000000",
                   const char* boot = "13400000000") {
  return std::string(kFormat) + "boot " + boot + "\nstarted " + started + "\nsession 1\n" + lines;
}

// The display changes of a run, in order: the sets of the trace and the modes.
std::string Changes(const FakePlatform& platform) {
  std::string changes;
  const std::string trace = platform.Trace() + " ";
  for (std::size_t at = 0, end; (end = trace.find(' ', at)) != std::string::npos; at = end + 1) {
    const std::string item = trace.substr(at, end - at);
    if (item.rfind("set", 0) == 0 || item.rfind("mode:", 0) == 0)
      changes += (changes.empty() ? "" : " ") + item;
  }
  return changes;
}

TEST(Restores, EachRunSettlesWhatEndedLaunchesOweAndWritesWhatItOwes) {
  struct Case {
    const char* label;
    std::u16string arguments;
    std::map<std::string, std::string> records;  // by name, in the folder beforehand
    std::string changes;                         // the display changes, in order
    std::map<std::string, std::string> after;    // the records left
    int exitCode = 0;
    testing::Machine machine = {};
    std::optional<bool> runOnce = {};  // when not: while a record is left
  };
  const std::string hdrOff = std::string(kDisplay1) + "hdr 0 1\n";
  const std::string whiteBack = std::string(kDisplay1) + "white 1000 2500\n";
  // At 0 s, 5 s, and so on to 60 s.
  std::string tries = "set10:0";
  for (int i = 0; i < 12; ++i) tries += " set10:0";
  testing::Machine hdrOn{.paths = {{0x1234, 0, 7, 0, u"", 0, true}}};
  testing::Machine twoDisplays{
      .paths = {{0x1234, 0, 7, 0, u"", 0, true}, {0x1234, 0, 8, 1, u"", 0, true}},
      .monitorCount = 2};
  testing::Machine claimed = twoDisplays;
  claimed.table = testing::TableWith({{8, 3}});
  claimed.events = {"RS_GLOWTIDE_LIVE_8_3"};
  testing::Machine white2500{.whiteLevel = 2500};
  testing::Machine claimedSeven{.table = testing::TableWith({{8, 3}}),
                                .events = {"RS_GLOWTIDE_LIVE_8_3"}};
  // clang-format off
  const Case cases[] = {
      {"a launch that ends as it should leaves nothing", u"-P:g.exe -BQ:33", {},
       "setB:33", {}},
      {"a joining launch puts back what an ended one set and still shows, before its own",
       u"-P:g.exe -B:70 -BQ:33", {{"restore-9-5.txt", Record(hdrOff)}},
       "set10:0 setB:70 setB:33", {}, 0, hdrOn},
      {"the player changed it since: left alone, and the record done", u"-P:g.exe -BQ:33",
       {{"restore-9-5.txt", Record(hdrOff)}}, "setB:33", {}},
      {"a setting the launch set nothing for is put back as it stands", u"-P:g.exe -BQ:33",
       {{"restore-9-5.txt", Record(std::string(kDisplay1) + "hdr 1\n")}}, "set10:1 setB:33", {}},
      {"a joining launch takes over what it sets itself, and puts it back at its end",
       u"-P:g.exe -HDR:E -BQ:33", {{"restore-9-5.txt", Record(std::string(kDisplay1) + "hdr 0\n")}},
       "set10:1 set10:0 setB:33", {},
       0, hdrOn},
      {"a display that a live launch claims stays owed", u"-P:g.exe -BQ:33 -D:2",
       {{"restore-9-5.txt", Record(hdrOff)}}, "setB@0x111:33",
       {{"restore-9-5.txt", Record(hdrOff)}}, 0, claimed},
      {"where two ended launches owe a setting, the later one's wins", u"-R",
       {{"restore-9-5.txt", Record(whiteBack, "133999999000000001")},
        {"restore-8-5.txt", Record(std::string(kDisplay1) + "white 3000 2500\n")}},
       "set-18:1000", {}, 0, white2500},
      {"-R: a record part of which is not connected keeps that part, and ends with 1", u"-R",
       {{"restore-9-5.txt", Record(hdrOff + "display 4660 0 9 DISPLAY3\nwhite 1000\n")}},
       "set10:0", {{"restore-9-5.txt", Record("display 4660 0 9 DISPLAY3\nwhite 1000\n")}}, 1,
       hdrOn},
      {"-R tries a setting that does not take every 5 s for a minute", u"-R",
       {{"restore-9-5.txt", Record(std::string(kDisplay1) + "hdr 0\n")}},
       tries, {{"restore-9-5.txt", Record(std::string(kDisplay1) + "hdr 0\n")}}, 1,
       {.ignoring = {"DisplayConfigSetDeviceInfo"}, .paths = hdrOn.paths}},
      {"after a restart a display is found by its id alone, and no mode is set", u"-R",
       {{"restore-9-5.txt", Record(std::string(kDisplay1) + "hdr 0\n"
                                   "display 4660 0 8 DISPLAY2 GSM5B7F-UID1\nhdr 0\nmode 1920x1080\n",
                                   "133999999000000000", "13300000000")}},
       "set10@8:0", {}, 0,
       {.paths = {{0x1234, 0, 7, 0, u"", 0, true},
                  {0x1234, 0, 8, 1, u"", 0, true, u"\\\\?\\DISPLAY#GSM5B7F#5&1&0&UID1#{x}"}},
        .monitorCount = 2}},
      {"a record that does not parse is set aside; one older than 7 days dropped", u"-R",
       {{"restore-9-5.txt", Record("hdr 0\n")},
        {"restore-8-5.txt", Record(hdrOff, "133395199000000000")}},
       "", {{"restore-9-5.txt.bad", Record("hdr 0\n")}}, 0, hdrOn},
      {"a record over 64 KB is set aside, never cut to a shorter one", u"-R",
       {{"restore-9-5.txt", Record(whiteBack + std::string(65536, '\n'))}}, "",
       {{"restore-9-5.txt.bad", Record(whiteBack + std::string(65536, '\n'))}}, 0, white2500},
      {"-R with an option that is refused settles nothing", u"-R -D:nosuch",
       {{"restore-9-5.txt", Record(hdrOff)}}, "", {{"restore-9-5.txt", Record(hdrOff)}}, -255,
       hdrOn},
      {"... nor with a mode no display lists", u"-R -M:800x600",
       {{"restore-9-5.txt", Record(hdrOff)}}, "", {{"restore-9-5.txt", Record(hdrOff)}}, -255,
       hdrOn},
      {"... nor with -SJ and no standard output", u"-R -SJ",
       {{"restore-9-5.txt", Record(hdrOff)}}, "", {{"restore-9-5.txt", Record(hdrOff)}}, -255,
       {.paths = hdrOn.paths, .standardOutput = false}},
      {"-R with other options settles before them", u"-R -B:70",
       {{"restore-9-5.txt", Record(hdrOff)}}, "set10:0 setB:70", {}, 0, hdrOn},
      {"a folder, or a record of process 0, is no record, and keeps no RunOnce value", u"-R",
       {{"restore-5-5.txt", ""}, {"restore-0-7.txt", Record(hdrOff)}}, "",
       {{"restore-5-5.txt", ""}, {"restore-0-7.txt", Record(hdrOff)}}, 0,
       {.folders = {std::u16string(kFolder) + u"restore-5-5.txt"}}, false},
      {"what is left over is removed: a temporary file past a minute, a record dated ahead, a "
       "file set aside past 7 days", u"-R",
       {{"writing-restore-9-5.txt", "x"}, {"writing-restore-8-5.txt", "x"},
        {"restore-7-5.txt.bad", "x"}, {"restore-6-5.txt.bad", "x"},
        {"restore-9-5.txt", Record(hdrOff, "134001728000000000")}},
       "", {{"writing-restore-8-5.txt", "x"}, {"restore-6-5.txt.bad", "x"}}, 0,
       {.writeTimes = {{std::u16string(kFolder) + u"writing-restore-9-5.txt", 133999998800000000},
                       {std::u16string(kFolder) + u"writing-restore-8-5.txt", 133999999900000000},
                       {std::u16string(kFolder) + u"restore-7-5.txt.bad", 133993088000000000}}},
       false},
      {"one precedence rule: a launch that left its display to another left before it", u"-R",
       {{"restore-9-5.txt", Record(std::string(kDisplay1) + "brightness 30\n")},
        {"restore-8-5.txt", Record("left 133999999500000000\n" + std::string(kDisplay1) +
                                   "brightness 70\n", "133999999000000001")}},
       "setB:30", {}},
      {"a clock that moved leaves the sign-in as it was: the mode is put back", u"-R",
       {{"restore-9-5.txt", Record(std::string(kDisplay1) + "mode 1920x1080\n")}},
       "mode:1920x1080@60:32:0x5c0000:0", {}, 0, {.fileTimeAtZero = 134000000110000000}},
      {"a brightness and a mode the player changed since are left alone", u"-R",
       {{"restore-9-5.txt", Record(std::string(kDisplay1) +
                                   "brightness 30 80\nmode 1280x720 1920x1080@60\n")}}, "", {}},
      {"a mode set without a rate is shown in any rate of its size", u"-R",
       {{"restore-9-5.txt", Record(std::string(kDisplay1) + "mode 1920x1080 2560x1440\n")}},
       "mode:1920x1080@60:32:0x5c0000:0", {}},
      {"a record just inside its lifetime is settled, one just past it dropped", u"-R",
       {{"restore-9-5.txt", Record(hdrOff, "133993952010000000")},
        {"restore-8-5.txt", Record(whiteBack, "133993951990000000")}}, "set10:0", {}, 0,
       {.paths = hdrOn.paths, .whiteLevel = 2500}},
      {"a settle whose display query fails keeps the record", u"-R",
       {{"restore-9-5.txt", Record(hdrOff)}}, "", {{"restore-9-5.txt", Record(hdrOff)}}, 1,
       {.failing = {"QueryDisplayConfig"}}},
      {"another session's launch is left alone while it runs", u"-R",
       {{"restore-9-5.txt", std::string(kFormat) + "boot 13400000000\nstarted "
                            "133999999000000000\nsession 2\n" + hdrOff}}, "",
       {{"restore-9-5.txt", std::string(kFormat) + "boot 13400000000\nstarted "
                            "133999999000000000\nsession 2\n" + hdrOff}}, 0,
       {.paths = hdrOn.paths, .events = {"Session\\2\\RS_GLOWTIDE_LIVE_9_5"}}, true},
      {"... and settled once it has ended", u"-R",
       {{"restore-9-5.txt", std::string(kFormat) + "boot 13400000000\nstarted "
                            "133999999000000000\nsession 2\n" + hdrOff}}, "set10:0", {}, 0,
       hdrOn},
      {"a monitor code is put back while the monitor shows what the launch left", u"-R",
       {{"restore-9-5.txt", Record(std::string(kDisplay1) + "vcp 18 30 50\n")}},
       "setV0x12:30", {}},
      {"... and left alone once the player changed it; the input source goes as it stands", u"-R",
       {{"restore-9-5.txt", Record(std::string(kDisplay1) + "vcp 18 30 70\nvcp 96 17 15\n")}},
       "setV0x60:17", {}},
      {"a launch puts its codes back at its end, one found at its start as it was",
       u"-P:g.exe -VCP:12=70 -VCPQ:12 -VCPQ:dc=3", {}, "setV0x12:70 setV0x12:50 setV0xdc:3", {}},
      {"a code put back as found takes the value a live launch owes there, not the one found",
       u"-P:g.exe -VCP:12=70 -VCPQ:12", {{"restore-8-3.txt", Record(std::string(kDisplay1) + "vcp 18 33\n")}},
       "setV0x12:70",
       {{"restore-8-3.txt", Record(std::string(kDisplay1) + "vcp 18 33\n")},
        {"restore-4-7.txt", Record("left 134000000010000000\n" + std::string(kDisplay1) + "vcp 18 33\n", "7")}},
       0, claimedSeven},
      {"a record holds each code with the value set", u"-D:1 -P:g.exe -VCP:12=70 -VCPQ:12=40", {},
       "setV0x12:70", {{"restore-4-7.txt", Record(std::string(kDisplay1) + "vcp 18 40 70\n", "7")}},
       1, {.replugged = {{{0x1234, 0, 8, 0}}}}},
      {"a live instance's record is its own", u"-R", {{"restore-8-3.txt", Record(hdrOff)}}, "",
       {{"restore-8-3.txt", Record(hdrOff)}}, 0, claimed},
      {"... until it has left, though its process has not ended yet", u"-R",
       {{"restore-8-3.txt", Record(hdrOff)}}, "set10:0", {}, 0,
       {.paths = hdrOn.paths, .events = {"RS_GLOWTIDE_LIVE_8_3"}}},
      {"a launch that ends while another claims its display leaves what it owes there to it, "
       "to be put back as it stands", u"-P:g.exe -HDR:E -HDRQ:D", {}, "set10:1",
       {{"restore-4-7.txt",
         Record("left 134000000010000000\n" + std::string(kDisplay1) + "hdr 0\n", "7")}}, 0,
       {.table = testing::TableWith({{9, 5}}), .events = {"RS_GLOWTIDE_LIVE_9_5"}}},
      {"a record holds the mode as it was set, the rate matched within 1 Hz",
       u"-D:1 -P:g.exe -M:1920x1080@61 -MQ:D", {}, "mode:1920x1080@60:32:0x5c0000:0",
       {{"restore-4-7.txt", Record(std::string(kDisplay1) + "mode D 1920x1080@60\n", "7")}}, 1,
       {.replugged = {{{0x1234, 0, 8, 0}}}}},
      {"... and the brightness as the monitor took it", u"-D:1 -P:g.exe -B:150 -BQ:30", {},
       "setB:150", {{"restore-4-7.txt", Record(std::string(kDisplay1) + "brightness 30 100\n", "7")}},
       1, {.replugged = {{{0x1234, 0, 8, 0}}}}},
      {"a start setting that failed leaves no value set: its debt is put back as it stands",
       u"-D:1 -P:g.exe -B:70 -BQ:30", {}, "setB:70 setB:70 setB:70",
       {{"restore-4-7.txt", Record(std::string(kDisplay1) + "brightness 30\n", "7")}}, 1,
       {.failing = {"SetMonitorBrightness"}, .replugged = {{{0x1234, 0, 8, 0}}}}},
      {"a launch's own restore that is not in place stays owed", u"-P:g.exe -HDRQ:E -BQ:30", {},
       "set10:1 setB:30 setB:30",
       {{"restore-4-7.txt", Record(std::string(kDisplay1) + "brightness 30 50\n", "7")}}, 1,
       {.ignoredWrites = 2}},
      {"a restore in place is taken out of the record even when the lock is not had after it",
       u"-P:g.exe -BQ:30", {}, "setB:30", {}, 0, {.waitResults = {0, 0, 0x102}}},
      {"... and what a display that is gone at its end owes", u"-D:1 -P:g.exe -BBQ:4444", {}, "",
       {{"restore-4-7.txt", Record(std::string(kDisplay1) + "white 4444 1000\n", "7")}}, 1,
       {.replugged = {{{0x1234, 0, 8, 0}}}}},
      {"... and in clone mode a picture's mode, while another claims a display of it",
       u"-D:3 -P:g.exe -M:1920x1080 -MQ:D", {}, "mode:@DISPLAY2:1920x1080@60:32:0x5c0000:0",
       {{"restore-4-7.txt", Record("left 134000000010000000\ndisplay 4660 0 9 DISPLAY2\nmode D\n", "7")}}, 0,
       {.paths = {{0x1234, 0, 7, 0, u"", 0x80000000}, {0x1234, 0, 8, 1}, {0x1234, 0, 9, 1}},
        .monitorCount = 2, .table = testing::TableWith({{9, 5, {8}}}),
        .events = {"RS_GLOWTIDE_LIVE_9_5"}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::Machine machine = c.machine;
    for (const auto& [name, text] : c.records)
      machine.written[kFolder + std::u16string(name.begin(), name.end())] = text;
    FakePlatform platform(machine);
    EXPECT_EQ(glowtide::Run(platform, c.arguments, InstanceHandle{0x400000}), c.exitCode)
        << c.label;
    EXPECT_EQ(Changes(platform), c.changes) << c.label;
    std::map<std::string, std::string> after;
    for (const auto& [path, text] : platform.written) {
      if (path.rfind(kFolder, 0) == 0) after[Utf8(path.substr(std::size(kFolder) - 1))] = text;
    }
    EXPECT_EQ(after, c.after) << c.label;
    // Windows runs -R at the next sign-in while a record is left (a refused run touches nothing).
    if (c.exitCode == -255 || !c.machine.waitResults.empty()) continue;
    const bool owed = std::any_of(after.begin(), after.end(), [](const auto& file) {
      return file.first.size() > 4 && file.first.substr(file.first.size() - 4) == ".txt";
    });
    EXPECT_EQ(platform.registry.count(kRunOnce), c.runOnce.value_or(owed) ? 1u : 0u) << c.label;
  }
}

// The record is in place, whole, before the first change, and the RunOnce value with it; a record
// that cannot be written whole replaces none, and the launch runs as it would without one.
TEST(Restores, TheRecordIsWrittenWholeBeforeAnyChange) {
  const std::string folder = Utf8(kFolder);
  for (const char* failing : {"", "FlushFileBuffers", "GetLocalAppDataPath"}) {
    FakePlatform platform(testing::Machine{.failing = {failing}, .ignoring = {}});
    EXPECT_EQ(glowtide::Run(platform, u"-P:g.exe -B:70 -BQ:33", InstanceHandle{0x400000}), 0);
    std::vector<std::string> order;
    for (const std::string& call : platform.calls) {
      for (const char* name : {"CreateFileW(", "WriteFile(", "FlushFileBuffers(", "MoveFileExW(",
                               "DeleteFileW(", "RegSetKeyValueW(", "SetMonitorBrightness("}) {
        if (call.rfind(name, 0) != 0) continue;
        std::string shown = call;
        for (std::size_t at; (at = shown.find(folder)) != std::string::npos;)
          shown.erase(at, folder.size());
        order.push_back(shown.substr(0, shown.find(",0x4")));
      }
    }
    const std::vector<std::string> whole = {
        "CreateFileW(writing-restore-4-7.txt",
        "WriteFile(0x400,96)",
        "FlushFileBuffers(0x400)",
        "MoveFileExW(writing-restore-4-7.txt,restore-4-7.txt,0x9)",
        "RegSetKeyValueW(!Glowtide,\"C:\\Tools\\Glowtide.exe\" -R)",
        "SetMonitorBrightness(0x101,70)"};
    const std::string first = order.empty() ? "" : order.front();
    if (*failing == '\0') {
      EXPECT_EQ(std::vector(order.begin(), order.begin() + 6), whole);
      EXPECT_EQ(order.back(), "DeleteFileW(restore-4-7.txt)");
    } else if (std::string(failing) == "FlushFileBuffers") {
      EXPECT_EQ(order[3], "DeleteFileW(writing-restore-4-7.txt)");
    } else {
      EXPECT_EQ(first, "SetMonitorBrightness(0x101,70)");
    }
    EXPECT_TRUE(platform.written.empty()) << failing;
  }
}

// Without -D:, when the primary monitor is not on display 1: HDR and the white level are owed on
// display 1 and read there, the brightness on the primary's display and its own monitor.
TEST(Restores, WithoutAChoiceHdrIsDisplay1sAndTheBrightnessThePrimarys) {
  const testing::Machine desk{.paths = {{0x1234, 0, 7, 0, u"LG"}, {0x1234, 0, 8, 1, u"DELL"}},
                              .monitorCount = 2,
                              .primarySource = 1};
  FakePlatform platform(desk);
  DisplayQuery query;
  ASSERT_TRUE(QueryDisplays(platform, platform, &query));
  std::vector<PhaseDisplay> entries = PhaseDisplays(query.displays, {0}, false);
  entries[0].quit = {.hdr = true, .whiteLevel = 4444, .brightness = 33};
  entries[0].placed = {.brightness = 70};
  const std::vector<RecordDisplay> owed = ByDisplay(entries, &PhaseDisplay::quit, true);
  EXPECT_EQ(FormatRecord({1, 2, {}, 0, owed}),
            std::string(kFormat) + "boot 1\nstarted 2\n" + kDisplay1 +
                "hdr 1\nwhite 4444\ndisplay 4660 0 8 DISPLAY2\nbrightness 33 70\n");
  FakePlatform report(desk);
  EXPECT_EQ(glowtide::Run(report, u"-SI", InstanceHandle{0x400000}), 0);
  EXPECT_EQ(report.Trace(), "get15 get9 get11 caps getB free box");  // HDR of target 7
  EXPECT_TRUE(report.CallsTo("GetMonitorBrightness(0x101").empty());
  EXPECT_FALSE(report.CallsTo("GetMonitorBrightness(0x111").empty());
}

// The launch's own record keeps, right after its restore, what the launch still owes: a display
// others claim (handed over: the last of them puts it back as it stands), one that is gone (all of
// it), and elsewhere only the settings that did not take.
TEST(LaunchRecord, KeepsWhatTheLaunchStillOwes) {
  const std::string two = "display 4660 0 8 DISPLAY2\n";
  struct Case {
    const char* label;
    std::vector<std::uint32_t> others, gone;
    std::vector<std::u16string> pictures;
    DisplayPlan failed;  // on display 1
    std::string kept;    // after the header; empty: the record is gone
  };
  const DisplayTarget second{{0x1234, 0}, 8};
  // clang-format off
  const Case cases[] = {
      {"all in place", {}, {}, {}, {}, ""},
      {"display 2 claimed", {8}, {}, {}, {}, "left 5\n" + two + "white 1000\nmode D\n"},
      {"display 1 gone", {}, {7}, {}, {}, std::string(kDisplay1) + "hdr 0 1\nbrightness 30 80\n"},
      {"its brightness did not take", {}, {}, {}, {.brightness = 30},
       std::string(kDisplay1) + "brightness 30 80\n"},
      {"a picture of display 2 claimed, for its mode", {}, {}, {u"DISPLAY2"}, {},
       "left 5\n" + two + "white 1000\nmode D\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakePlatform platform;
    RestoreFolder folder(platform);
    LaunchTable table(platform);
    ASSERT_TRUE(table.Join({}));
    LaunchRecord record(platform, folder, table);
    Display one{.target = {{0x1234, 0}, 7}, .device = u"DISPLAY1"};
    Display other{.target = second, .device = u"DISPLAY2"};
    record.Owe({{one, {.hdr = false, .brightness = 30}, {.hdr = true, .brightness = 80}},
                {other, {.mode = ModeRequest{true}, .whiteLevel = 1000}, {.whiteLevel = 2500}}},
               {});
    std::vector<DisplayTarget> others, gone;
    for (const std::uint32_t id : c.others) others.push_back({{0x1234, 0}, id});
    for (const std::uint32_t id : c.gone) gone.push_back({{0x1234, 0}, id});
    record.Keep(others, c.pictures, gone, {{one, c.failed, {}}}, 5);
    const auto file = platform.written.find(kFolder + std::u16string(u"restore-4-7.txt"));
    const std::string header = std::string(kFormat) + "boot 13400000000\nstarted 7\nsession 1\n";
    EXPECT_EQ(file == platform.written.end() ? "" : file->second.substr(header.size()), c.kept)
        << c.label;
  }
}

// The launch's end: its record's quit settings, on the displays no other launch claims, in one
// plan with what ended launches owe there (in the quit order), on the displays found again.
TEST(LaunchEnd, PutsBackItsOwnWithWhatEndedLaunchesOweOnTheSameDisplay) {
  struct Case {
    const char* label;
    std::u16string arguments;
    std::string owed;  // an ended launch's record of display 1
    std::vector<std::uint32_t> others;
    std::string changes;
    bool inPlace = true;
    testing::Machine machine = {};
    bool lost = false;  // the display configuration cannot be queried when it leaves
  };
  // clang-format off
  const Case cases[] = {
      {"its own alone", u"-HDRQ:D -BQ:33", "", {}, "set10:0 setB:33"},
      {"a display another launch claims is left to it", u"-HDRQ:D -BQ:33", "", {7}, ""},
      {"what an ended launch owes goes in the same plan, HDR first", u"-BQ:33", "hdr 0\n", {},
       "set10:0 setB:33", true, {.paths = {{0x1234, 0, 7, 0, u"", 0, true}}}},
      {"... its own winning", u"-BQ:33", "brightness 20\nwhite 2222\n", {},
       "setB:33 set-18:2222"},
      {"a display that is gone is not in place", u"-BQ:33", "", {}, "", false,
       {.replugged = {{{0x1234, 0, 8, 0}}}}},
      {"displays that cannot be looked for: nothing is put back, and all stays owed", u"-BQ:33",
       "", {}, "", false, {}, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::Machine machine = c.machine;
    if (!c.owed.empty())
      machine.written[kFolder + std::u16string(u"restore-9-5.txt")] =
          Record(std::string(kDisplay1) + c.owed);
    FakePlatform platform(machine);
    Requests requests;
    std::u16string refusal;
    ASSERT_TRUE(DecideRequests(platform, testing::SettingsFrom(c.arguments + u" -P:g.exe"),
                               &requests, &refusal));
    RestoreFolder folder(platform);
    LaunchTable table(platform);
    ASSERT_TRUE(table.Join(Claims(requests.displays)));
    LaunchRecord record(platform, folder, table);
    record.Owe(ByDisplay(requests.displays, &PhaseDisplay::quit, false), {});
    LaunchEnd end(platform, false, false, requests.displays, folder, table, record);
    platform.calls.clear();
    std::vector<DisplayTarget> others;
    for (const std::uint32_t id : c.others) others.push_back({{0x1234, 0}, id});
    SleepPause pause(platform);
    if (c.lost) platform.failing.insert("QueryDisplayConfig");
    end.Decide(others);
    EXPECT_EQ(end.Apply(pause, others), c.inPlace) << c.label;
    end.Done();
    EXPECT_EQ(Changes(platform), c.changes) << c.label;
    // The record keeps what is not in place, and what it leaves to a launch that claims it.
    const bool owes = platform.written.count(kFolder + std::u16string(u"restore-4-7.txt")) != 0;
    EXPECT_EQ(owes, !c.inPlace || !c.others.empty()) << c.label;
  }
}

}  // namespace
}  // namespace glowtide
