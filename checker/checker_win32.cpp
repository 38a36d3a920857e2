// QuilletCheck on Windows: the updater's own Win32 files role, so that the
// directory search is the very one the updater makes.
#include <windows.h>

#include <algorithm>
#include <string>

#include "checker_main.h"
#include "platform.h"

namespace {

class Win32Host : public check::CheckerHost {
 public:
  Files& PlatformFiles() override { return Win32FilesRole(); }
  char Separator() const override { return '\\'; }
  bool IsFolder(const std::string& path) override {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  bool WriteFile(const std::string& path, const std::string& bytes) override {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
      DWORD put = 0;
      if (!::WriteFile(file, bytes.data() + done, piece, &put, nullptr) || put == 0) break;
      done += put;
    }
    // On the disk before the rename makes it the list.
    bool good = done == bytes.size() && FlushFileBuffers(file);
    return CloseHandle(file) && good;
  }
  bool Rename(const std::string& from, const std::string& to, bool replace) override {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0)) != 0;
  }
  void Remove(const std::string& path) override { DeleteFileA(path.c_str()); }
};

}  // namespace

int main(int argc, char** argv) {
  Win32Host host;
  return check::RunChecker(argc, argv, host);
}
