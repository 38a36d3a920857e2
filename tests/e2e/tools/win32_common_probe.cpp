// The shared Win32 helpers on their own, for the tests: "fullpath PATH"
// prints the absolute path or "(empty)"; "save PATH TEXT 0|1" saves TEXT
// whole, replacing only with 1, and prints written, exists or failed.
// Arguments go through UTF-8 and back, as the launcher's do.
#include <cstdio>
#include <string>

#include "win32_common.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::string command = win32::WideToUtf8(argv[1]);
  const std::wstring path = win32::Utf8ToWide(win32::WideToUtf8(argv[2]));
  if (command == "fullpath") {
    std::string full = win32::WideToUtf8(win32::FullPath(path));
    std::printf("%s\n", full.empty() ? "(empty)" : full.c_str());
    return 0;
  }
  if (command == "save" && argc == 5) {
    const bool replace = argv[4][0] == L'1';
    switch (win32::SaveFileWhole(path, win32::WideToUtf8(argv[3]), replace)) {
      case win32::SaveResult::kWritten: std::printf("written\n"); break;
      case win32::SaveResult::kExists: std::printf("exists\n"); break;
      case win32::SaveResult::kFailed: std::printf("failed\n"); break;
    }
    return 0;
  }
  return 2;
}
