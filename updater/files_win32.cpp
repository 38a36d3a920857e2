// The files role over Win32: the updater's directory search and file reads,
// in an object of its own so that the kit checker searches exactly as the
// updater does without importing the hub library.
#include <windows.h>

#include <memory>

#include "platform.h"

namespace {

class Win32File : public ByteSource {
 public:
  explicit Win32File(HANDLE file) : file_(file) {}
  ~Win32File() override { CloseHandle(file_); }

  uint64_t Size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_, &size)) return 0;
    return static_cast<uint64_t>(size.QuadPart);
  }

  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_, position, nullptr, FILE_BEGIN)) return 0;
    size_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < count) {
      DWORD chunk = static_cast<DWORD>(count - total > 0x10000000 ? 0x10000000 : count - total);
      DWORD got = 0;
      if (!ReadFile(file_, out + total, chunk, &got, nullptr) || got == 0) break;
      total += got;
    }
    return total;
  }

 private:
  HANDLE file_;
};

class Win32Search : public DirectorySearch {
 public:
  Win32Search(HANDLE search, const WIN32_FIND_DATAA& first) : search_(search), data_(first) {}
  ~Win32Search() override { FindClose(search_); }
  const char* Name() const override { return data_.cFileName; }
  bool Next() override { return FindNextFileA(search_, &data_) != 0; }

 private:
  HANDLE search_;
  WIN32_FIND_DATAA data_;
};

class Win32Files : public Files {
 public:
  std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) override {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32Search>(search, data);
  }

  std::unique_ptr<ByteSource> OpenForRead(const char* path) override {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(file);
  }

  std::unique_ptr<Sha256> NewSha256() override { return NewCngSha256(); }
};

}  // namespace

Files& Win32FilesRole() {
  static Win32Files files;
  return files;
}
