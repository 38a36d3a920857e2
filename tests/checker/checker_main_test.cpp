// The command: exit status, bad input, kit roots and the two reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "checker_main.h"
#include "fake_files.h"
#include "kit_fixture.h"

namespace {

using namespace kit_fixture;

// ---- The command: exit status and bad input.

class FakeHost : public check::CheckerHost {
 public:
  FakeFiles files;
  std::set<std::string> folders;
  Files& PlatformFiles() override { return files; }
  char Separator() const override { return '\\'; }
  bool IsFolder(const std::string& path) override { return folders.count(path) > 0; }

  void Stage(const std::string& folder, const std::string& settings, const std::string& image) {
    folders.insert(folder);
    files.AddFile(folder + "\\SpiFlash.ini", settings);
    files.AddFile(folder + "\\Binfile\\A.BIN", image);
  }
};

struct CommandResult {
  int status;
  std::string out;
  std::string err;
};

CommandResult RunChecker(FakeHost& host, std::vector<std::string> args) {
  CommandResult run;
  run.status = check::CheckerMain(args, host, &run.out, &run.err);
  return run;
}

std::string WriteDescription(const std::string& name, const std::string& text) {
  std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

const char kOneHub[] =
    "[Hub1]\nVendorId=1A2B\nProductId=0D12\nFirmwareVersion=0A20\nChipRevision=B3\n"
    "Manufacturer=Maker Inc.\nProduct=USB3.0 Hub\n";

TEST(CheckerCommand, ExitsZeroOnACleanKitAndOneOnAnError) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage());
  std::string hubs = WriteDescription("one_hub.ini", kOneHub);
  CommandResult clean = RunChecker(host, {"--hubs", hubs, "kit"});
  EXPECT_EQ(0, clean.status) << clean.out;
  EXPECT_NE(std::string::npos, clean.out.find("writes A.BIN")) << clean.out;
  EXPECT_NE(std::string::npos, clean.out.find("Summary: 0 errors, 0 warnings")) << clean.out;

  std::string other = WriteDescription("other_hub.ini", Replace(kOneHub, "0D12", "0D13"));
  CommandResult failed = RunChecker(host, {"--hubs", other, "kit"});
  EXPECT_EQ(1, failed.status) << failed.out;
  EXPECT_NE(std::string::npos, failed.out.find("hub-id-not-in-settings")) << failed.out;
  EXPECT_TRUE(failed.err.empty());
}

TEST(CheckerCommand, WarningsFailOnlyWhenStrict) {
  FakeHost host;
  host.Stage("kit", Replace(kCleanSettings, "Compare=1", "Compare 1"), LongImage());
  EXPECT_EQ(0, RunChecker(host, {"kit"}).status);
  EXPECT_EQ(1, RunChecker(host, {"--strict", "kit"}).status);
}

TEST(CheckerCommand, UsageAndUnreadableInputExitTwoWithOneLine) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage());
  host.folders.insert("empty");
  std::string bad = WriteDescription("bad_hubs.ini", "[Hub1]\nVendorId=XYZ\n");
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"--hubs"},
      {"kit", "kit"},
      {"missing"},
      {"empty"},
      {"--hubs", testing::TempDir() + "none.ini", "kit"},
      {"--hubs", bad, "kit"},
  };
  for (const auto& args : cases) {
    CommandResult run = RunChecker(host, args);
    EXPECT_EQ(2, run.status) << args[0];
    EXPECT_TRUE(run.out.empty()) << args[0];
    ASSERT_FALSE(run.err.empty()) << args[0];
    EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
  }
}

TEST(CheckerCommand, AKitRootIsCheckedFolderByFolderAndItsDifferencesTold) {
  FakeHost host;
  host.folders.insert("root");
  host.Stage("root\\x86", kCleanSettings, LongImage());
  host.Stage("root\\x64", kCleanSettings, LongImage());
  CommandResult same = RunChecker(host, {"--strict", "root"});
  EXPECT_EQ(0, same.status) << same.out;
  EXPECT_NE(std::string::npos, same.out.find("== x86 ==")) << same.out;
  EXPECT_NE(std::string::npos, same.out.find("== x64 ==")) << same.out;

  host.files.AddFile("root\\x64\\Binfile\\A.BIN", LongImage(0x0D12, 0x0A22));
  host.files.AddFile("root\\x64\\Binfile\\ONLY.BIN", LongImage());
  host.files.AddFile("root\\x64\\SpiFlash.ini", Replace(kCleanSettings, "Dock", "Dock 2"));
  CommandResult differs = RunChecker(host, {"--json", "root"});
  EXPECT_EQ(0, differs.status);
  for (const char* text : {"A.BIN differs", "ONLY.BIN is only in x64", "SpiFlash.ini differs"}) {
    EXPECT_NE(std::string::npos, differs.out.find(text)) << text << "\n" << differs.out;
  }
  EXPECT_EQ(1, RunChecker(host, {"--strict", "root"}).status);

  // Two huge images are named, not read to their ends.
  for (const char* folder : {"root\\x86", "root\\x64"}) {
    host.files.AddSparseFile(std::string(folder) + "\\Binfile\\HUGE.BIN", uint64_t{1} << 40, "");
  }
  CommandResult huge = RunChecker(host, {"root"});
  EXPECT_NE(std::string::npos, huge.out.find("HUGE.BIN is larger than 64 MiB")) << huge.out;
  EXPECT_LT(host.files.BytesRead("root\\x64\\Binfile\\HUGE.BIN"), 1000u);
}

TEST(CheckerCommand, JsonCarriesTheSameDecisionsAsText) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage(0x1234));
  std::string hubs = WriteDescription("json_hub.ini", kOneHub);
  CommandResult json = RunChecker(host, {"--json", "--hubs", hubs, "kit"});
  EXPECT_EQ(1, json.status);
  for (const char* text : {"\"schema\":1", "\"outcome\":\"no-image\"", "\"test\":\"image-id\"",
                           "\"wantedImageId\":\"0D12\"", "\"imageId\":\"1234\"",
                           "\"summary\":{\"errors\":1,\"warnings\":0}"}) {
    EXPECT_NE(std::string::npos, json.out.find(text)) << text << "\n" << json.out;
  }
  int depth = 0;
  for (char c : json.out) {
    depth += c == '{' || c == '[' ? 1 : c == '}' || c == ']' ? -1 : 0;
    ASSERT_GE(depth, 0);
  }
  EXPECT_EQ(0, depth);
}

}  // namespace
