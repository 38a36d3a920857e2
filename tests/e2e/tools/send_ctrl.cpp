// Starts a command line on this console, sends it a console control event
// after a delay, and reports the child's exit status; for testing that a
// program keeps running through Ctrl+C or Ctrl+Break.
//
// Usage: send_ctrl <delay ms> c|break <command line...>
// Prints "exit=<status>" on stderr; exits 0 unless the child cannot start.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: send_ctrl <delay ms> c|break <command line...>\n");
    return 2;
  }
  DWORD delay = static_cast<DWORD>(std::atoi(argv[1]));
  bool breakKey = std::strcmp(argv[2], "break") == 0;
  std::string command;
  for (int i = 3; i < argc; ++i) command += (i > 3 ? " " : "") + std::string(argv[i]);

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
  if (WaitForSingleObject(child.hProcess, delay) == WAIT_TIMEOUT) {
    BOOL sent = breakKey ? GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, child.dwProcessId)
                         : GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    std::fprintf(stderr, "sent=%d\n", sent ? 1 : 0);
  } else {
    std::fprintf(stderr, "sent=late\n");
  }
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(child.hProcess, &status);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  std::fprintf(stderr, "exit=%lu\n", static_cast<unsigned long>(status));
  return 0;
}
