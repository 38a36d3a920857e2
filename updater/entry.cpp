#include "entry.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "console.h"
#include "enumeration.h"
#include "environment.h"
#include "platform.h"
#include "quillet_version.h"
#include "settings.h"
#include "tz415api.h"
#include "update.h"
#include "updater_state.h"

namespace {

// Each line is printed by itself; the trailing blanks are part of the art.
const char* const kBanner[] = {
    "  ______ _____ _____  __  ____          __     _____  ______ \n",
    " |  ____|_   _|  __ \\|  \\/  \\ \\        / /\\   |  __ \\|  ____|\n",
    " | |__    | | | |__) | \\  / |\\ \\  /\\  / /  \\  | |__) | |__   \n",
    " |  __|   | | |  _  /| |\\/| | \\ \\/  \\/ / /\\ \\ |  _  /|  __|  \n",
    " | |     _| |_| | \\ \\| |  | |  \\  /\\  / ____ \\| | \\ \\| |____ \n",
    " |_|   _|_____|_|__\\_\\_|  |_|___\\/_ \\/_/__ _\\_\\_|  \\_\\______|\n",
    " | |  | |  __ \\|  __ \\   /\\|__   __|  ____|  __ \\ \n",
    " | |  | | |__) | |  | | /  \\  | |  | |__  | |__) |\n",
    " | |  | |  ___/| |  | |/ /\\ \\ | |  |  __| |  _  / \n",
    " | |__| | |    | |__| / ____ \\| |  | |____| | \\ \\ \n",
    // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): the version is spliced in
    "  \\____/|_|    |_____/_/    \\_\\_|  |______|_|  \\_\\     v" QUILLET_VERSION "  \n",
    "==============================================================================\n",
};

constexpr uint32_t kSettleMilliseconds = 3000;

bool IsLaunchToken(const char16_t* argument) {
  const char16_t* token = kLaunchToken;
  while (*token != u'\0' && *argument == *token) {
    ++argument;
    ++token;
  }
  return *token == u'\0' && *argument == u'\0';
}

}  // namespace

bool Initialization(UpdaterState& state, Platform& os, HubLibrary& library) {
  Print(os, "1. Initialzation()\r\n");
  Print(os, "\t1.1 GetDllInfo()\t");
  uint32_t apiVersion = 0;
  library.GetDllVersion(&apiVersion);
  Print(os, "API Version: %x\n", apiVersion);

  if (!LoadSettingFromIni(state, os, library)) return false;
  if (IsDriverInstallNeeded(state, os)) return false;

  os.RunCommand("cls");
  for (const char* line : kBanner) Print(os, "%s", line);
  Print(os, "Initializing Firmware Updater...\n");
  Print(os, "Initialization()  Success\n\n");

  state.ConsoleHandle = os.StdOutputHandle();
  os.Sleep(kSettleMilliseconds);
  return EnumerateDevices(state, os, library);
}

int UpdaterMain(int argc, const char16_t* const* argv, Platform& os,
                HubLibrary& library) {
  if (argc < 2) {
    Print(os, "Lack of parameters!\n");
    os.RunCommand("PAUSE");
    return 0;
  }
  if (!IsLaunchToken(argv[1])) {
    Print(os, "error parameters");
    return 0;
  }

  // The record is large (over 22 KB): keep it off the stack.
  auto state = std::make_unique<UpdaterState>();
  std::memset(state.get(), 0, sizeof(UpdaterState));

  if (!Initialization(*state, os, library)) return 0;
  DoUpdateFW(*state, os, library);
  return 0;
}
