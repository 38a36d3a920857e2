#include "module_machine.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "platform.h"

namespace check {

namespace {

uint32_t LittleEndian(const uint8_t* bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

ModuleMachine ReadModuleMachine(Files& files, const std::string& path) {
  std::unique_ptr<ByteSource> file = files.OpenForRead(path.c_str());
  if (file == nullptr) return ModuleMachine::kUnreadable;
  // The DOS header's "MZ" and, at 0x3C, where the "PE\0\0" signature lies;
  // the machine word follows the signature.
  constexpr uint64_t kNewHeaderAt = 0x3C;
  uint8_t dos[kNewHeaderAt + 4];
  if (file->ReadAt(0, dos, sizeof dos) != sizeof dos || dos[0] != 'M' || dos[1] != 'Z') {
    return ModuleMachine::kNotAProgram;
  }
  uint8_t pe[6];
  if (file->ReadAt(LittleEndian(dos + kNewHeaderAt, 4), pe, sizeof pe) != sizeof pe ||
      std::memcmp(pe, "PE\0\0", 4) != 0) {
    return ModuleMachine::kNotAProgram;
  }
  switch (LittleEndian(pe + 4, 2)) {
    case 0x014C: return ModuleMachine::kX86;
    case 0x8664: return ModuleMachine::kX64;
    default: return ModuleMachine::kOther;
  }
}

const char* BitsOf(ModuleMachine machine) {
  switch (machine) {
    case ModuleMachine::kX86: return "32-bit";
    case ModuleMachine::kX64: return "64-bit";
    case ModuleMachine::kUnreadable:
    case ModuleMachine::kNotAProgram:
    case ModuleMachine::kOther: break;
  }
  return "?";
}

}  // namespace check
