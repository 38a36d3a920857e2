// QuilletCheck's command line, over the platform's files: one function per
// command, each built from what command.h shares.
#ifndef QUILLET_CHECKER_CHECKER_MAIN_H_
#define QUILLET_CHECKER_CHECKER_MAIN_H_

#include <string>
#include <vector>

#include "checker_host.h"

namespace check {

// args: the arguments after the program name. The report goes to *out, a
// usage or input error to *err as one line. Returns the exit status
// (command.h's ExitStatus).
int CheckerMain(const std::vector<std::string>& args, CheckerHost& host, std::string* out,
                std::string* err);

// The whole program over `host`: the report to standard output, an error
// line to standard error; returns the exit status.
int RunChecker(int argc, char** argv, CheckerHost& host);

}  // namespace check

#endif  // QUILLET_CHECKER_CHECKER_MAIN_H_
