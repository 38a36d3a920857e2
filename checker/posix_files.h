// The checker's files role on Linux and other POSIX systems, for packaging
// pipelines: the directory search as Windows makes it (letter case ignored)
// but in the file system's own readdir order, paths as POSIX names them.
#ifndef QUILLET_CHECKER_POSIX_FILES_H_
#define QUILLET_CHECKER_POSIX_FILES_H_

#include <memory>
#include <string>

#include "checker_host.h"
#include "platform.h"

namespace check {

class PosixFiles : public Files {
 public:
  std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) override;
  // Refuses a folder, as Windows does.
  std::unique_ptr<ByteSource> OpenForRead(const char* path) override;
  // libcrypto's.
  std::unique_ptr<Sha256> NewSha256() override;
};

class PosixHost : public CheckerHost {
 public:
  Files& PlatformFiles() override { return files_; }
  char Separator() const override { return '/'; }
  bool IsFolder(const std::string& path) override;
  bool SaveFile(const std::string& path, const std::string& text, bool replace,
                std::string* error) override;

 private:
  PosixFiles files_;
};

}  // namespace check

#endif  // QUILLET_CHECKER_POSIX_FILES_H_
