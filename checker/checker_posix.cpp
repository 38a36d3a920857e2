// QuilletCheck on Linux and other POSIX systems, for packaging pipelines.
#include <cstdio>
#include <string>
#include <vector>

#include "checker_main.h"
#include "posix_files.h"

int main(int argc, char** argv) {
  check::PosixHost host;
  std::string out;
  std::string err;
  int status = check::CheckerMain(std::vector<std::string>(argv + 1, argv + argc), host, &out, &err);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return status;
}
