// QuilletCheck on Windows: the updater's own Win32 files role, so that the
// directory search is the very one the updater makes.
#include <windows.h>

#include <string>

#include "checker_main.h"
#include "live_check.h"
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
  check::LiveMachine* Live() override { return &check::Win32LiveRole(); }
  bool SaveFile(const std::string& path, const std::string& text, bool replace,
                std::string* error) override;
};

bool Win32Host::SaveFile(const std::string& path, const std::string& text, bool replace,
                         std::string* error) {
  if (!replace && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    *error = path + " exists; --force replaces it";
    return false;
  }
  size_t slash = path.find_last_of("\\/");
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  char temp[MAX_PATH];
  if (GetTempFileNameA(folder.c_str(), "qck", 0, temp) == 0) {
    *error = "cannot write " + path;
    return false;
  }
  HANDLE file =
      CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool written = file != INVALID_HANDLE_VALUE;
  size_t done = 0;
  while (written && done < text.size()) {
    DWORD chunk =
        static_cast<DWORD>(text.size() - done < (1u << 20) ? text.size() - done : 1u << 20);
    DWORD wrote = 0;
    written = WriteFile(file, text.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
    done += wrote;
  }
  if (file != INVALID_HANDLE_VALUE) {
    written = FlushFileBuffers(file) && written;
    written = CloseHandle(file) && written;
  }
  // Without MOVEFILE_REPLACE_EXISTING the move fails on a file that
  // appeared in the meantime.
  DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (written && MoveFileExA(temp, path.c_str(), flags)) return true;
  DWORD failure = GetLastError();
  DeleteFileA(temp);
  bool existed = written && (failure == ERROR_ALREADY_EXISTS || failure == ERROR_FILE_EXISTS);
  *error = existed ? path + " exists; --force replaces it" : "cannot write " + path;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Win32Host host;
  return check::RunChecker(argc, argv, host);
}
