// The command: exit status, bad input, kit roots and the two reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fake_host.h"
#include "hub_description.h"
#include "hub_records.h"
#include "image_sums.h"
#include "kit_fixture.h"
#include "sample_capture.h"
#include "text.h"

namespace {

using namespace kit_fixture;

// ---- The command: exit status and bad input.

const char kOneHub[] =
    "[Hub1]\nVendorId=1A2B\nProductId=0D12\nFirmwareVersion=0A20\nChipRevision=B3\n"
    "Manufacturer=Maker Inc.\nProduct=USB3.0 Hub\n";

// kOneHub as a computer's library would have listed it, captured with the
// hub-ID table `hubIds`.
std::string CaptureText(const std::string& hubIds) {
  hubdesc::HubDescription described;
  std::string error, text;
  EXPECT_TRUE(hubdesc::ParseHubDescription(kOneHub, "one.ini", &described, &error)) << error;
  HubDeviceInfo record;
  hubdesc::FillRecord(described.hubs[0], &record);
  hubdesc::CaptureInfo info = SampleCaptureInfo();
  info.hubIds = {
      {0x1A2B0D12, static_cast<uint16_t>(std::stoi(hubIds.substr(9, 4), nullptr, 16)), 3}};
  EXPECT_TRUE(hubdesc::WriteCapture(info, 1, {record}, &text, &error)) << error;
  return text;
}

class CheckerCommand : public testing::Test {
 protected:
  std::string WriteDescription(const std::string& name, const std::string& text) {
    return temp_.Write(name, text);
  }
  // The capture's path.
  std::string Capture(const std::string& hubIds) {
    return WriteDescription("capture_" + hubIds.substr(9, 4) + ".ini", CaptureText(hubIds));
  }

 private:
  TempFiles temp_;
};

TEST_F(CheckerCommand, ACaptureIsJudgedAsItsHubsAndToldToBeAReplay) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage());
  std::string same = Capture("1A2B0D12=0D12/3");
  CommandResult text = RunCommand(host, {"--hubs", same, "kit"});
  EXPECT_EQ(0, text.status) << text.out;
  EXPECT_EQ(0u, text.out.find("Kit check of kit\nHubs replayed from the capture " + same +
                              ", made 2026-12-08T21:35:07Z with library version 20190823 "
                              "(QuilletCheck 2.9, 64-bit, folder x64); no hub was read from "
                              "this computer\n\n1. Settings"))
      << text.out;
  EXPECT_NE(std::string::npos, text.out.find("writes A.BIN")) << text.out;
  CommandResult json = RunCommand(host, {"--json", "--hubs", same, "kit"});
  EXPECT_NE(std::string::npos,
            json.out.find("\"kitRoot\":false,\"replay\":{\"file\":" + JsonString(same) +
                          ",\"formatVersion\":1,\"time\":\"2026-12-08T21:35:07Z\","
                          "\"libraryVersion\":\"20190823\",\"checkerVersion\":\"2.9\","
                          "\"checkerBits\":64,\"folder\":\"x64\",\"windowsVersion\":\"6.2.9200\","
                          "\"registryWindowsVersion\":\"10.0.19045\",\"hubIds\":[{\"hubId\":"
                          "\"1A2B0D12\",\"imageId\":\"0D12\",\"usbGeneration\":3}],"
                          "\"hubIdsDiffer\":[false]},\"kits\""))
      << json.out;

  // Another table than the kit's: the library may have listed other hubs.
  std::string other = Capture("1A2B0D12=0D13/3");
  CommandResult differs = RunCommand(host, {"--hubs", other, "kit"});
  EXPECT_NE(std::string::npos,
            differs.out.find("\n  kit: the settings' hub-ID table differs from the capture's "
                             "(1A2B0D12=0D13/3), and the library may list other hubs with "
                             "another table\n\n1. Settings"))
      << differs.out;
  json = RunCommand(host, {"--json", "--hubs", other, "kit"});
  EXPECT_NE(std::string::npos, json.out.find("\"hubIdsDiffer\":[true]")) << json.out;

  // A description is no replay, and its report says nothing of one.
  std::string description = WriteDescription("plain.ini", kOneHub);
  EXPECT_EQ(std::string::npos, RunCommand(host, {"--hubs", description, "kit"}).out.find("replay"));
  EXPECT_EQ(std::string::npos,
            RunCommand(host, {"--json", "--hubs", description, "kit"}).out.find("replay"));
}

