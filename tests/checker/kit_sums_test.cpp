// The kit root's own SHA256SUMS: each file's verdict, a list that cannot be
// taken, and the reports and the exit status that print from the verdicts.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "fake_host.h"
#include "image_sums.h"
#include "kit_fixture.h"
#include "kit_sums.h"
#include "sha256.h"

namespace {

using check::KitFileCheck;
using check::KitSums;
using namespace kit_fixture;

std::string Hex(const std::string& bytes) {
  std::unique_ptr<Sha256> hash = NewLibcryptoSha256();
  imagesums::Digest digest{};
  EXPECT_TRUE(hash->Update(bytes.data(), bytes.size()) && hash->Finish(&digest));
  return imagesums::DigestHex(digest);
}

// A kit root as packaging leaves it: the launcher, both updater folders, a
// checker in Tools, and the list over all of them but itself.
struct PackedKit {
  FakeHost host;
  std::vector<std::pair<std::string, std::string>> files = {
      {"Quillet.exe", "MZ launcher"},      {"Tools/QuilletCheck64.exe", "MZ checker"},
      {"x64/Quillet64.exe", "MZ updater"}, {"x64/SpiFlash.ini", kCleanSettings},
      {"x64/Binfile/A.BIN", LongImage()},
  };

  PackedKit() {
    for (const char* folder : {"kit", "kit\\Tools", "kit\\x64", "kit\\x64\\Binfile"})
      host.folders.insert(folder);
    std::string list;
    for (const auto& [path, bytes] : files) {
      Put(path, bytes);
      list += Hex(bytes) + "  " + path + "\n";
    }
    Put("SHA256SUMS", list);
  }
  void Put(std::string path, const std::string& bytes) {
    for (char& c : path) c = c == '/' ? '\\' : c;
    host.files.AddFile("kit\\" + path, bytes);
  }
};

struct FileCase {
  const char* name;
  std::function<void(PackedKit&)> edit;
  const char* path;
  KitFileCheck check;
  const char* code;  // the finding it gives; null for none
};
void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class KitFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(KitFile, IsJudgedByTheListAndNamedWhenItDoesNotMatch) {
  PackedKit kit;
  GetParam().edit(kit);
  KitSums sums = check::CheckKitSums(kit.host, "kit");
  ASSERT_EQ(ListState::kRead, sums.state);
  std::vector<check::Finding> findings;
  check::AddKitSumsFindings(sums, &findings);
  int named = 0;
  for (const check::KitFileVerdict& file : sums.files) {
    bool isNamed = file.path == GetParam().path;
    named += isNamed;
    EXPECT_EQ(isNamed ? GetParam().check : KitFileCheck::kMatches, file.check) << file.path;
  }
  EXPECT_EQ(1, named);
  EXPECT_EQ(GetParam().check == KitFileCheck::kUnlisted ? 6u : 5u, sums.files.size());
  if (GetParam().code == nullptr) {
    EXPECT_TRUE(findings.empty());
    return;
  }
  ASSERT_EQ(1u, findings.size());
  EXPECT_STREQ(GetParam().code, findings[0].Row().code);
  EXPECT_EQ(check::Severity::kError, findings[0].Row().severity);
  EXPECT_NE(std::string::npos, findings[0].text.find(GetParam().path)) << findings[0].text;
}

INSTANTIATE_TEST_SUITE_P(
    KitSums, KitFile,
    ::testing::Values(
        FileCase{"Clean", [](PackedKit&) {}, "Quillet.exe", KitFileCheck::kMatches, nullptr},
        FileCase{"ChangedProgram", [](PackedKit& k) { k.Put("x64/Quillet64.exe", "MZ other"); },
                 "x64/Quillet64.exe", KitFileCheck::kDiffers, "kit-sums-differs"},
        FileCase{"MissingFile",
                 [](PackedKit& k) { k.host.files.RemoveFile("kit\\Tools\\QuilletCheck64.exe"); },
                 "Tools/QuilletCheck64.exe", KitFileCheck::kMissing, "kit-sums-missing"},
        FileCase{"UnlistedFile", [](PackedKit& k) { k.Put("x64/Binfile/B.BIN", "extra"); },
                 "x64/Binfile/B.BIN", KitFileCheck::kUnlisted, "kit-sums-unlisted"},
        FileCase{"UnreadableFile",
                 [](PackedKit& k) { k.host.files.AddUnopenableFile("kit\\Quillet.exe"); },
                 "Quillet.exe", KitFileCheck::kMissing, "kit-sums-missing"}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

TEST(KitSums, AListWithABadLineJudgesNoFileAndOpensNoneOfItsPaths) {
  for (const std::string& line : {std::string("not a line"), Hex("x") + "  ../outside",
                                  Hex("x") + "  /etc/passwd", Hex("x") + "  x64/../../outside"}) {
    PackedKit kit;
    kit.Put("SHA256SUMS", Hex("MZ launcher") + "  Quillet.exe\n" + line + "\n");
    KitSums sums = check::CheckKitSums(kit.host, "kit");
    EXPECT_EQ(ListState::kBad, sums.state) << line;
    EXPECT_EQ(2, sums.list.faultLine) << line;
    EXPECT_TRUE(sums.files.empty()) << line;
    // The list alone is read.
    EXPECT_EQ(kit.host.files.BytesRead("kit\\SHA256SUMS"), kit.host.files.TotalBytesRead());
    std::vector<check::Finding> findings;
    check::AddKitSumsFindings(sums, &findings);
    ASSERT_EQ(1u, findings.size()) << line;
    EXPECT_STREQ("kit-sums-bad", findings[0].Row().code);
  }
}

TEST(KitSums, TheReportsSayWhatTheVerdictsSayAndAKitWithoutAListIsCheckedAsBefore) {
  PackedKit kit;
  kit.Put("x64/Quillet64.exe", "MZ other");
  CommandResult text = RunCommand(kit.host, {"kit"});
  EXPECT_EQ(1, text.status);
  EXPECT_NE(std::string::npos,
            text.out.find("\nKit list SHA256SUMS: 5 entries; 4 of 5 files match\n"
                          "  error kit-sums-differs: x64/Quillet64.exe differs from SHA256SUMS: "
                          "listed " +
                          Hex("MZ updater") + ", computed " + Hex("MZ other") + "\n"))
      << text.out;
  CommandResult json = RunCommand(kit.host, {"--json", "kit"});
  EXPECT_NE(std::string::npos,
            json.out.find("{\"path\":\"x64/Quillet64.exe\",\"check\":\"differs\",\"listed\":\"" +
                          Hex("MZ updater") + "\",\"computed\":\"" + Hex("MZ other") + "\"}"))
      << json.out;
  EXPECT_NE(std::string::npos,
            json.out.find("\"part\":\"kit-sums\",\"code\":\"kit-sums-differs\""));

  kit.host.files.RemoveFile("kit\\SHA256SUMS");
  for (const char* format : {"--json", "--strict"}) {
    CommandResult without = RunCommand(kit.host, {format, "kit"});
    EXPECT_EQ(std::string::npos, without.out.find("SHA256SUMS")) << without.out;
    EXPECT_EQ(std::string::npos, without.out.find("kit-sums")) << without.out;
  }
}

}  // namespace
