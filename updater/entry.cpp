#include "entry.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "enumeration.h"
#include "environment.h"
#include "platform.h"
#include "power_cycle.h"
#include "printer.h"
#include "selection.h"
#include "quillet_version.h"
#include "settings.h"
#include "shared_names.h"
#include "tz415api.h"
#include "update.h"
#include "run_state.h"

// A hub's results carry what the run holds, cut short nowhere.
static_assert(kResultsImageSize == kImagePathSize, "a result's image is a chosen image's path");
static_assert(kResultsHubs == kMaxDevices, "a result for every hub the library can list");

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

bool IsLaunchToken(const char16_t* argument) {
  const char16_t* token = kLaunchToken;
  while (*token != u'\0' && *argument == *token) {
    ++argument;
    ++token;
  }
  return *token == u'\0' && *argument == u'\0';
}

// "--results=NAME" with a NAME of printable ASCII: the name; otherwise empty.
std::string ResultsName(const char16_t* argument) {
  static const char16_t kArgument[] = u"" QUILLET_RESULTS_ARGUMENT;
  for (const char16_t* expected = kArgument; *expected != u'\0'; ++expected, ++argument) {
    if (*argument != *expected) return std::string();
  }
  std::string name;
  for (; *argument != u'\0'; ++argument) {
    if (*argument <= u' ' || *argument > u'~') return std::string();
    name += static_cast<char>(*argument);
  }
  return name;
}

// For runs without a launcher to answer to.
class FreeDeployment : public Deployment {
 public:
  bool TakeWriteLock() override { return true; }
  bool WriteResults(const char*, const std::string&) override { return false; }
};

}  // namespace

bool Initialization(UpdaterState& state, Printer& out, Files& files, System& system,
                    HubLibrary& library, UpdaterStage* stage) {
  UpdaterStage unused;
  if (stage == nullptr) stage = &unused;
  out.Print("1. Initialzation()\r\n");
  out.Print("\t1.1 GetDllInfo()\t");
  uint32_t apiVersion = 0;
  library.GetDllVersion(&apiVersion);
  out.Print("API Version: %x\n", apiVersion);

  *stage = UpdaterStage::kSettings;
  if (!LoadSettingFromIni(state, out, files, library)) return false;
  *stage = UpdaterStage::kDriver;
  if (IsDriverInstallNeeded(state, out, system)) return false;
  *stage = UpdaterStage::kNoHubs;

  out.RunCommand("cls");
  for (const char* line : kBanner) out.Print("%s", line);
  out.Print("Initializing Firmware Updater...\n");
  out.Print("Initialization()  Success\n\n");

  out.TakeConsoleHandle();
  system.Sleep(kSettleMilliseconds);
  if (!EnumerateDevices(state, out, library)) return false;
  *stage = UpdaterStage::kListed;
  return true;
}

int UpdaterMain(int argc, const char16_t* const* argv, Console& console, Files& files,
                System& system, HubLibrary& library) {
  static FreeDeployment nobody;
  return UpdaterMain(argc, argv, console, files, system, library, nobody);
}

int UpdaterMain(int argc, const char16_t* const* argv, Console& console, Files& files,
                System& system, HubLibrary& library, Deployment& deployment) {
  // The state is large (over 22 KB): keep it off the stack. Its library
  // record starts as zero bytes throughout, as the library expects.
  auto state = std::make_unique<UpdaterState>();
  Printer out(console);

  if (argc < 2) {
    out.Print("Lack of parameters!\n");
    out.RunCommand("PAUSE");
    return 0;
  }
  if (!IsLaunchToken(argv[1])) {
    out.Print("error parameters");
    return 0;
  }

  // Asked for only by the launcher; any other further argument is ignored.
  const std::string resultsName = argc >= 3 ? ResultsName(argv[2]) : std::string();
  auto results = std::make_unique<UpdaterResults>();
  std::snprintf(results->version, sizeof results->version, "%s", QUILLET_VERSION);
  UpdaterResults* record = resultsName.empty() ? nullptr : results.get();
  // Only a launcher asking for results can have handed over pending writes.
  auto pending = std::make_unique<PendingWrites>();
  if (record != nullptr) {
    ParsePending(deployment.ReadPending(resultsName.c_str()), pending->writes, &pending->count);
  }

  // One updater writes at a time: a second one, started while the first
  // writes, would program the same hubs under it.
  if (!deployment.TakeWriteLock()) {
    out.Print("%s", QUILLET_BUSY_LINE);
    results->stage = UpdaterStage::kBusy;
  } else {
    if (Initialization(*state, out, files, system, library, &results->stage)) {
      DoUpdateFW(*state, out, files, system, library, record, pending.get());
    }
  }
  if (record != nullptr) deployment.WriteResults(resultsName.c_str(), FormatResults(*record));
  return 0;
}
