// --bundle on a scripted computer, --explain of what it wrote against kits
// that differ from the customer's in one way each, and --unpack.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bundle.h"
#include "bundle_computer.h"
#include "image_sums.h"
#include "kit_fixture.h"
#include "live_fixture.h"

namespace {

using namespace kit_fixture;

// Where the customer keeps the kit: no byte of it may reach a bundle.
const char kDesk[] = "C:\\Users\\Qzuser\\Desk";
const char kKit[] = "C:\\Users\\Qzuser\\Desk\\kit";

struct Customer {
  FakeLiveMachine machine;
  LiveHost host{kCleanSettings};

  Customer() {
    machine.currentDirectory = kDesk;
    machine.RegisterDriver(true);
    machine.library.hubs = {Hub()};
    host.machine = &machine;
    // The kit by its whole path, and by its name from the working folder.
    host.folders.clear();
    for (const std::string kit : {kKit, "kit"}) {
      host.Stage(kit + "\\x64", kCleanSettings, LongImage());
      host.folders.insert(kit);
      host.files.AddFile(kit + "\\x64\\TZ415API.dll", ProgramFile(0x8664));
    }
    host.files.AddFile(std::string(kKit) + "\\Driver\\TZ415FilterInst.exe", "MZ");
  }
  CommandResult Bundle(const std::string& folder) {
    return RunCommand(host, {"--bundle", "out.txt", "--force", folder});
  }
};

TEST(BundleCommand, HoldsNoPathOutsideTheKitAndSaysWhereNoRunHasBeen) {
  Customer customer;
  for (const std::string& folder : {std::string(kKit), std::string("kit")}) {
    CommandResult run = customer.Bundle(folder);
    const std::string& text = customer.host.saved["out.txt"];
    EXPECT_EQ(0, run.status) << run.out << run.err;
    EXPECT_NE(std::string::npos,
              run.out.find("record: none, no unattended run has left a record on this computer\n"))
        << run.out;
    EXPECT_NE(std::string::npos, run.out.find("), complete\n")) << run.out;
    EXPECT_NE(std::string::npos, text.find("| Kit=kit\n")) << text;
    EXPECT_NE(std::string::npos, text.find("=> writes A.BIN")) << text;
    for (const char* outside : {"Users", "Qzuser", "Desk", "C:"})
      EXPECT_EQ(std::string::npos, text.find(outside)) << outside << " in\n" << text;
  }

  // A why from the computer names the installer within the kit alone.
  customer.machine.RegisterDriver(false);
  customer.host.files.RemoveFile(std::string(kKit) + "\\Driver\\TZ415FilterInst.exe");
  CommandResult run = customer.Bundle(kKit);
  EXPECT_EQ(1, run.status) << run.out;
  const std::string& text = customer.host.saved["out.txt"];
  EXPECT_NE(std::string::npos, text.find("[capture]\nmissing: the filter driver tz415filter is "
                                         "not registered, and there is no "
                                         "kit\\Driver\\TZ415FilterInst.exe"))
      << text;
  EXPECT_EQ(std::string::npos, text.find("Qzuser")) << text;
}

TEST(BundleCommand, NamesEachProgramByItsDigestAndTheSignatureTheComputerFound) {
  using Kind = check::ProgramSignature::Kind;
  Customer customer;
  // Each program's bytes are its path within the kit; the signature is
  // asked of the program by its path on the computer.
  const struct {
    const char* path;
    check::ProgramSignature signature;  // staged
    const char* line;
  } rows[] = {
      {"Quillet.exe",
       {Kind::kUnsigned, "", false, ""},
       "| Program.Quillet.exe="
       "0759dbb70c8f6af300b4d3ae5f0ca595d89eee6447bb0f4fd8f6a452c206b80b unsigned\n"},
      {"x64/Quillet64.exe",
       {Kind::kSigned, "Quillet Labs", true, ""},
       "| "
       "Program.x64/Quillet64.exe=073cfa38e39ec3a63b017f2c810e16e4962cec93c6ad81ef401d655ee4ba4925 "
       "signed by Quillet Labs, trusted\n"},
      {"Tools/QuilletCheck32.exe",
       {Kind::kSigned, "Test, Signer", false, "expired"},
       "| Program.Tools/QuilletCheck32.exe="
       "b3e56e68f4f4cf4c1ec16f34a6e66a8a5d4ba3c9e5fa7b9c79900813a8cf8bd5 "
       "signed by Test, Signer, not trusted: expired\n"},
      {"Tools/QuilletCheck64.exe",
       {},
       "| Program.Tools/QuilletCheck64.exe="
       "685f39abd09fe410c8aa08f764eb067b234e9c0f27e25ed94959e1c75054c65a not checked\n"},
  };
  for (const auto& row : rows) {
    std::string path = std::string(kKit) + "\\" + row.path;
    std::replace(path.begin(), path.end(), '/', '\\');
    customer.host.files.AddFile(path, row.path);
    if (row.signature.kind != Kind::kNotChecked) customer.machine.signatures[path] = row.signature;
  }
  customer.Bundle(kKit);
  const std::string& text = customer.host.saved["out.txt"];
  // After the versions, in the kit's order; a program the kit lacks is left out.
  size_t at = text.find("| LibraryVersion=");
  for (const auto& row : rows) {
    size_t found = text.find(row.line);
    EXPECT_LT(at, found) << row.line << " in\n" << text;
    at = found;
  }
  EXPECT_EQ(std::string::npos, text.find("Quillet32.exe")) << text;

  TempFiles temp;
  FakeHost support;
  CommandResult run = RunCommand(support, {"--explain", temp.Write("bundle.txt", text)});
  EXPECT_NE(std::string::npos,
            run.out.find(
                "library version 20190823\n"
                "  program Quillet.exe: SHA-256 "
                "0759dbb70c8f6af300b4d3ae5f0ca595d89eee6447bb0f4fd8f6a452c206b80b, unsigned\n"
                "  program x64/Quillet64.exe: SHA-256 "
                "073cfa38e39ec3a63b017f2c810e16e4962cec93c6ad81ef401d655ee4ba4925, signed by "
                "Quillet Labs, trusted\n"))
      << run.out;
}

TEST(BundleCommand, JudgesTheHubsWithTheRecordItCarriesAsTheNextUnattendedRunDoes) {
  Customer customer;
  const std::vector<std::string> record = {
      "Quillet record 1",
      "status 0",
      "reason done",
      "started -",
      "ended -",
      "launcher 2.9",
      "kit none",
      "powerCyclePending 1",
      "hub 1A2B 0D12 1 1 0A20 0A21 programmed - 1 2026-12-09T06:16:58Z - ",
      "end"};
  customer.machine.system.SetRegistryValue(u"SOFTWARE\\Quillet", u"Record", MultiString(record));
  ASSERT_EQ(0, customer.Bundle(kKit).status);
  const std::string& text = customer.host.saved["out.txt"];
  for (const std::string& said : std::vector<std::string>{
           "| KitIdentity.x64=none\n", "[record]\n| Quillet record 1\n",
           "=> waits for a power cycle since 2026-12-09T06:16:58Z: an unattended run leaves it; a "
           "run without options writes A.BIN again",
           "\"lastRun\":{\"read\":true,"}) {
    EXPECT_NE(std::string::npos, text.find(said)) << said << " not in\n" << text;
  }
}

TEST(BundleCommand, CarriesTheKitListsVerdictsInItsReport) {
  Customer customer;
  customer.host.files.AddFile(std::string(kKit) + "\\SHA256SUMS",
                              std::string(64, '0') + "  x64/SpiFlash.ini\n");
  customer.Bundle(kKit);
  const std::string& text = customer.host.saved["out.txt"];
  EXPECT_NE(std::string::npos,
            text.find("{\"path\":\"x64/SpiFlash.ini\",\"check\":\"differs\",\"listed\":\"" +
                      std::string(64, '0') + "\""))
      << text;
  EXPECT_NE(std::string::npos, text.find("{\"path\":\"x64/TZ415API.dll\",\"check\":\"unlisted\""))
      << text;
}

TEST(BundleCommand, NamesUpperFiltersBytesThatAreNotPrintableByTheirUnit) {
  FakeLiveMachine machine;
  machine.system.SetRegistryValue(kUsbClass, u"UpperFilters",
                                  MultiString({"tz415filter", "a\x7f\"b\\"}));
  EXPECT_EQ("\"tz415filter\" \"a\\u007F\\u0022b\\u005C\"",
            check::DriverOf(machine.roles).upperFilters);
}

// The customer's bundle written to a file, and explained or unpacked
// against the kits of a support host.
class Explained : public testing::Test {
 protected:
  void SetUp() override {
    Customer customer;
    ASSERT_EQ(0, customer.Bundle(kKit).status);
    text_ = customer.host.saved["out.txt"];
    bundle_ = temp_.Write("bundle.txt", text_);
    support.folders = {".", "mine"};
    support.Stage("mine\\x64", kCleanSettings, LongImage());
  }
  CommandResult Explain(std::vector<std::string> kit = {"mine"}) {
    std::vector<std::string> args = {"--explain", bundle_};
    args.insert(args.end(), kit.begin(), kit.end());
    return RunCommand(support, args);
  }
  static bool Says(const CommandResult& run, const std::string& text) {
    return run.out.find(text) != std::string::npos;
  }

