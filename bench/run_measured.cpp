// Runs one command line to its end and reports, on stderr, its wall time and
// the peak working set of its process, as Windows counts them.
//
// Usage: run_measured <command line...>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: run_measured <program> [arguments...]\n");
    return 2;
  }
  std::string command;
  for (int i = 1; i < argc; ++i) command += (i > 1 ? " " : "") + std::string(argv[i]);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "cannot start %s\n", command.c_str());
    return 1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  QueryPerformanceCounter(&end);
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  K32GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::fprintf(stderr, "wall_ms=%.1f peak_working_set_kb=%llu exit=%lu\n",
               double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart),
               static_cast<unsigned long long>(memory.PeakWorkingSetSize / 1024),
               static_cast<unsigned long>(status));
  return 0;
}
