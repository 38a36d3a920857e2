// The image list reader: the forms `sha256sum` writes and reads, the lines
// that make a list bad, and the hash the host programs use, against NIST's
// examples.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "fake_files.h"
#include "image_check.h"
#include "image_sums.h"
#include "sha256.h"

namespace {

using imagesums::ListFault;
constexpr imagesums::NameForm kKitPath = imagesums::NameForm::kKitPath;

const std::string kHex = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string kUpper = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";

struct BadLine {
  const char* name;
  std::string list;
  ListFault fault;
  int line;
  imagesums::NameForm form = imagesums::NameForm::kFileName;
};

void PrintTo(const BadLine& c, std::ostream* os) { *os << c.name; }

class BadList : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadList, NamesItsFirstBadLine) {
  imagesums::List list;
  EXPECT_FALSE(imagesums::ReadList(GetParam().list, &list, GetParam().form));
  EXPECT_EQ(GetParam().fault, list.fault);
  EXPECT_EQ(GetParam().line, list.faultLine);
}

INSTANTIATE_TEST_SUITE_P(
    ImageSums, BadList,
    ::testing::Values(
        BadLine{"ShortHex", "# kit\n" + kHex.substr(1) + " *A.BIN\n", ListFault::kNoAcceptedForm,
                2},
        BadLine{"NotHex", "g" + kHex.substr(1) + " *A.BIN\n", ListFault::kNoAcceptedForm, 1},
        BadLine{"OneBlank", kHex + " A.BIN\n", ListFault::kNoAcceptedForm, 1},
        BadLine{"Tab", kHex + "\t*A.BIN\n", ListFault::kNoAcceptedForm, 1},
        BadLine{"NoName", kHex + " *\n", ListFault::kNoAcceptedForm, 1},
        BadLine{"LeadingBlank", " " + kHex + " *A.BIN\n", ListFault::kNoAcceptedForm, 1},
        BadLine{"EscapedName", "\\" + kHex + " *A\\\\B.BIN\n", ListFault::kNoAcceptedForm, 1},
        BadLine{"ByteOrderMark", "\xEF\xBB\xBF" + kHex + " *A.BIN\n", ListFault::kNoAcceptedForm,
                1},
        BadLine{"BlanksOnly", "\n  \n", ListFault::kNoAcceptedForm, 2},
        BadLine{"CarriageReturnInName", kHex + " *A\r.BIN\n", ListFault::kNoAcceptedForm, 1},
        BadLine{"OtherTag", "SHA1 (A.BIN) = " + kHex + "\n", ListFault::kNoAcceptedForm, 1},
        BadLine{"TagWithoutBlanks", "SHA256 (A.BIN)=" + kHex + "\n", ListFault::kNoAcceptedForm, 1},
        BadLine{"TagEmptyName", "SHA256 () = " + kHex + "\n", ListFault::kNoAcceptedForm, 1},
        BadLine{"TagHexTooLong", "SHA256 (A.BIN) = " + kHex + "0\n", ListFault::kNoAcceptedForm, 1},
        BadLine{"Slash", kHex + " *x86/A.BIN\n", ListFault::kPathSeparator, 1},
        BadLine{"Backslash", kHex + "  ..\\A.BIN\n", ListFault::kPathSeparator, 1},
        BadLine{"TaggedPath", "SHA256 (Binfile\\A.BIN) = " + kHex + "\n", ListFault::kPathSeparator,
                1},
        BadLine{"NameTwice", kHex + " *A.BIN\n" + kHex + " *B.BIN\r\n" + kUpper + "  A.BIN\n",
                ListFault::kNameTwice, 3},
        BadLine{"NameTwiceAcrossForms", "SHA256 (A.BIN) = " + kHex + "\n" + kHex + " *A.BIN",
                ListFault::kNameTwice, 2},
        // A kit's list names paths from its root, and none may leave it.
        BadLine{"KitPathClimbs", kHex + "  x64/A.BIN\n" + kHex + "  x64/../../A.BIN\n",
                ListFault::kPathOutside, 2, kKitPath},
        BadLine{"KitPathAbsolute", kHex + "  /etc/passwd\n", ListFault::kPathOutside, 1, kKitPath},
        BadLine{"KitPathDrive", kHex + "  C:/A.BIN\n", ListFault::kPathOutside, 1, kKitPath},
        BadLine{"KitPathEmptyPart", kHex + "  x64//A.BIN\n", ListFault::kPathOutside, 1, kKitPath},
        BadLine{"KitPathDotPart", kHex + "  ./A.BIN\n", ListFault::kPathOutside, 1, kKitPath},
        BadLine{"KitPathBackslash", kHex + "  x64\\A.BIN\n", ListFault::kPathSeparator, 1,
                kKitPath},
        BadLine{"KitPathTwice", kHex + "  x64/A\n" + kHex + " *x64/A\n", ListFault::kNameTwice, 2,
                kKitPath}),
    [](const ::testing::TestParamInfo<BadLine>& info) { return std::string(info.param.name); });

