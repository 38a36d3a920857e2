// The updater names its files relative to its own folder (".\Binfile\A.BIN",
// "SpiFlash.ini"); the checker reads another folder. This role puts the
// folder in front and the platform's separator between the parts.
#ifndef QUILLET_CHECKER_ROOTED_FILES_H_
#define QUILLET_CHECKER_ROOTED_FILES_H_

#include <string>

#include "platform.h"

namespace check {

// `name` in `folder`, with `separator` between them unless `folder` ends
// in one already; `name` alone for no folder.
std::string JoinPath(const std::string& folder, const std::string& name, char separator);

class RootedFiles : public Files {
 public:
  RootedFiles(Files& inner, std::string root, char separator)
      : inner_(inner), root_(std::move(root)), separator_(separator) {}
  std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) override;
  std::unique_ptr<ByteSource> OpenForRead(const char* path) override;
  std::unique_ptr<Sha256> NewSha256() override { return inner_.NewSha256(); }
  // The path the inner role is handed for the updater's `path`.
  std::string Rooted(const char* path) const;

 private:
  Files& inner_;
  std::string root_;
  char separator_;
};

}  // namespace check

#endif  // QUILLET_CHECKER_ROOTED_FILES_H_
