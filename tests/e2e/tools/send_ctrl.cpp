// Starts a command line on this console and, once a log file holds a given
// text and a delay has passed, sends the console a control event; for testing
// that a program keeps running through Ctrl+C or Ctrl+Break at a known step.
//
// Usage: send_ctrl <report> <log> <text> <delay ms> c|break <command line...>
// Writes "sent=1" or "sent=0" (or "sent=late" when the child ended first)
// and "exit=<status>" to the report file, away from the child's output.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool FileHolds(const char* path, const char* text) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  std::string content;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
  std::fclose(file);
  return content.find(text) != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7) {
    std::fprintf(stderr,
                 "usage: send_ctrl <report> <log> <text> <delay ms> c|break <command...>\n");
    return 2;
  }
  const char* reportPath = argv[1];
  const char* logPath = argv[2];
  const char* trigger = argv[3];
  DWORD delay = static_cast<DWORD>(std::atoi(argv[4]));
  bool breakKey = std::strcmp(argv[5], "break") == 0;
  std::string command;
  for (int i = 6; i < argc; ++i) command += (i > 6 ? " " : "") + std::string(argv[i]);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  // Ctrl+Break goes to a process group, so that child leads its own.
  DWORD flags = breakKey ? CREATE_NEW_PROCESS_GROUP : 0;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                      &startup, &child)) {
    std::fprintf(stderr, "cannot start %s\n", command.c_str());
    return 1;
  }
  // This process shares the console and must outlive the event itself; set
  // only after the start, since children inherit the ignoring of Ctrl+C.
  SetConsoleCtrlHandler(nullptr, TRUE);
  FILE* report = std::fopen(reportPath, "w");
  bool running = true;
  while (running && !FileHolds(logPath, trigger)) {
    running = WaitForSingleObject(child.hProcess, 20) == WAIT_TIMEOUT;
  }
  if (running && WaitForSingleObject(child.hProcess, delay) == WAIT_TIMEOUT) {
    BOOL sent = breakKey ? GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, child.dwProcessId)
                         : GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    std::fprintf(report, "sent=%d\n", sent ? 1 : 0);
  } else {
    std::fprintf(report, "sent=late\n");
  }
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(child.hProcess, &status);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  std::fprintf(report, "exit=%lu\n", static_cast<unsigned long>(status));
  std::fclose(report);
  return 0;
}
