// The launcher's Windows side: LauncherPlatform over Win32 and the C
// runtime (the driver session's role is session_win32.cpp's, the helpers
// it shares with the updater and the checker win32_common.cpp's), and main.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "launcher.h"
#include "sha256.h"
#include "updater_results.h"
#include "win32_common.h"

namespace {

// The pending writes, for the updater to read before it writes its results
// over them.
bool PutInSection(HANDLE section, const std::string& text) {
  if (text.size() + 1 > kResultsSize) return false;
  void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, kResultsSize);
  if (view == nullptr) return false;
  std::memcpy(view, text.c_str(), text.size() + 1);
  UnmapViewOfFile(view);
  return true;
}

class Win32LauncherPlatform : public LauncherPlatform {
 public:
  void RunCommand(const char* command) override {
    std::fflush(stdout);
    std::system(command);
  }

  Wow64Answer QueryWow64() override { return win32::QueryWow64(); }
  std::string UtcNow() override { return win32::UtcNow(); }

  std::string FullPath(const std::string& path) override {
    return win32::WideToUtf8(win32::FullPath(win32::Utf8ToWide(path)));
  }

  bool WriteReplacing(const std::string& path, const std::string& text) override {
    return win32::SaveFileWhole(win32::Utf8ToWide(path), text, true) == win32::SaveResult::kWritten;
  }

  std::string CreateResults(const std::string& pending) override {
    char name[64];
    std::snprintf(name, sizeof name, "%s%lu", QUILLET_RESULTS_NAME_PREFIX,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    results_ =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kResultsSize, name);
    // A section of that name that already exists is not ours to read.
    if (results_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(results_);
      results_ = nullptr;
    }
    if (results_ != nullptr && !pending.empty() && !PutInSection(results_, pending)) {
      CloseHandle(results_);
      results_ = nullptr;
    }
    return results_ != nullptr ? name : std::string();
  }

  std::string TakeResults() override {
    std::string text;
    if (results_ == nullptr) return text;
    const void* view = MapViewOfFile(results_, FILE_MAP_READ, 0, 0, kResultsSize);
    if (view != nullptr) {
      text = SectionText(view);
      UnmapViewOfFile(view);
    }
    CloseHandle(results_);
    results_ = nullptr;
    return text;
  }

 private:
  HANDLE results_ = nullptr;
};

// ---- The record and the log (DeploymentStore).

constexpr wchar_t kRecordKey[] = L"SOFTWARE\\Quillet";

// The record lives in the 64-bit view whichever program writes it: a 32-bit
// launcher would otherwise land under WOW6432Node, where a detection rule
// on 64-bit Windows does not look. 32-bit Windows ignores the flag.
constexpr REGSAM kRecordView = KEY_WOW64_64KEY;

// "a\nb\n" as REG_MULTI_SZ: one string per line, and the empty one last.
std::wstring MultiString(const std::string& lines) {
  std::wstring value;
  size_t at = 0;
  while (at < lines.size()) {
    size_t end = lines.find('\n', at);
    if (end == std::string::npos) end = lines.size();
    value += win32::Utf8ToWide(lines.substr(at, end - at));
    value += L'\0';
    at = end + 1;
  }
  value += L'\0';
  return value;
}

std::string LinesOf(const std::vector<wchar_t>& value) {
  std::string lines;
  size_t at = 0;
  while (at < value.size() && value[at] != L'\0') {
    std::wstring line(&value[at]);
    lines += win32::WideToUtf8(line) + "\n";
    at += line.size() + 1;
  }
  return lines;
}

bool SetValue(HKEY key, const wchar_t* name, DWORD type, const std::wstring& data) {
  return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

class Win32DeploymentStore : public DeploymentStore {
 public:
  bool ReadRecord(std::string* text) override {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRecordKey, 0, KEY_QUERY_VALUE | kRecordView, &key) !=
        ERROR_SUCCESS) {
      return false;
    }
    DWORD type = 0, size = 0;
    bool read = RegQueryValueExW(key, L"Record", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
                type == REG_MULTI_SZ;
    std::vector<wchar_t> value(size / sizeof(wchar_t) + 2, L'\0');
    read = read && RegQueryValueExW(key, L"Record", nullptr, &type,
                                    reinterpret_cast<BYTE*>(value.data()), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (read) *text = LinesOf(value);
    return read;
  }

  bool WriteRecord(const std::string& text, const std::string& lastResult) override {
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, 0, KEY_SET_VALUE | kRecordView,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    // Each value in one call, so each is one whole run's.
    bool written = SetValue(key, L"Record", REG_MULTI_SZ, MultiString(text)) &&
                   SetValue(key, L"LastResult", REG_SZ, win32::Utf8ToWide(lastResult) + L'\0');
    RegCloseKey(key);
    return written;
  }

  FileHash HashFile(const std::string& path, std::string* hex) override {
    HANDLE file = CreateFileW(win32::Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileHash::kAbsent
                                                                            : FileHash::kUnreadable;
    }
    auto read = [file](void* buffer, size_t count, size_t* got) {
      DWORD bytes = 0;
      const bool good = ReadFile(file, buffer, static_cast<DWORD>(count), &bytes, nullptr) != 0;
      *got = bytes;
      return good;
    };
    std::unique_ptr<Sha256> hash = NewCngSha256();
    imagesums::Digest digest;
    const bool hashed = hash != nullptr && HashPieces(*hash, read, &digest) == HashOutcome::kHashed;
    CloseHandle(file);
    if (!hashed) return FileHash::kUnreadable;
    *hex = imagesums::DigestHex(digest);
    return FileHash::kHashed;
  }

  LogTime Now() override {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return {now.wYear,   now.wMonth,  now.wDay,         now.wHour,
            now.wMinute, now.wSecond, now.wMilliseconds};
  }

  uint64_t FileSize(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(win32::Utf8ToWide(path).c_str(), GetFileExInfoStandard, &data))
      return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }

  bool Append(const std::string& path, const std::string& text) override {
    HANDLE file = CreateFileW(win32::Utf8ToWide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return wrote && written == text.size();
  }

  bool Replace(const std::string& from, const std::string& to) override {
    return MoveFileExW(win32::Utf8ToWide(from).c_str(), win32::Utf8ToWide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING) != 0;
  }
};

}  // namespace

// Arguments other than options are ignored. Wide, so that a report's path
// in any script survives.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(win32::WideToUtf8(argv[i]));
  Win32LauncherPlatform launcher;
  Win32DeploymentStore store;
  // The deliverable is the 32-bit build, which asks Windows; the 64-bit
  // build serves the tests on machines that cannot run 32-bit programs.
  return LauncherMain(Win32SessionRole(), launcher, store, sizeof(void*) == 8, args);
}
