#include "bundle_record.h"

#include <cstdint>
#include <vector>

#include "deployment_record.h"
#include "platform.h"

namespace check {

namespace {

// Where the launcher keeps the record (record/deployment_record.h).
constexpr char16_t kRecordKey[] = u"SOFTWARE\\Quillet";

// A REG_MULTI_SZ's strings, one line each, up to the empty string that
// ends it; text past ASCII (an image's name) in the ANSI code page.
std::string LinesOf(System& system, const std::vector<uint8_t>& data) {
  std::string lines;
  std::u16string line;
  for (size_t at = 0; at + 1 < data.size(); at += 2) {
    const char16_t unit = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
    if (unit != u'\0') {
      line += unit;
      continue;
    }
    if (line.empty()) break;
    lines += system.WideToAnsi(line) + "\n";
    line.clear();
  }
  return lines;
}

}  // namespace

bool ReadLastRunRecord(System& system, std::string* text, std::string* why) {
  std::vector<uint8_t> data;
  if (!system.ReadMachineRegistryValue(kRecordKey, u"Record", &data)) {
    *why = "no unattended run has left a record on this computer";
    return false;
  }
  const std::string lines = LinesOf(system, data);
  record::DeploymentRecord parsed;
  if (!record::ParseRecord(lines, &parsed)) {
    *why = "the record under HKLM\\SOFTWARE\\Quillet is not a whole record";
    return false;
  }
  *text = lines;
  return true;
}

}  // namespace check
