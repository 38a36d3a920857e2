// Text helpers shared by the checker's model and its two reports.
#ifndef QUILLET_CHECKER_TEXT_H_
#define QUILLET_CHECKER_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "case_fold.h"
#include "json_writer.h"
#include "text_format.h"

namespace check {

// Printable text of a field: bytes up to the first NUL, other bytes outside
// 0x20 to 0x7E as \xNN (a run of kRunToCount or more of one such byte as
// \xNN*count), and a backslash as "\\".
constexpr size_t kRunToCount = 4;
std::string Printable(const uint8_t* bytes, size_t length);

// The compatibility rules set in `rules` (bit n-1 for rule n): "1,4", or "-".
std::string RuleList(unsigned rules);

// The lines of `text`, each without its line end ("\n" or "\r\n").
std::vector<std::string> Lines(const std::string& text);
// Each non-empty line of `text` with `by` before it.
std::string Indent(const std::string& text, const std::string& by);

}  // namespace check

#endif  // QUILLET_CHECKER_TEXT_H_
