// The one edit the simulator makes to a description: a hub's new firmware
// version after a write, every other byte left as it was.
#include <cstdio>
#include <utility>

#include "hub_description.h"
#include "ini_text.h"

namespace hubdesc {

bool WithFirmwareVersion(const std::string& text, const std::string& section, uint16_t version,
                         std::string* out) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04X", version);
  std::vector<Line> lines = SplitLines(text);
  const std::string wanted = Folded(section);
  for (size_t n = 0; n < lines.size(); ++n) {
    std::string name;
    const Line& header = lines[n];
    if (!SectionName(Trim(text.substr(header.begin, header.end - header.begin)), &name) ||
        Folded(name) != wanted)
      continue;
    for (size_t m = n + 1; m < lines.size(); ++m) {
      const Line& line = lines[m];
      std::string body = text.substr(line.begin, line.end - line.begin);
      std::string trimmed = Trim(body);
      if (SectionName(trimmed, &name)) break;
      if (IsComment(trimmed)) continue;
      size_t eq = body.find('=');
      if (eq == std::string::npos || Folded(Trim(body.substr(0, eq))) != "firmwareversion")
        continue;
      *out = text.substr(0, line.begin + eq + 1) + digits + text.substr(line.end);
      return true;
    }
    // No such key yet: a new line right after the header, ended as the
    // header is ended (or with the file's first line end).
    std::string ending = text.substr(header.end, header.next - header.end);
    if (ending.empty())
      ending = lines.size() > 1 ? text.substr(lines[0].end, lines[0].next - lines[0].end) : "\n";
    if (ending.empty()) ending = "\n";
    std::string edited = text.substr(0, header.next);
    if (header.next == header.end) edited += ending;
    edited.append("FirmwareVersion=").append(digits).append(ending).append(text, header.next);
    *out = std::move(edited);
    return true;
  }
  return false;
}

}  // namespace hubdesc