TEST_F(CheckerCommand, SavedHubsAreADescriptionWrittenOnceUnlessForced) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage());
  std::string capture = Capture("1A2B0D12=0D12/3");
  CommandResult first = RunCommand(host, {"--hubs", capture, "--save-hubs", "out.ini", "kit"});
  EXPECT_EQ(0, first.status) << first.err;
  hubdesc::HubDescription saved, captured;
  std::string error;
  ASSERT_TRUE(hubdesc::ParseHubDescription(host.saved["out.ini"], "out.ini", &saved, &error))
      << error;
  std::ifstream in(capture, std::ios::binary);
  std::string captureText((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_TRUE(hubdesc::ParseHubDescription(captureText, "c.ini", &captured, &error)) << error;
  EXPECT_FALSE(saved.isCapture);
  EXPECT_EQ(std::string::npos, host.saved["out.ini"].find("[Capture]"));
  ASSERT_EQ(1u, saved.hubs.size());
  HubDeviceInfo a, b;
  hubdesc::FillRecord(saved.hubs[0], &a);
  hubdesc::FillRecord(captured.hubs[0], &b);
  EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
  EXPECT_EQ(1, saved.reportedCount);

  host.saved["out.ini"] = "earlier";
  CommandResult again = RunCommand(host, {"--hubs", capture, "--save-hubs", "out.ini", "kit"});
  EXPECT_EQ(2, again.status);
  EXPECT_EQ("", again.out);
  EXPECT_EQ("QuilletCheck: out.ini exists; --force replaces it\n", again.err);
  EXPECT_EQ("earlier", host.saved["out.ini"]);
  CommandResult forced =
      RunCommand(host, {"--force", "--hubs", capture, "--save-hubs", "out.ini", "kit"});
  EXPECT_EQ(0, forced.status) << forced.err;
  EXPECT_EQ(first.out, forced.out);
  EXPECT_NE("earlier", host.saved["out.ini"]);
}

TEST_F(CheckerCommand, ExitsZeroOnACleanKitAndOneOnAnError) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage());
  std::string hubs = WriteDescription("one_hub.ini", kOneHub);
  CommandResult clean = RunCommand(host, {"--hubs", hubs, "kit"});
  EXPECT_EQ(0, clean.status) << clean.out;
  EXPECT_NE(std::string::npos, clean.out.find("writes A.BIN")) << clean.out;
  EXPECT_NE(std::string::npos, clean.out.find("Summary: 0 errors, 0 warnings")) << clean.out;

  std::string other = WriteDescription("other_hub.ini", Replace(kOneHub, "0D12", "0D13"));
  CommandResult failed = RunCommand(host, {"--hubs", other, "kit"});
  EXPECT_EQ(1, failed.status) << failed.out;
  EXPECT_NE(std::string::npos, failed.out.find("hub-id-not-in-settings")) << failed.out;
  EXPECT_TRUE(failed.err.empty());
}

TEST_F(CheckerCommand, WarningsFailOnlyWhenStrict) {
  FakeHost host;
  host.Stage("kit", Replace(kCleanSettings, "Compare=1", "Compare 1"), LongImage());
  EXPECT_EQ(0, RunCommand(host, {"kit"}).status);
  EXPECT_EQ(1, RunCommand(host, {"--strict", "kit"}).status);
}

