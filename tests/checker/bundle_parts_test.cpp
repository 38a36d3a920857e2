// Each part of a bundle the checker writes reads back as it was written.
#include <gtest/gtest.h>

#include <string>

#include "bundle.h"
#include "bundle_parts.h"
#include "fake_host.h"
#include "kit_fixture.h"

namespace {

using namespace kit_fixture;

TEST(BundleParts, TheComputerAndTheDriverReadBackAsWritten) {
  // A folder's name may hold dots; a program's holds one.
  check::ComputerFacts facts = {"2026-12-09T06:00:00Z",
                                "6.2.9200",
                                "10.0.19045",
                                "64",
                                "2.9",
                                "64",
                                "kit.v2",
                                {{"x64", "Quillet64.exe", "2.9.0.0"},
                                 {"kit.v2", "Quillet32.exe", "2.8.0.0"}},
                                "",
                                "",
                                {{"x64", std::string(64, 'a')}, {"kit.v2", "none"}},
                                {}};
  // A common name may hold the phrases' comma; each kind of signature.
  using Kind = check::ProgramSignature::Kind;
  facts.programs = {{"Quillet.exe", std::string(64, 'a'), {Kind::kUnsigned, "", false, ""}},
                    {"x64/Quillet64.exe", "-", {Kind::kNotChecked, "", false, ""}},
                    {"Tools/QuilletCheck64.exe",
                     std::string(64, 'b'),
                     {Kind::kSigned, "Quillet Labs, Inc.", true, ""}},
                    {"x86/Quillet32.exe",
                     std::string(64, 'c'),
                     {Kind::kSigned, "Quillet Labs, Inc.", false,
                      "its certificate chain ends in a root this computer does not trust"}}};
  for (const char* library : {"", "20190823"}) {
    facts.launcherVersion = facts.libraryVersion = library;
    check::ComputerFacts read = check::ReadComputerPart(check::WriteComputerPart(facts));
    EXPECT_EQ(check::WriteComputerPart(facts), check::WriteComputerPart(read));
    ASSERT_EQ(2u, read.updaters.size());
    EXPECT_EQ("kit.v2", read.updaters[1].folder);
    EXPECT_EQ("Quillet32.exe", read.updaters[1].program);
    ASSERT_EQ(facts.programs.size(), read.programs.size());
    for (size_t i = 0; i < facts.programs.size(); ++i) {
      const check::ProgramFacts& want = facts.programs[i];
      const check::ProgramFacts& got = read.programs[i];
      EXPECT_EQ(want.path + want.digest, got.path + got.digest);
      EXPECT_EQ(want.signature.kind, got.signature.kind) << want.path;
      EXPECT_EQ(want.signature.signer + "|" + want.signature.why,
                got.signature.signer + "|" + got.signature.why);
      EXPECT_EQ(want.signature.trusted, got.signature.trusted) << want.path;
    }
    ASSERT_EQ(2u, read.kitIdentities.size());
    EXPECT_EQ("kit.v2 none", read.kitIdentities[1].name + " " + read.kitIdentities[1].identity);
  }
  for (int bits = 0; bits < 16; ++bits) {
    check::DriverFacts driver = {"\"tz415filter\"", (bits & 1) != 0, (bits & 2) != 0,
                                 (bits & 4) != 0, (bits & 8) != 0};
    std::string text = check::WriteDriverPart(driver);
    EXPECT_EQ(text, check::WriteDriverPart(check::ReadDriverPart(text))) << text;
  }
}

TEST(BundleParts, TheRecordReadsBackAsWrittenAndNoneIsNoFault) {
  const std::string whole =
      "Quillet record 1\nstatus 0\nreason done\nstarted -\nended -\nlauncher 2.9\nkit none\n"
      "powerCyclePending 0\nend\n";
  check::ComputerRecord none;
  none.why = check::kNoRecord;
  const check::ComputerRecord cases[] = {check::RecordOfText(whole, "-"), none};
  for (const check::ComputerRecord& written : cases) {
    bundle::Part part;
    part.text = check::WriteRecordPart(written);
    const check::ComputerRecord read = check::ReadRecordPart(&part);
    EXPECT_EQ(written.state, read.state) << part.text;
    EXPECT_EQ(written.text, read.text);
    EXPECT_EQ(written.why, read.why);
  }
  // A part cut short, a part the bundle names missing, and no part at all.
  bundle::Part cut;
  cut.text = whole.substr(0, whole.size() - 4);
  EXPECT_EQ("the record is not a whole record", check::ReadRecordPart(&cut).why);
  bundle::Part missing;
  missing.missing = true;
  missing.why = "the record under HKLM\\SOFTWARE\\Quillet is not a whole record";
  EXPECT_EQ(check::RecordRead::kUnreadable, check::ReadRecordPart(&missing).state);
  EXPECT_EQ(missing.why, check::ReadRecordPart(&missing).why);
  EXPECT_EQ(check::RecordRead::kNone, check::ReadRecordPart(nullptr).state);
}

TEST(BundleParts, TheImagesReadBackAsTheCheckTookThem) {
  Kit kit;
  kit.images = {{"A.BIN", LongImage()}, {"TWO WORDS.BIN", LongImage(0x0D12, 0x0A22)}};
  KitReport report = kit.Check();
  report.images.emplace_back();
  report.images.back().name = "LOCKED.BIN";  // not opened, so never hashed
  FakeFiles files;
  for (const auto& image : kit.images) files.AddFile(".\\Binfile\\" + image.first, image.second);
  check::HashEveryImage(files, &report);
  std::string text = check::WriteImagesPart(report);
  check::ImageLines read = check::ReadImagesPart(text);
  EXPECT_EQ(check::ImageLinesOf(report).size(), read.size());
  for (const auto& line : check::ImageLinesOf(report)) {
    EXPECT_EQ(line.second.digest, read[line.first].digest) << line.first;
    EXPECT_EQ(line.second.size, read[line.first].size) << line.first;
    EXPECT_EQ(line.second.verdict, read[line.first].verdict) << line.first;
  }
  EXPECT_EQ(64u, read["TWO WORDS.BIN"].digest.size()) << text;
  EXPECT_NE(read["A.BIN"].digest, read["TWO WORDS.BIN"].digest);
  EXPECT_EQ("-", read["LOCKED.BIN"].digest);
  EXPECT_EQ("-", read["LOCKED.BIN"].size);
}

// The file is read a byte past the format's limit: read only up to it, a
// larger file whose first 1 MiB is a whole bundle would be taken as one.
TEST(BundleParts, AFileOf1MiBReadsAsABundleAndOneByteMoreDoesNot) {
  bundle::Bundle small;
  small.Add("a", "x\n");
  std::string text;
  std::string error;
  ASSERT_TRUE(bundle::WriteBundle(small, &text, &error)) << error;
  text += ";" + std::string(bundle::kMaxBundleSize - text.size() - 2, '.') + "\n";
  TempFiles temp;
  bundle::Bundle read;
  EXPECT_TRUE(check::ReadBundleFile(temp.Write("whole.txt", text), &read, &error)) << error;
  const std::string over = temp.Write("over.txt", text + "\n");
  EXPECT_FALSE(check::ReadBundleFile(over, &read, &error));
  EXPECT_EQ(over + ":0: larger than 1048576 bytes: no bundle", error);
}

}  // namespace
