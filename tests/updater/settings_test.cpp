// SpiFlash.ini: what is stored, what is echoed, what the library is given,
// and that the file is never left open.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "entry.h"
#include "fake_hub_library.h"
#include "fake_platform.h"
#include "module_keys.h"
#include "printer.h"
#include "settings.h"
#include "run_state.h"

namespace {

const char kHeading[] = "\t1.2 LoadSettingFromIni()\n\t\t";

// The worked example of the settings file and its echo, shared with the
// end-to-end tests. A file that cannot be read gives "", which no test
// expects.
std::string TestData(const char* name) {
  std::ifstream file(std::string(QUILLET_TEST_DATA) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

const std::string kWorkedExample = TestData("worked_example.ini");
const std::string kWorkedExampleEcho = TestData("worked_example_echo.txt");

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string ToCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// One run of the reader over `ini` on a fresh, zeroed record.
struct SettingsRun {
  explicit SettingsRun(const std::string& ini) { os.AddFile("SpiFlash.ini", ini); }
  SettingsRun() = default;
  bool Load() {
    library.screen = &os;
    Printer out(os);
    bool result = LoadSettingFromIni(*state, out, os, library);
    EXPECT_EQ(0, os.OpenFiles()) << "a file was left open";
    return result;
  }
  // What was echoed after the step's heading.
  std::string Echo() const {
    const std::string& text = os.Text();
    EXPECT_EQ(kHeading, text.substr(0, sizeof kHeading - 1));
    return text.substr(sizeof kHeading - 1);
  }
  std::vector<const HubModuleEntry*> Modules() const {
    std::vector<const HubModuleEntry*> list;
    for (const HubModuleEntry& e : state->Modules) list.push_back(&e);
    return list;
  }

  FakePlatform os;
  FakeHubLibrary library;
  std::unique_ptr<UpdaterState> state = std::make_unique<UpdaterState>();
};

std::string Misc(const std::string& body) { return "[Misc]\n" + body; }

// ---------------------------------------------------------------- worked example

void ExpectWorkedExampleRecord(const SettingsRun& run) {
  const UpdaterState& s = *run.state;
  const unsigned char head[] = {2,    0x15, 0x04, 0x17, 0x3A, 0x12, 0x0D, 3,
                                0x16, 0x04, 0x17, 0x3A, 0x12, 0x0D, 2};
  const auto* bytes = reinterpret_cast<const unsigned char*>(static_cast<const LibraryRecord*>(&s));
  EXPECT_EQ(0, std::memcmp(head, bytes, sizeof head));
  for (size_t i = sizeof head; i < offsetof(LibraryRecord, Reserved) + sizeof s.Reserved; ++i) {
    ASSERT_EQ(0, bytes[i]) << "byte " << i << " of the library's head";
  }
  EXPECT_EQ(1, +s.StringCompare);
  EXPECT_EQ(2, s.HubNumber);
  std::vector<const HubModuleEntry*> modules = run.Modules();
  ASSERT_EQ(2u, modules.size());
  EXPECT_EQ(0, modules[0]->Depth);
  EXPECT_EQ(0, modules[0]->ConnectionPortIndex);
  EXPECT_STREQ("FW_A.BIN", modules[0]->WantUpdateBinFile);
  EXPECT_EQ(1, modules[1]->Depth);
  EXPECT_EQ(4, modules[1]->ConnectionPortIndex);
  EXPECT_STREQ("FW_B.BIN", modules[1]->WantUpdateBinFile);
  EXPECT_STREQ("USB 3.0 Hub", s.TargetHubName);
  EXPECT_EQ(1, +s.CheckHubFw);
  EXPECT_EQ(0x921, +s.FwVersion);
}

TEST(WorkedExample, EchoesEveryValueAndFillsTheRecord) {
  SettingsRun run(kWorkedExample);
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(kWorkedExampleEcho, run.os.Text());
  ExpectWorkedExampleRecord(run);
}

TEST(WorkedExample, WithCrLfLineEndsReadsTheSame) {
  SettingsRun run(ToCrLf(kWorkedExample));
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(kWorkedExampleEcho, run.os.Text());
  ExpectWorkedExampleRecord(run);
}

TEST(WorkedExample, TheLibraryGetsTheTableOnceRightAfterItsEcho) {
  SettingsRun run(kWorkedExample);
  run.Load();
  EXPECT_EQ(std::vector<std::string>{"TA_SetIniInfo"}, run.library.calls);
  EXPECT_EQ(2, run.library.setIniInfoCount);
  ASSERT_EQ(2u, run.library.tableAtSetIniInfo.size());
  EXPECT_EQ(0x3A170416u, +run.library.tableAtSetIniInfo[1].HubId);
  EXPECT_NE(std::string::npos,
            run.os.Screen().find("3A170416=0D12 2  \n\t\t{TA_SetIniInfo}[Misc] Found"));
  EXPECT_EQ(std::string::npos, run.os.Screen().find("{0"));  // no colour changes
}

TEST(WorkedExample, EveryPassAndEveryModuleKeyOpensTheFileAnew) {
  SettingsRun run(kWorkedExample);
  run.Load();
  // The first check, the two hub-ID passes, four later sections, and two
  // opens for each of the four module keys.
  EXPECT_EQ(1 + 2 + 4 + 4 * 2, run.os.OpenCount("SpiFlash.ini"));
}

TEST(WorkedExample, EveryValueKeepsItsLineAndTheLeftLinesAreNoted) {
  SettingsRun run(
      Replace(kWorkedExample, "Manufacturer", "stray words\nCheckHUBFW=0\nManufacturer"));
  Settings settings;
  ASSERT_TRUE(ReadSettings(*run.state, run.os, run.library, nullptr, &settings));
  EXPECT_EQ("", run.os.Text());  // read without an echo
  std::vector<std::pair<Taken, int>> taken;
  for (const TakenValue& value : settings.taken) taken.emplace_back(value.what, value.line);
  const std::vector<std::pair<Taken, int>> expected = {
      {Taken::kSectionFound, 1},  {Taken::kSectionFound, 3},  {Taken::kHubIds, 0},
      {Taken::kSectionFound, 5},  {Taken::kStringCompare, 8}, {Taken::kSectionFound, 9},
      {Taken::kHubNumber, 10},    {Taken::kModuleText, 11},   {Taken::kModuleNumber, 12},
      {Taken::kModuleNumber, 13}, {Taken::kModuleText, 14},   {Taken::kSectionFound, 15},
      {Taken::kHubName, 16},      {Taken::kSectionFound, 17}, {Taken::kCheckHubFw, 18},
      {Taken::kFwVersion, 19}};
  EXPECT_EQ(expected, taken);
  EXPECT_EQ((std::vector<int>{2, 4}), settings.idLines);
  // In the order the passes left them: [Misc]'s, [HUBModule]'s (whose
  // module keys only the module key scans read), [HUBFWCheck]'s.
  std::vector<std::pair<int, LineNote>> noted;
  for (const NotedLine& line : settings.noted) noted.emplace_back(line.line, line.note);
  const std::vector<std::pair<int, LineNote>> left = {{6, LineNote::kNoEquals},
                                                      {11, LineNote::kModuleKeyUnread},
                                                      {12, LineNote::kModuleKeyUnread},
                                                      {13, LineNote::kModuleKeyUnread},
                                                      {14, LineNote::kModuleKeyUnread},
                                                      {7, LineNote::kKeyOutside}};
  EXPECT_EQ(left, noted);
  EXPECT_EQ("", settings.gaveUpOn);
}

TEST(WorkedExample, TheValueNamesTheModuleKeyTheReaderGaveUpOn) {
  SettingsRun run(Replace(kWorkedExample, "NO.2HUBConnectionPortIndex=4\n", ""));
  Settings settings;
  EXPECT_FALSE(ReadSettings(*run.state, run.os, run.library, nullptr, &settings));
  EXPECT_EQ("NO.2HUBConnectionPortIndex", settings.gaveUpOn);
  EXPECT_EQ(Taken::kModuleNumber, settings.taken.back().what);
  EXPECT_EQ(10, settings.taken.back().line);
}

// ---------------------------------------------------------------- sections

TEST(Sections, ABracketInACommentEndsTheSection) {
  SettingsRun run(Misc("; values as in [Defaults]\nManufacturer&ProductStringCompare=1\n"));
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(0, +run.state->StringCompare);
  EXPECT_EQ("\n\t\t[Misc] Found  \n\t\t", run.Echo());
}

TEST(Sections, AHeaderAnywhereInALineStartsTheSection) {
  SettingsRun run("; the [Misc] keys\nManufacturer&ProductStringCompare=5\n");
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(5, +run.state->StringCompare);
  EXPECT_EQ("\n\t\t[Misc] Found  \n\t\tStringCompare:5  \n\t\t", run.Echo());
}

TEST(Sections, OnlyTheFirstSectionOfANameIsRead) {
  SettingsRun run(
      Misc("Manufacturer&ProductStringCompare=1\n[Misc]\nManufacturer&ProductStringCompare=2\n"));
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(1, +run.state->StringCompare);
  EXPECT_EQ("\n\t\t[Misc] Found  \n\t\tStringCompare:1  \n\t\t", run.Echo());
}

TEST(Sections, TheHeaderLineHoldsNoKeyAndTheLastKeyWins) {
  SettingsRun run("[Misc] Manufacturer&ProductStringCompare=9\n"
                  "Manufacturer&ProductStringCompare=3\n"
                  "Manufacturer&ProductStringCompare 4\n"
                  "Manufacturer&ProductStringCompare=7\n");
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(7, +run.state->StringCompare);
  EXPECT_EQ("\n\t\t[Misc] Found  \n\t\tStringCompare:3  \n\t\tStringCompare:7  \n\t\t", run.Echo());
}

TEST(Sections, NamesAreMatchedWithLetterCase) {
  SettingsRun run("[misc]\nManufacturer&ProductStringCompare=1\n[HUBFWCheck]\ncheckhubfw=1\n");
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(0, +run.state->StringCompare);
  EXPECT_EQ(0, +run.state->CheckHubFw);
  EXPECT_EQ("\n\t\t[HUBFWCheck] Found  \n\t\t", run.Echo());
}

TEST(Sections, AFileWithoutSectionsHandsAnEmptyTableToTheLibrary) {
  SettingsRun run("just some text\n");
  EXPECT_TRUE(run.Load());
  EXPECT_EQ("\n\t\t", run.Echo());
  EXPECT_EQ(0, run.library.setIniInfoCount);
  EXPECT_EQ(std::vector<std::string>{"TA_SetIniInfo"}, run.library.calls);
  EXPECT_EQ(0u, run.state->Modules.size());
}

TEST(Sections, LongLinesAreReadPieceByPiece) {
  // The key is cut in two by the 199-character pieces: neither piece has
  // both the name and '='.
  std::string cut = std::string(190, ' ') + "Manufacturer&ProductStringCompare=4\n";
  SettingsRun split(Misc(cut));
  EXPECT_TRUE(split.Load());
  EXPECT_EQ(0, +split.state->StringCompare);

  // A piece holding a '[' ends the section like any line.
  SettingsRun bracket("[HUBName]\nWantuUpdateHUBName=" + std::string(200, 'N') +
                      "[x]\nWantuUpdateHUBName=B\n");
  EXPECT_TRUE(bracket.Load());
  EXPECT_EQ(std::string(180, 'N'), bracket.state->TargetHubName);
}

// ---------------------------------------------------------------- hub IDs

TEST(HubIds, LinesCountOnAcrossBothSectionsU3First) {
  SettingsRun run("[TargetID_U2]\n3A170416=0D13\n[TargetID_U3]\n3A170415=0D12\n05E30610=1234\n");
  EXPECT_TRUE(run.Load());
  const UpdaterState& s = *run.state;
  ASSERT_EQ(3, s.TargetIdCount);
  EXPECT_EQ(0x3A170415u, +s.TargetIds[0].HubId);
  EXPECT_EQ(3, +s.TargetIds[0].UsbGeneration);
  EXPECT_EQ(0x05E30610u, +s.TargetIds[1].HubId);
  EXPECT_EQ(0x1234, +s.TargetIds[1].ImageId);
  EXPECT_EQ(3, +s.TargetIds[1].UsbGeneration);
  EXPECT_EQ(0x3A170416u, +s.TargetIds[2].HubId);
  EXPECT_EQ(0x0D13, +s.TargetIds[2].ImageId);
  EXPECT_EQ(2, +s.TargetIds[2].UsbGeneration);
  EXPECT_EQ("[TargetID_U3] Found  \n\t\t[TargetID_U2] Found  \n\t\t"
            "3A170415=0D12 3  05E30610=1234 3  3A170416=0D13 2  \n\t\t",
            run.Echo());
}

TEST(HubIds, LinesWithoutEqualsSignAddNothing) {
  SettingsRun run("[TargetID_U3]\n3A170415\n; comment\n\n[TargetID_U2]\n");
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(0, run.state->TargetIdCount);
  EXPECT_EQ("[TargetID_U3] Found  \n\t\t[TargetID_U2] Found  \n\t\t\n\t\t", run.Echo());
  EXPECT_EQ(0, run.library.setIniInfoCount);
}

TEST(HubIds, NumbersAsFormattedInputReadsThem) {
  SettingsRun run("[TargetID_U3]\n"
                  "  3a170415=0d12\n"    // blanks before, lower case
                  "0x3A170416=0X0D13\n"  // prefixes
                  "3A170417=1ABCD\n"     // the image ID keeps its low 16 bits
                  "3A170418= 77\n"       // blanks before the second number
                  "3A170419 =0D12\n"     // not "%X=%X": the image ID stays 0
                  "ID 3A17041A=0D12\n"   // no number first: both 0
                  "3A17041B=zz\n");      // no second number
  EXPECT_TRUE(run.Load());
  const UpdaterState& s = *run.state;
  ASSERT_EQ(7, s.TargetIdCount);
  const uint32_t hubIds[] = {0x3A170415, 0x3A170416, 0x3A170417, 0x3A170418,
                             0x3A170419, 0,          0x3A17041B};
  const uint16_t imageIds[] = {0x0D12, 0x0D13, 0xABCD, 0x77, 0, 0, 0};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(hubIds[i], +s.TargetIds[i].HubId) << "line " << i;
    EXPECT_EQ(imageIds[i], +s.TargetIds[i].ImageId) << "line " << i;
    EXPECT_EQ(3, +s.TargetIds[i].UsbGeneration) << "line " << i;
  }
  EXPECT_NE(std::string::npos, run.Echo().find("3A170417=ABCD 3  3A170418=0077 3  "
                                               "3A170419=0000 3  00000000=0000 3  "));
}

std::string HubIdLines(int count) {
  std::string lines;
  char line[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "%08X=%04X\n", 0x3A170000 + i, i);
    lines += line;
  }
  return lines;
}

TEST(HubIds, OnlyTheFirstHundredLinesAreTakenWithAWarning) {
  for (int u3 : {101, 60, 200}) {
    int u2 = u3 == 60 ? 45 : 3;
    SettingsRun run("[TargetID_U3]\n" + HubIdLines(u3) + "[TargetID_U2]\n" + HubIdLines(u2) +
                    Misc("Manufacturer&ProductStringCompare=1\n"));
    EXPECT_TRUE(run.Load());
    const UpdaterState& s = *run.state;
    ASSERT_EQ(100, s.TargetIdCount) << u3;
    EXPECT_EQ(0x3A170000u + 99 - (u3 == 60 ? 60 : 0), +s.TargetIds[99].HubId);
    EXPECT_EQ(u3 == 60 ? 2 : 3, +s.TargetIds[99].UsbGeneration);
    EXPECT_EQ(0, s.DeviceCount);  // nothing written past the table
    EXPECT_EQ(100, run.library.setIniInfoCount);
    std::string echo = run.Echo();
    size_t entries = echo.find("[TargetID_U2] Found  \n\t\t3A170000=0000 3  3A170001=0001 3  ");
    ASSERT_NE(std::string::npos, entries);
    int echoed = 0;
    for (size_t at = entries; (at = echo.find('=', at)) != std::string::npos; ++at) ++echoed;
    EXPECT_EQ(100, echoed) << "every entry taken is echoed, and only those";
    EXPECT_NE(std::string::npos,
              run.os.Screen().find("  \n\t\tWarning!!! Only the first 100 hub IDs are used\n\t\t"
                                   "{TA_SetIniInfo}[Misc] Found"));
  }
}

TEST(HubIds, ExactlyAHundredLinesGiveNoWarning) {
  SettingsRun run("[TargetID_U3]\n" + HubIdLines(100));
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(100, run.state->TargetIdCount);
  EXPECT_EQ(std::string::npos, run.os.Text().find("Warning"));
}

// ---------------------------------------------------------------- values

TEST(Values, TheEdgeCasesOfEachKind) {
  SettingsRun run("[HUBModule]\n"
                  "HUBNumber=258\n"
                  "NO.1HUBWantUpdateBinFile=  First.BIN  trailing words\n"
                  "NO.2HUBDepth=259\n"
                  "NO.2HUBConnectionPortIndex=-1\n"
                  "NO.2HUBWantUpdateBinFile=My File.BIN\n"
                  "[HUBName]\n"
                  "WantuUpdateHUBName=My Hub 100%\n"
                  "[HUBFWCheck]\n"
                  "CheckHUBFW=-3\n"
                  "FWVersion=921\n");
  EXPECT_TRUE(run.Load());
  const UpdaterState& s = *run.state;
  EXPECT_EQ(2, s.HubNumber);
  std::vector<const HubModuleEntry*> modules = run.Modules();
  ASSERT_EQ(2u, modules.size());
  EXPECT_STREQ("First.BIN", modules[0]->WantUpdateBinFile);
  EXPECT_EQ(3, modules[1]->Depth);
  EXPECT_EQ(255, modules[1]->ConnectionPortIndex);
  EXPECT_STREQ("My", modules[1]->WantUpdateBinFile);
  EXPECT_STREQ("My Hub 100%", s.TargetHubName);
  EXPECT_EQ(-3, +s.CheckHubFw);
  EXPECT_EQ(0x921, +s.FwVersion);
  EXPECT_EQ("\n\t\t"
            "HUBNumber:2\n"
            "NO.1HUBWantUpdateBinFile: First.BIN\n"
            "NO.2HUBDepth: 3\n"
            "NO.2HUBConnectionPortIndex: 255\n"
            "NO.2HUBWantUpdateBinFile: My\n"
            "[HUBName] Found  \n\t\t"
            "TargetHUBName:My Hub 100%  \n\t\t"
            "[HUBFWCheck] Found  \n\t\t"
            "FWCompare:-3  \n\t\t"
            "FWVersion:2337  \n\t\t",
            run.Echo());
}

TEST(Values, TheHubNameIsTheWholeRestOfTheLine) {
  SettingsRun run("[HUBName]\nWantuUpdateHUBName=  Hub = two  \t\n");
  EXPECT_TRUE(run.Load());
  EXPECT_STREQ("  Hub = two  \t", run.state->TargetHubName);
}

TEST(Values, NumbersThatDoNotParseLeaveTheFieldButAreEchoed) {
  SettingsRun run(
      Misc("Manufacturer&ProductStringCompare=2\nManufacturer&ProductStringCompare=x\n") +
      "[HUBFWCheck]\nFWVersion=0x1F\nFWVersion=G1\nFWVersion=1234567\nCheckHUBFW=\n");
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(2, +run.state->StringCompare);
  EXPECT_EQ(0x4567, +run.state->FwVersion);
  EXPECT_EQ(0, +run.state->CheckHubFw);
  EXPECT_EQ("\n\t\t[Misc] Found  \n\t\tStringCompare:2  \n\t\tStringCompare:2  \n\t\t"
            "[HUBFWCheck] Found  \n\t\tFWVersion:31  \n\t\tFWVersion:31  \n\t\t"
            "FWVersion:17767  \n\t\tFWCompare:0  \n\t\t",
            run.Echo());
}

TEST(Values, ALineWithBothCheckKeysIsStoredAsBoth) {
  SettingsRun run("[HUBFWCheck]\nCheckHUBFW FWVersion=12\n");
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(12, +run.state->CheckHubFw);
  EXPECT_EQ(0x12, +run.state->FwVersion);
  EXPECT_EQ("\n\t\t[HUBFWCheck] Found  \n\t\tFWCompare:12  \n\t\tFWVersion:18  \n\t\t", run.Echo());
}

// ---------------------------------------------------------------- module list

TEST(ModuleList, OneHubMakesOneEmptyEntryAndReadsNoKey) {
  SettingsRun run("[HUBModule]\nHUBNumber=1\nNO.1HUBWantUpdateBinFile=FW_A.BIN\n");
  EXPECT_TRUE(run.Load());
  std::vector<const HubModuleEntry*> modules = run.Modules();
  ASSERT_EQ(1u, modules.size());
  EXPECT_EQ(0, modules[0]->Depth);
  EXPECT_EQ(0, modules[0]->ConnectionPortIndex);
  EXPECT_STREQ("", modules[0]->WantUpdateBinFile);
  EXPECT_EQ("\n\t\tHUBNumber:1\n", run.Echo());
  EXPECT_EQ(1 + 2 + 4, run.os.OpenCount("SpiFlash.ini"));
}

TEST(ModuleList, NoHubsMeansNoList) {
  SettingsRun run("[HUBModule]\nHUBNumber=0\n");
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(0u, run.state->Modules.size());
  EXPECT_EQ("\n\t\tHUBNumber:0\n", run.Echo());
}

TEST(ModuleList, AFurtherHubNumberBuildsANewList) {
  SettingsRun run("[HUBModule]\nHUBNumber=2\nNO.1HUBWantUpdateBinFile=A.BIN\nNO.2HUBDepth=2\n"
                  "NO.2HUBConnectionPortIndex=3\nNO.2HUBWantUpdateBinFile=B.BIN\nHUBNumber=1\n");
  EXPECT_TRUE(run.Load());
  EXPECT_EQ(1, run.state->HubNumber);
  std::vector<const HubModuleEntry*> modules = run.Modules();
  ASSERT_EQ(1u, modules.size());
  EXPECT_STREQ("", modules[0]->WantUpdateBinFile);
}

TEST(ModuleList, KeysAreFoundAnywhereInTheSectionInAnyOrder) {
  SettingsRun run("[HUBModule]\n"
                  "NO.3HUBWantUpdateBinFile=C.BIN\nNO.3HUBConnectionPortIndex=7\nNO.3HUBDepth=5\n"
                  "NO.2HUBDepth 9\n"  // no '=': not this key's line
                  "NO.2HUBDepth=2\nNO.2HUBConnectionPortIndex=6\nNO.2HUBWantUpdateBinFile=B.BIN\n"
                  "NO.1HUBWantUpdateBinFile=A.BIN\n"
                  "HUBNumber=3\n");
  EXPECT_TRUE(run.Load());
  std::vector<const HubModuleEntry*> modules = run.Modules();
  ASSERT_EQ(3u, modules.size());
  EXPECT_STREQ("A.BIN", modules[0]->WantUpdateBinFile);
  EXPECT_EQ(2, modules[1]->Depth);
  EXPECT_EQ(6, modules[1]->ConnectionPortIndex);
  EXPECT_EQ(5, modules[2]->Depth);
  EXPECT_EQ(7, modules[2]->ConnectionPortIndex);
  EXPECT_STREQ("C.BIN", modules[2]->WantUpdateBinFile);
  EXPECT_EQ("\n\t\tHUBNumber:3\nNO.1HUBWantUpdateBinFile: A.BIN\nNO.2HUBDepth: 2\n"
            "NO.2HUBConnectionPortIndex: 6\nNO.2HUBWantUpdateBinFile: B.BIN\nNO.3HUBDepth: 5\n"
            "NO.3HUBConnectionPortIndex: 7\nNO.3HUBWantUpdateBinFile: C.BIN\n",
            run.Echo());
}

TEST(ModuleList, AMissingKeyEndsTheRunSilently) {
  SettingsRun run("[HUBModule]\nHUBNumber=2\nNO.1HUBWantUpdateBinFile=FW_A.BIN\n"
                  "NO.2HUBConnectionPortIndex=4\n[HUBName]\nWantuUpdateHUBName=X\n");
  EXPECT_FALSE(run.Load());
  EXPECT_EQ("\n\t\tHUBNumber:2\nNO.1HUBWantUpdateBinFile: FW_A.BIN\n", run.Echo());
  EXPECT_STREQ("", run.state->TargetHubName);
  EXPECT_EQ(std::vector<std::string>{"TA_SetIniInfo"}, run.library.calls);
}

TEST(ModuleList, AKeyAfterTheNextBracketIsMissing) {
  SettingsRun run(
      "[HUBModule]\nHUBNumber=2\nNO.1HUBWantUpdateBinFile=FW_A.BIN\n[HUBName]\n"
      "NO.2HUBDepth=1\nNO.2HUBConnectionPortIndex=4\nNO.2HUBWantUpdateBinFile=FW_B.BIN\n");
  EXPECT_FALSE(run.Load());
  EXPECT_EQ("\n\t\tHUBNumber:2\nNO.1HUBWantUpdateBinFile: FW_A.BIN\n", run.Echo());
}

TEST(ModuleList, KeysAreLookedForAfterAnyLineHoldingTheBareWord) {
  // A comment naming the word before the section makes the key scan start
  // there and stop at the "[HUBModule]" line itself.
  SettingsRun early(Misc("; HUBModule keys are below\n") +
                    "[HUBModule]\nHUBNumber=2\n"
                    "NO.1HUBWantUpdateBinFile=A.BIN\nNO.2HUBDepth=1\n"
                    "NO.2HUBConnectionPortIndex=1\nNO.2HUBWantUpdateBinFile=B.BIN\n");
  EXPECT_FALSE(early.Load());
  EXPECT_EQ("\n\t\t[Misc] Found  \n\t\tHUBNumber:2\n", early.Echo());

  // Without brackets the word still starts the key scan.
  FakePlatform os;
  os.AddFile("SpiFlash.ini", "HUBModule\nNO.2HUBDepth=3\nNO.2HUBWantUpdateBinFile= B.BIN x\n");
  uint8_t depth = 0;
  char file[kTextSize] = "";
  int line = 0;
  EXPECT_EQ(KeyRead::kFound, FindModuleNumber(os, "NO.2HUBDepth", &depth, &line));
  EXPECT_EQ(2, line);
  EXPECT_EQ(KeyRead::kFound, FindModuleText(os, "NO.2HUBWantUpdateBinFile", file, &line));
  EXPECT_EQ(3, line);
  EXPECT_EQ(KeyRead::kMissing, FindModuleNumber(os, "NO.3HUBDepth", &depth, &line));
  EXPECT_EQ(3, depth);
  EXPECT_STREQ("B.BIN", file);
  EXPECT_EQ(2 * 3, os.OpenCount("SpiFlash.ini"));
  EXPECT_EQ(0, os.OpenFiles());
}

TEST(ModuleList, AKeyWithoutValueIsFoundAndKeepsTheField) {
  FakePlatform os;
  os.AddFile("SpiFlash.ini", "[HUBModule]\nNO.2HUBDepth=\nNO.2HUBWantUpdateBinFile=  \n");
  uint8_t depth = 7;
  char file[kTextSize] = "old";
  int line = 0;
  EXPECT_EQ(KeyRead::kFound, FindModuleNumber(os, "NO.2HUBDepth", &depth, &line));
  EXPECT_EQ(KeyRead::kFound, FindModuleText(os, "NO.2HUBWantUpdateBinFile", file, &line));
  EXPECT_EQ(7, depth);
  EXPECT_STREQ("old", file);
}

// ---------------------------------------------------------------- missing file

TEST(MissingFile, StopsBeforeAnythingIsStoredOrHandedOver) {
  SettingsRun run;
  EXPECT_FALSE(run.Load());
  EXPECT_EQ("!!!Error SpiFlash.ini not found!\n", run.Echo());
  EXPECT_TRUE(run.library.calls.empty());
  EXPECT_EQ(-1, run.library.setIniInfoCount);
}

TEST(MissingFile, AFileThatCannotBeOpenedCountsAsMissing) {
  SettingsRun run;
  run.os.AddUnopenableFile("SpiFlash.ini");
  EXPECT_FALSE(run.Load());
  EXPECT_EQ("!!!Error SpiFlash.ini not found!\n", run.Echo());
  EXPECT_TRUE(run.library.calls.empty());
}

TEST(MissingFile, AModuleKeyFileThatIsGoneIsReported) {
  SettingsRun run("[HUBModule]\nHUBNumber=2\nNO.1HUBWantUpdateBinFile=FW_A.BIN\n");
  // Gone after the first look, the two hub-ID passes, [Misc], [HUBModule]
  // and the first key's two openings.
  run.os.VanishAfterOpens("SpiFlash.ini", 1 + 2 + 2 + 2);
  EXPECT_FALSE(run.Load());
  EXPECT_EQ(
      "\n\t\tHUBNumber:2\nNO.1HUBWantUpdateBinFile: FW_A.BIN\n!!!Error SpiFlash.ini not found!\n",
      run.Echo());
}

TEST(MissingFile, TheRunEndsUnderTheHeadingsWithoutClearingTheScreen) {
  FakePlatform os;
  FakeHubLibrary library;
  std::vector<const char16_t*> argv = {u"Quillet64", u"QRZ"};
  EXPECT_EQ(0, UpdaterMain(2, argv.data(), os, os, os, library));
  EXPECT_EQ("1. Initialzation()\r\n\t1.1 GetDllInfo()\tAPI Version: 20190823\n"
            "\t1.2 LoadSettingFromIni()\n\t\t!!!Error SpiFlash.ini not found!\n",
            os.Screen());
}

}  // namespace