TEST_F(CheckerCommand, UsageAndUnreadableInputExitTwoWithOneLine) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage());
  host.folders.insert("empty");
  std::string bad = WriteDescription("bad_hubs.ini", "[Hub1]\nVendorId=XYZ\n");
  std::string capture = CaptureText("1A2B0D12=0D12/3");
  std::string seventeen = capture;
  for (int n = 2; n <= 17; ++n)
    seventeen += "[Hub" + std::to_string(n) + "]\nVendorId=1\nProductId=2\n";
  struct BadCapture {
    const char* name;
    std::string text;
    const char* line;
  } badCaptures[] = {
      {"cut.ini", capture.substr(0, capture.find("ConfigurationCount")), ":19: [Hub1] has no "},
      {"hex.ini", Replace(capture, "Product=\"USB3.0 Hub\"", "ProductHex=5G"), ":29: ProductHex"},
      {"many.ini", seventeen, ":89: [Hub17]: no more than 16"},
      {"twice.ini", capture + "[Library]\n", ":44: [Library] is given twice"},
  };
  for (const BadCapture& c : badCaptures) {
    std::string path = WriteDescription(c.name, c.text);
    CommandResult run = RunCommand(host, {"--save-hubs", "saved.ini", "--hubs", path, "kit"});
    EXPECT_EQ(2, run.status) << c.name;
    EXPECT_EQ(0u, run.err.find("QuilletCheck: " + path + c.line)) << c.name << ": " << run.err;
  }
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"--hubs"},
      {"kit", "kit"},
      {"missing"},
      {"empty"},
      {"--hubs", testing::TempDir() + "none.ini", "kit"},
      {"--hubs", bad, "kit"},
      {"--save-hubs", "saved.ini", "kit"},
      {"--force", "--hubs", bad, "kit"},
      {"--write-sums"},
      {"--write-sums", "--json", "kit"},
      {"--write-sums", "empty"},
  };
  for (const auto& args : cases) {
    CommandResult run = RunCommand(host, args);
    EXPECT_EQ(2, run.status) << args[0];
    EXPECT_TRUE(run.out.empty()) << args[0];
    ASSERT_FALSE(run.err.empty()) << args[0];
    EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
  }
  EXPECT_TRUE(host.saved.empty());
}

TEST_F(CheckerCommand, AKitRootIsCheckedFolderByFolderAndItsDifferencesTold) {
  FakeHost host;
  host.folders.insert("root");
  host.Stage("root\\x86", kCleanSettings, LongImage());
  host.Stage("root\\x64", kCleanSettings, LongImage());
  CommandResult same = RunCommand(host, {"--strict", "root"});
  EXPECT_EQ(0, same.status) << same.out;
  EXPECT_NE(std::string::npos, same.out.find("== x86 ==")) << same.out;
  EXPECT_NE(std::string::npos, same.out.find("== x64 ==")) << same.out;

  host.files.AddFile("root\\x64\\Binfile\\A.BIN", LongImage(0x0D12, 0x0A22));
  host.files.AddFile("root\\x64\\Binfile\\ONLY.BIN", LongImage());
  host.files.AddFile("root\\x64\\SpiFlash.ini", Replace(kCleanSettings, "Dock", "Dock 2"));
  CommandResult differs = RunCommand(host, {"--json", "root"});
  EXPECT_EQ(0, differs.status);
  for (const char* text : {"A.BIN differs", "ONLY.BIN is only in x64", "SpiFlash.ini differs"}) {
    EXPECT_NE(std::string::npos, differs.out.find(text)) << text << "\n" << differs.out;
  }
  EXPECT_EQ(1, RunCommand(host, {"--strict", "root"}).status);

  // Two huge images are named, not read to their ends.
  for (const char* folder : {"root\\x86", "root\\x64"}) {
    host.files.AddSparseFile(std::string(folder) + "\\Binfile\\HUGE.BIN", uint64_t{1} << 40, "");
  }
  CommandResult huge = RunCommand(host, {"root"});
  EXPECT_NE(std::string::npos, huge.out.find("HUGE.BIN is larger than 64 MiB")) << huge.out;
  EXPECT_LT(host.files.BytesRead("root\\x64\\Binfile\\HUGE.BIN"), 1000u);
}

