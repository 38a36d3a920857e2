// The text helpers every program shares: printf into a string, letter case
// and a path's names.
#include <gtest/gtest.h>

#include <string>

#include "case_fold.h"
#include "path_names.h"
#include "text_format.h"

namespace {

TEST(TextFormat, RendersATextOfAnyLengthWhole) {
  const std::string name(5000, 'n');
  EXPECT_EQ("[" + name + "] 0D12", Format("[%s] %04X", name.c_str(), 0xD12u));
  EXPECT_EQ("", Format("%s", ""));
}

TEST(CaseFold, FoldsAsciiLettersAndNoOtherByte) {
  EXPECT_EQ("az@[`{\xC9\xE9", Folded("AZ@[`{\xC9\xE9"));
  EXPECT_TRUE(SameIgnoringCase("Fw_A.bin", "FW_a.BIN"));
  EXPECT_FALSE(SameIgnoringCase("A.BIN", "A.BIN "));
  EXPECT_FALSE(SameIgnoringCase("\xC9.BIN", "\xE9.BIN"));
}

TEST(PathNames, TakeTheLastNameAndItsFolderWhateverTheSeparator) {
  const struct {
    const char* path;
    const char* last;
    const char* parent;
  } rows[] = {
      {"C:\\kits\\x64\\", "x64", "C:\\kits"},
      {"kits/x64", "x64", "kits"},
      {".\\Binfile\\A.BIN", "A.BIN", ".\\Binfile"},
      {"C:x64", "x64", ""},
      {"x64", "x64", ""},
      {"\\\\", "", ""},
      {"", "", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.last, LastName(row.path)) << row.path;
    EXPECT_EQ(row.parent, ParentOf(row.path)) << row.path;
  }
}

}  // namespace
