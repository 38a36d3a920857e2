// Text helpers shared by the checker's model and its two reports.
#ifndef QUILLET_CHECKER_TEXT_H_
#define QUILLET_CHECKER_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "json_writer.h"
#include "printer.h"

namespace check {

// Printable text of a field: bytes up to the first NUL, other bytes outside
// 0x20 to 0x7E as \xNN (a run of kRunToCount or more of one such byte as
// \xNN*count), and a backslash as "\\".
constexpr size_t kRunToCount = 4;
std::string Printable(const uint8_t* bytes, size_t length);

// printf into a string, for the reports' texts.
std::string Format(const char* format, ...) QUILLET_PRINTF(1, 2);

// As the directory search compares names.
bool SameIgnoringCase(const std::string& a, const std::string& b);

// The compatibility rules set in `rules` (bit n-1 for rule n): "1,4", or "-".
std::string RuleList(unsigned rules);

}  // namespace check

#endif  // QUILLET_CHECKER_TEXT_H_
