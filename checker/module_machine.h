// What a Windows program file is built for, from its PE header: the live
// check refuses a hub library of the other bitness with a reason before
// Windows refuses it without one.
#ifndef QUILLET_CHECKER_MODULE_MACHINE_H_
#define QUILLET_CHECKER_MODULE_MACHINE_H_

#include <string>

class Files;

namespace check {

enum class ModuleMachine { kUnreadable, kNotAProgram, kX86, kX64, kOther };

ModuleMachine ReadModuleMachine(Files& files, const std::string& path);

// "32-bit", "64-bit", or "?" for anything but an x86 or x64 program.
const char* BitsOf(ModuleMachine machine);

}  // namespace check

#endif  // QUILLET_CHECKER_MODULE_MACHINE_H_
