// Runs a command line as a user without administrator rights runs it (or an
// administrator whose run was not elevated): the Administrators group for
// deny only and no privileges beyond the least. Writes the child's whole
// 32-bit exit status to a file, as exit_status does.
//
// Usage: without_rights <status file> <command line...>
// The status file gets "<status>\n" in decimal, or "not-started <error>\n".
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: without_rights <status file> <command line...>\n");
    return 2;
  }
  std::string command;
  for (int i = 2; i < argc; ++i) command += (i > 2 ? " " : "") + std::string(argv[i]);
  FILE* report = std::fopen(argv[1], "w");
  if (report == nullptr) return 2;

  HANDLE token = nullptr;
  HANDLE restricted = nullptr;
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof administrators;
  SID_AND_ATTRIBUTES denyOnly = {administrators, 0};
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token) ||
      !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) ||
      !CreateRestrictedToken(token, DISABLE_MAX_PRIVILEGE, 1, &denyOnly, 0, nullptr, 0, nullptr,
                             &restricted) ||
      !CreateProcessAsUserA(restricted, nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                            nullptr, &startup, &child)) {
    std::fprintf(report, "not-started %lu\n", GetLastError());
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
