// QuilletCheck's command line, over the platform's files. Only this decides
// what the findings mean for the exit status.
#ifndef QUILLET_CHECKER_CHECKER_MAIN_H_
#define QUILLET_CHECKER_CHECKER_MAIN_H_

#include <string>
#include <vector>

class Files;

namespace check {

class LiveMachine;

// What the command needs of the machine beyond reading files.
class CheckerHost {
 public:
  virtual ~CheckerHost() = default;
  // Files by the platform's own paths.
  virtual Files& PlatformFiles() = 0;
  virtual char Separator() const = 0;
  virtual bool IsFolder(const std::string& path) = 0;
  // This computer's hubs, for --live; null on a build that cannot read them.
  virtual LiveMachine* Live() { return nullptr; }
  // Writes `text` to `path` whole or not at all: under a temporary name in
  // the same folder first, then renamed into place. An existing file is
  // replaced only when `replace`. False with one line in *error, naming the
  // file, when nothing was written.
  virtual bool SaveFile(const std::string& path, const std::string& text, bool replace,
                        std::string* error) = 0;
};

enum ExitStatus { kClean = 0, kFound = 1, kUsage = 2 };

// args: the arguments after the program name. The report goes to *out, a
// usage or input error to *err as one line.
int CheckerMain(const std::vector<std::string>& args, CheckerHost& host, std::string* out,
                std::string* err);

// The whole program over `host`: the report to standard output, an error
// line to standard error; returns the exit status.
int RunChecker(int argc, char** argv, CheckerHost& host);

}  // namespace check

#endif  // QUILLET_CHECKER_CHECKER_MAIN_H_