TEST(ImageSums, ATwiceListedNameSaysWhereItWasFirst) {
  imagesums::List list;
  ASSERT_FALSE(imagesums::ReadList("\n" + kHex + " *A.BIN\n" + kHex + " *A.BIN\n", &list));
  EXPECT_EQ(2, list.earlierLine);
}

TEST(ImageSums, EveryFormThatSha256sumReadsIsRead) {
  imagesums::List list;
  ASSERT_TRUE(imagesums::ReadList("# written by hand\r\n"
                                  "\r\n" +
                                      kHex + " *A.BIN\n" + kUpper + "  My File.BIN\r\n" +
                                      "SHA256 (C (1).BIN) = " + kUpper + "\n" + kHex + " *a.bin",
                                  &list));
  ASSERT_EQ(4u, list.entries.size());
  EXPECT_EQ("A.BIN", list.entries[0].name);
  EXPECT_EQ(3, list.entries[0].line);
  EXPECT_EQ("My File.BIN", list.entries[1].name);
  EXPECT_EQ("C (1).BIN", list.entries[2].name);
  EXPECT_EQ("a.bin", list.entries[3].name);  // another name, byte for byte
  for (const imagesums::Entry& entry : list.entries) {
    EXPECT_EQ(kHex, imagesums::DigestHex(entry.digest)) << entry.name;
  }
}

TEST(ImageSums, NamesAreLookedUpByteForByte) {
  imagesums::List list;
  ASSERT_TRUE(imagesums::ReadList(kHex + " *Hub.BIN\n", &list));
  EXPECT_NE(nullptr, imagesums::FindEntry(list, "Hub.BIN"));
  EXPECT_EQ(nullptr, imagesums::FindEntry(list, "HUB.BIN"));
  EXPECT_EQ(nullptr, imagesums::FindEntry(list, "Hub.BIN "));
  EXPECT_EQ(kHex + " *Hub.BIN\n", imagesums::ListLine(list.entries[0].digest, "Hub.BIN"));
}

// NIST's examples of SHA-256, fed in the pieces the image check reads.
struct Example {
  const char* name;
  std::string message;
  const char* digest;
};

void PrintTo(const Example& c, std::ostream* os) { *os << c.name; }

class Sha256Example : public ::testing::TestWithParam<Example> {};

TEST_P(Sha256Example, HashesAsNistSays) {
  FakeFiles files;
  files.AddFile("M.BIN", GetParam().message);
  imagesums::Digest digest{};
  ASSERT_EQ(HashOutcome::kHashed, HashFile(files, "M.BIN", &digest));
  EXPECT_EQ(GetParam().digest, imagesums::DigestHex(digest));
  EXPECT_EQ(0, files.OpenFiles());
}

INSTANTIATE_TEST_SUITE_P(
    ImageSums, Sha256Example,
    ::testing::Values(
        Example{"Abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        Example{"Message448Bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        Example{"MillionA", std::string(1000000, 'a'),
                "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        Example{"Empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"}),
    [](const ::testing::TestParamInfo<Example>& info) { return std::string(info.param.name); });

// The launcher reads its list as a pipe hands bytes over: fewer than asked,
// until none. Every piece counts, and a failed read is never a short file.
TEST(ImageSums, HashPiecesTakesEveryShortReadAndStopsAtAFailedOne) {
  const std::string message(1000000, 'a');
  size_t at = 0;
  auto shortReads = [&](void* buffer, size_t count, size_t* got) {
    *got = std::min({count, size_t{4093}, message.size() - at});
    message.copy(static_cast<char*>(buffer), *got, at);
    at += *got;
    return true;
  };
  imagesums::Digest digest{};
  ASSERT_EQ(HashOutcome::kHashed, HashPieces(*NewLibcryptoSha256(), shortReads, &digest));
  EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
            imagesums::DigestHex(digest));
  int reads = 0;
  auto failsThird = [&](void*, size_t count, size_t* got) {
    *got = count;
    return ++reads < 3;
  };
  EXPECT_EQ(HashOutcome::kUnreadable, HashPieces(*NewLibcryptoSha256(), failsThird, &digest));
  EXPECT_EQ(3, reads);
}

}  // namespace