  FakeHost support;
  std::string text_;
  std::string bundle_;

 private:
  TempFiles temp_;
};

TEST_F(Explained, WithoutAKitComparesWithNone) {
  // The current folder is a kit too.
  support.Stage(".", kCleanSettings, LongImage(0x0D12, 0x0A22));
  CommandResult run = Explain({});
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_TRUE(Says(run, ", format 1\nLast unattended run: none (no unattended run has left a "
                        "record on this computer)\nComputer: "))
      << run.out;
  EXPECT_FALSE(Says(run, "Parts missing")) << run.out;
  EXPECT_FALSE(Says(run, "against your")) << run.out;
  EXPECT_TRUE(Says(Explain(), "The customer's x64 against your mine\\x64:\n")) << run.out;
}

TEST_F(Explained, TheSameImagesAreOnlyTheSameNamesWithTheSameDigests) {
  EXPECT_TRUE(Says(Explain(), "  images: the same, digest by digest\n"));

  support.files.AddFile("mine\\x64\\Binfile\\B.BIN", LongImage());
  CommandResult more = Explain();
  EXPECT_TRUE(Says(more, "  you have B.BIN, the customer has not\n")) << more.out;
  EXPECT_FALSE(Says(more, "images: the same")) << more.out;

  support.files.RemoveFile("mine\\x64\\Binfile\\A.BIN");
  CommandResult other = Explain();
  EXPECT_TRUE(Says(other, "  the customer has A.BIN, you have not\n")) << other.out;
  EXPECT_FALSE(Says(other, "images: the same")) << other.out;
}

TEST_F(Explained, AnImageWhoseDigestDiffersIsNamedWithTheHubThatTakesIt) {
  support.files.Patch("mine\\x64\\Binfile\\A.BIN", 300, "x");
  CommandResult run = Explain();
  EXPECT_TRUE(Says(run, "  the customer's A.BIN differs from yours (theirs ")) << run.out;
  EXPECT_TRUE(Says(run, "  Device(1) takes A.BIN, which differs from the customer's\n")) << run.out;
  EXPECT_FALSE(Says(run, "images: the same")) << run.out;
}

TEST_F(Explained, YourSettingsAreComparedWholeWhateverTheirSize) {
  std::string long_ = kCleanSettings;
  while (long_.size() < 300 * 1024) long_ += "; a comment line of the support engineer's kit\n";
  support.files.AddFile("mine\\x64\\SpiFlash.ini", long_);
  CommandResult run = Explain();
  EXPECT_TRUE(Says(run, "  settings line 12: the customer's \"(none)\", yours \"; a comment"))
      << run.out.substr(0, 2000);
  EXPECT_FALSE(Says(run, "settings line 1:")) << run.out.substr(0, 2000);
}

TEST_F(Explained, UnpackHandsAReplayTheCaptureTheSettingsAndTheDigestsOnce) {
  support.folders.insert("out");
  CommandResult run = RunCommand(support, {"--unpack", bundle_, "out"});
  ASSERT_EQ(0, run.status) << run.err;
  bundle::Bundle read;
  std::string error;
  ASSERT_TRUE(bundle::ParseBundle(text_, "b", &read, &error)) << error;
  EXPECT_EQ(read.Find("capture")->text, support.saved["out\\capture"]);
  EXPECT_EQ(read.Find("settings x64")->text, support.saved["out\\settings.x64"]);
  imagesums::List list;
  ASSERT_TRUE(imagesums::ReadList(support.saved["out\\SHA256SUMS.x64"], &list));
  ASSERT_EQ(1u, list.entries.size());
  EXPECT_EQ("A.BIN", list.entries[0].name);
  EXPECT_NE(std::string::npos,
            read.Find("images x64")->text.find(imagesums::DigestHex(list.entries[0].digest)));

  CommandResult again = RunCommand(support, {"--unpack", bundle_, "out"});
  EXPECT_EQ(2, again.status);
  EXPECT_EQ("QuilletCheck: out\\capture exists; --force replaces it\n", again.err);
  EXPECT_EQ(2, RunCommand(support, {"--unpack", bundle_}).status);
}

}  // namespace
