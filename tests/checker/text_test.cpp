// The text helpers shared by the checker's two reports.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "json_writer.h"
#include "text.h"

namespace {

TEST(KitCheck, PrintableFieldsEscapeWhatATerminalWouldNotShow) {
  const uint8_t field[] = {'A', '\\', 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 'z', 0, 'x'};
  EXPECT_EQ("A\\\\\\x01\\xFF*4z", check::Printable(field, sizeof field));
}

}  // namespace

// Both reports quote through this one table: the edges of printable ASCII,
// the two escaped by a backslash, and a byte of the ANSI code page.
TEST(JsonWriter, EscapesEveryByteOutsidePrintableAscii) {
  const struct {
    std::string text;
    const char* quoted;
  } rows[] = {
      {std::string(1, '\0'), "\"\\u0000\""},
      {"\x1F", "\"\\u001f\""},
      {" ~", "\" ~\""},
      {"\x7F", "\"\\u007f\""},
      {"\x80\xE9\xFF", "\"\\u0080\\u00e9\\u00ff\""},
      {"\"\\", "\"\\\"\\\\\""},
      {"\n\t", "\"\\u000a\\u0009\""},
  };
  for (const auto& row : rows) EXPECT_EQ(row.quoted, JsonString(row.text)) << row.quoted;
  EXPECT_EQ("\"0415\"", JsonHex(0x415, 4));
  EXPECT_EQ("\"3A170415\"", JsonHex(0x3A170415, 8));
}
