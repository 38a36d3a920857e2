// Runs a command line on this console and writes its whole 32-bit exit
// status to a file: a Unix parent of a Wine program sees only the low 8
// bits (1618 arrives as 82).
//
// Usage: exit_status <status file> <command line...>
// The status file gets "<status>\n" in decimal, or "not-started\n".
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: exit_status <status file> <command line...>\n");
    return 2;
  }
  std::string command;
  for (int i = 2; i < argc; ++i) command += (i > 2 ? " " : "") + std::string(argv[i]);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  FILE* report = std::fopen(argv[1], "w");
  if (report == nullptr) return 2;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &child)) {
    std::fprintf(report, "not-started\n");
    std::fclose(report);
    return 1;
  }
  CloseHandle(child.hThread);
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(child.hProcess, &status);
  CloseHandle(child.hProcess);
  std::fprintf(report, "%lu\n", static_cast<unsigned long>(status));
  std::fclose(report);
  return 0;
}
