#include "win32_common.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace win32 {

namespace {

std::wstring ToWide(UINT codePage, const std::string& text) {
  if (text.empty()) return std::wstring();
  int length = static_cast<int>(text.size());
  int units = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  units = MultiByteToWideChar(codePage, 0, text.data(), length, &wide[0], units);
  wide.resize(units > 0 ? static_cast<size_t>(units) : 0);
  return wide;
}

std::string ToNarrow(UINT codePage, const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int units = static_cast<int>(wide.size());
  int bytes = WideCharToMultiByte(codePage, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string text(static_cast<size_t>(bytes), '\0');
  bytes = WideCharToMultiByte(codePage, 0, wide.data(), units, &text[0], bytes, nullptr, nullptr);
  text.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
  return text;
}

bool WriteAll(HANDLE file, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    DWORD chunk =
        static_cast<DWORD>(text.size() - done < (1u << 20) ? text.size() - done : 1u << 20);
    DWORD wrote = 0;
    if (!WriteFile(file, text.data() + done, chunk, &wrote, nullptr) || wrote != chunk) {
      return false;
    }
    done += wrote;
  }
  return FlushFileBuffers(file) != FALSE;
}

}  // namespace

std::wstring AnsiToWide(const std::string& ansi) { return ToWide(CP_ACP, ansi); }
std::string WideToAnsi(const std::wstring& wide) { return ToNarrow(CP_ACP, wide); }
std::wstring Utf8ToWide(const std::string& utf8) { return ToWide(CP_UTF8, utf8); }
std::string WideToUtf8(const std::wstring& wide) { return ToNarrow(CP_UTF8, wide); }

std::string UtcNow() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond);
  return text;
}

std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return std::wstring();
  DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::wstring();
  std::vector<wchar_t> full(needed);
  DWORD got = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (got == 0 || got >= needed) return std::wstring();
  return std::wstring(full.data(), got);
}

SaveResult SaveFileWhole(const std::wstring& path, const std::string& text, bool replace) {
  if (path.empty()) return SaveResult::kFailed;
  if (!replace && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return SaveResult::kExists;
  }
  // Beside the file, so that the move stays on one volume; named by our
  // process, so that two programs saving the same file never share one.
  const std::wstring temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return SaveResult::kFailed;
  bool written = WriteAll(file, text);
  written = CloseHandle(file) && written;
  // Without MOVEFILE_REPLACE_EXISTING the move fails on a file that
  // appeared in the meantime.
  DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (written && MoveFileExW(temporary.c_str(), path.c_str(), flags)) return SaveResult::kWritten;
  DWORD failure = GetLastError();
  DeleteFileW(temporary.c_str());
  bool existed = written && (failure == ERROR_ALREADY_EXISTS || failure == ERROR_FILE_EXISTS);
  return existed ? SaveResult::kExists : SaveResult::kFailed;
}

bool ReportedWindowsVersion(uint32_t* major, uint32_t* minor, uint32_t* build) {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
  *major = info.dwMajorVersion;
  *minor = info.dwMinorVersion;
  *build = info.dwBuildNumber;
  return true;
}

Wow64Answer QueryWow64() {
  using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel32 = GetModuleHandleW(L"kernel32");
  FARPROC found = kernel32 ? GetProcAddress(kernel32, "IsWow64Process") : nullptr;
  if (found == nullptr) return Wow64Answer::kNoFunction;
  auto isWow64Process = reinterpret_cast<IsWow64ProcessCall>(reinterpret_cast<void*>(found));
  BOOL wow64 = FALSE;
  isWow64Process(GetCurrentProcess(), &wow64);
  return wow64 ? Wow64Answer::kWow64 : Wow64Answer::kNotWow64;
}

}  // namespace win32
