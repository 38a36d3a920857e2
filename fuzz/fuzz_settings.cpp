// Any bytes as SpiFlash.ini.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fake_hub_library.h"
#include "fake_platform.h"
#include "printer.h"
#include "settings.h"
#include "run_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FakePlatform os;
  FakeHubLibrary library;
  os.AddFile("SpiFlash.ini", std::string(reinterpret_cast<const char*>(data), size));
  auto state = std::make_unique<UpdaterState>();

  Printer out(os);
  LoadSettingFromIni(*state, out, os, library);

  if (os.OpenFiles() != 0) std::abort();
  if (state->TargetIdCount > kMaxTargetIds) std::abort();
  if (library.setIniInfoCount > kMaxTargetIds) std::abort();
  if (std::memchr(state->TargetHubName, 0, sizeof state->TargetHubName) == nullptr) std::abort();
  for (const HubModuleEntry& m : state->Modules) {
    if (std::memchr(m.WantUpdateBinFile, 0, sizeof m.WantUpdateBinFile) == nullptr) std::abort();
  }
  size_t entries = state->Modules.size();
  if (entries != 0 && entries != state->HubNumber) std::abort();
  return 0;
}
