// What QuilletCheck's commands need of the machine beyond reading files:
// the Windows checker implements it over Win32 (checker_win32.cpp), the
// host build over POSIX (posix_files.cpp), and the tests with doubles.
#ifndef QUILLET_CHECKER_CHECKER_HOST_H_
#define QUILLET_CHECKER_CHECKER_HOST_H_

#include <string>

class Files;

namespace check {

struct LiveMachine;

class CheckerHost {
 public:
  virtual ~CheckerHost() = default;
  // Files by the platform's own paths.
  virtual Files& PlatformFiles() = 0;
  virtual char Separator() const = 0;
  virtual bool IsFolder(const std::string& path) = 0;
  // This computer's roles, for --live; null on a build that cannot read
  // its hubs.
  virtual const LiveMachine* Live() { return nullptr; }
  // Writes `text` to `path` whole or not at all: under a temporary name in
  // the same folder first, then renamed into place. An existing file is
  // replaced only when `replace`. False with one line in *error, naming the
  // file, when nothing was written.
  virtual bool SaveFile(const std::string& path, const std::string& text, bool replace,
                        std::string* error) = 0;
};

}  // namespace check

#endif  // QUILLET_CHECKER_CHECKER_HOST_H_
