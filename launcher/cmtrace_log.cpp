#include "cmtrace_log.h"

#include <cstdio>

namespace {

constexpr char kClosing[] = "]LOG]!>";

std::string OneLine(const std::string& message) {
  std::string text;
  for (unsigned char c : message) text += c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c);
  for (size_t at = text.find(kClosing); at != std::string::npos; at = text.find(kClosing, at)) {
    text.insert(at + 5, " ");
  }
  return text;
}

}  // namespace

std::string CMTraceLine(const LogEvent& event, const LogTime& t, uint32_t thread) {
  char tail[192];
  // The time carries its offset from UTC in minutes: ours is UTC.
  std::snprintf(tail, sizeof tail,
                "]LOG]!><time=\"%02d:%02d:%02d.%03d+000\" date=\"%02d-%02d-%04d\" "
                "component=\"Quillet\" context=\"\" type=\"%d\" thread=\"%u\" file=\"\">\r\n",
                t.hour, t.minute, t.second, t.millisecond, t.month, t.day, t.year,
                static_cast<int>(event.type), thread);
  return "<![LOG[" + OneLine(event.message) + tail;
}

std::string OlderLogPath(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".lo_";
  return path.substr(0, dot) + ".lo_";
}

bool AppendLog(DeploymentStore& store, const std::string& path, const std::string& lines,
               uint64_t limit) {
  const uint64_t size = store.FileSize(path);
  if (size > 0 && size + lines.size() > limit) store.Replace(path, OlderLogPath(path));
  return store.Append(path, lines);
}
