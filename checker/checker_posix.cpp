// QuilletCheck on Linux and other POSIX systems, for packaging pipelines.
#include "checker_main.h"
#include "posix_files.h"

int main(int argc, char** argv) {
  check::PosixHost host;
  return check::RunChecker(argc, argv, host);
}
