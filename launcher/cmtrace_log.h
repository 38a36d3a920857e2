// --log FILE: the run appended to FILE in the CMTrace line format that the
// deployment tools' log viewers read, one line per event.
#ifndef QUILLET_LAUNCHER_CMTRACE_LOG_H_
#define QUILLET_LAUNCHER_CMTRACE_LOG_H_

#include <cstdint>
#include <string>
#include <vector>

#include "deployment_store.h"

// The file is rolled over before a run's lines would take it past this
// size: it becomes the one older copy, and the run starts a new file.
constexpr uint64_t kLogLimit = uint64_t{1024} * 1024;

enum class LogType { kInformation = 1, kWarning = 2, kError = 3 };

struct LogEvent {
  LogType type;
  std::string message;
};

// One line, ended with CR LF. Line ends and other control characters in
// `message` become blanks, and the format's own closing mark is broken up,
// so a message never ends its line or its text early.
std::string CMTraceLine(const LogEvent& event, const LogTime& time, uint32_t thread);

// "quillet.log" -> "quillet.lo_": the older copy, as the viewers name it.
std::string OlderLogPath(const std::string& path);

// Appends the lines, rolling the file over first when they would take it
// past `limit`. False when the lines could not be written.
bool AppendLog(DeploymentStore& store, const std::string& path, const std::string& lines,
               uint64_t limit = kLogLimit);

#endif  // QUILLET_LAUNCHER_CMTRACE_LOG_H_
