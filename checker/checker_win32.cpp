// QuilletCheck on Windows: the updater's own Win32 files role, so that the
// directory search is the very one the updater makes.
#include <windows.h>

#include <string>

#include "checker_main.h"
#include "live_check.h"
#include "platform.h"
#include "win32_common.h"

namespace {

class Win32Host : public check::CheckerHost {
 public:
  Files& PlatformFiles() override { return Win32FilesRole(); }
  char Separator() const override { return '\\'; }
  bool IsFolder(const std::string& path) override {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  const check::LiveMachine* Live() override { return &check::Win32LiveRoles(); }
  bool SaveFile(const std::string& path, const std::string& text, bool replace,
                std::string* error) override;
};

bool Win32Host::SaveFile(const std::string& path, const std::string& text, bool replace,
                         std::string* error) {
  switch (win32::SaveFileWhole(win32::AnsiToWide(path), text, replace)) {
    case win32::SaveResult::kWritten: return true;
    case win32::SaveResult::kExists: *error = path + " exists; --force replaces it"; break;
    case win32::SaveResult::kFailed: *error = "cannot write " + path; break;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Win32Host host;
  return check::RunChecker(argc, argv, host);
}
