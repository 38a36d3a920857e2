// The updater's console output is not the checker's: its reader and its
// device listing run silent.
#ifndef QUILLET_CHECKER_SILENT_CONSOLE_H_
#define QUILLET_CHECKER_SILENT_CONSOLE_H_

#include <cstddef>
#include <cstdint>

#include "platform.h"

namespace check {

class SilentConsole : public Console {
 public:
  void Write(const char*, size_t) override {}
  void* StdOutputHandle() override { return nullptr; }
  void SetTextAttribute(void*, uint16_t) override {}
  void RunCommand(const char*) override {}
};

}  // namespace check

#endif  // QUILLET_CHECKER_SILENT_CONSOLE_H_
