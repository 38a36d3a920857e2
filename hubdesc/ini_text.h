// The INI text rules the hub description's reader, writer and editor share:
// lines, blanks, comments, section headers and the notations of values.
#ifndef QUILLET_HUBDESC_INI_TEXT_H_
#define QUILLET_HUBDESC_INI_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "case_fold.h"

namespace hubdesc {

// One physical line of the text, without its line end.
struct Line {
  size_t begin;  // offset of the first byte
  size_t end;    // offset just past the content (before "\r\n" or "\n")
  size_t next;   // offset of the following line
};

std::vector<Line> SplitLines(const std::string& text);
std::string Trim(const std::string& s);
bool IsComment(const std::string& trimmed);
// "[Name]" -> "Name"; false for anything else.
bool SectionName(const std::string& trimmed, std::string* name);

// Hex digits after an optional 0x, up to `max`, in no more digits than
// `max` has: "09012" is no 16-bit value, however small its number, as a
// value one digit too long is one typed wrong.
enum class HexRead { kRead, kTooManyDigits, kBad };
HexRead ReadHex(const std::string& value, uint32_t max, uint32_t* out);
bool ParseHex(const std::string& value, uint32_t max, uint32_t* out);
bool ParseDecimal(const std::string& value, int64_t min, int64_t max, int64_t* out);
// Pairs of hex digits, blanks allowed only between pairs; at least one pair.
bool ParseHexBytes(const std::string& value, std::vector<uint8_t>* out);
// A text value may be quoted to keep blanks at its ends.
std::string Unquote(const std::string& value);
// Every byte printable ASCII or part of a UTF-8 sequence: nothing that could
// end a line or hide in a terminal.
bool IsPlainText(const std::string& text);

std::string HexText(uint32_t value, int digits);  // upper case, zero-padded

}  // namespace hubdesc

#endif  // QUILLET_HUBDESC_INI_TEXT_H_