TEST_F(CheckerCommand, JsonCarriesTheSameDecisionsAsText) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage(0x1234));
  std::string hubs = WriteDescription("json_hub.ini", kOneHub);
  CommandResult json = RunCommand(host, {"--json", "--hubs", hubs, "kit"});
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

// ---- --write-sums.

TEST_F(CheckerCommand, WriteSumsListsWhatTheSearchYieldsAndTheCheckThenVerifiesIt) {
  FakeHost host;
  host.folders.insert("root");
  host.Stage("root\\x86", kCleanSettings, LongImage());
  host.Stage("root\\x64", kCleanSettings, LongImage());
  host.files.AddFile("root\\x64\\Binfile\\b.bin", "any bytes");
  host.files.AddFile("root\\x64\\Binfile\\NOTES.TXT", "not an image");
  CommandResult written = RunCommand(host, {"--write-sums", "root"});
  ASSERT_EQ(0, written.status) << written.err;
  EXPECT_EQ("root\\x86\\Binfile\\SHA256SUMS: 1 image listed\n"
            "root\\x64\\Binfile\\SHA256SUMS: 2 images listed\n",
            written.out);
  imagesums::List list;
  ASSERT_TRUE(imagesums::ReadList(*host.files.Bytes("root\\x64\\Binfile\\SHA256SUMS"), &list));
  ASSERT_EQ(2u, list.entries.size());
  EXPECT_EQ("A.BIN", list.entries[0].name);
  EXPECT_EQ("b.bin", list.entries[1].name);

  std::string hubs = WriteDescription("sums_hub.ini", kOneHub);
  CommandResult json = RunCommand(host, {"--json", "--hubs", hubs, "root\\x64"});
  EXPECT_EQ(0, json.status) << json.out;
  for (const char* text : {"\"sha256\":{\"check\":\"verified\"", "\"outcome\":\"program\"",
                           "\"imageList\":{\"name\":\"SHA256SUMS\",\"state\":\"read\""}) {
    EXPECT_NE(std::string::npos, json.out.find(text)) << text << "\n" << json.out;
  }
  host.files.Patch("root\\x64\\Binfile\\A.BIN", 9, "x");
  json = RunCommand(host, {"--json", "--hubs", hubs, "root\\x64"});
  EXPECT_EQ(1, json.status);
  for (const char* text :
       {"\"check\":\"differs\"", "\"outcome\":\"refused\"", "\"code\":\"hub-image-refused\""}) {
    EXPECT_NE(std::string::npos, json.out.find(text)) << text << "\n" << json.out;
  }
}

TEST_F(CheckerCommand, WriteSumsReplacesAListOnlyWithForceAndKeepsItsName) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage());
  host.files.AddFile("kit\\Binfile\\sha256sums", "old");
  CommandResult refused = RunCommand(host, {"--write-sums", "kit"});
  EXPECT_EQ(2, refused.status);
  EXPECT_EQ("QuilletCheck: kit\\Binfile\\sha256sums exists; --force replaces it\n", refused.err);
  EXPECT_EQ("old", *host.files.Bytes("kit\\Binfile\\sha256sums"));

  CommandResult forced = RunCommand(host, {"--write-sums", "--force", "kit"});
  EXPECT_EQ(0, forced.status) << forced.err;
  EXPECT_EQ("kit\\Binfile\\sha256sums: 1 image listed\n", forced.out);
  EXPECT_NE("old", *host.files.Bytes("kit\\Binfile\\sha256sums"));

  // An image it cannot hash leaves the list as it was.
  host.files.AddUnopenableFile("kit\\Binfile\\LOCKED.BIN");
  std::string before = *host.files.Bytes("kit\\Binfile\\sha256sums");
  CommandResult locked = RunCommand(host, {"--write-sums", "--force", "kit"});
  EXPECT_EQ(2, locked.status);
  EXPECT_EQ("QuilletCheck: kit\\Binfile\\LOCKED.BIN cannot be hashed: no list written\n",
            locked.err);
  EXPECT_EQ(before, *host.files.Bytes("kit\\Binfile\\sha256sums"));
}

}  // namespace
