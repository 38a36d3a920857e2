#include "live_check.h"

#include <cstring>

#include "driver_session.h"
#include "entry.h"
#include "environment.h"
#include "module_machine.h"
#include "path_names.h"
#include "platform.h"
#include "printer.h"
#include "rooted_files.h"
#include "silent_console.h"
#include "updater_choice.h"

namespace check {

namespace {

constexpr char kInstallerPath[] = "Driver\\TZ415FilterInst.exe";

}  // namespace

LiveHubs::LiveHubs(const LiveMachine& machine, std::unique_ptr<HubLibrary> library,
                   std::string folder)
    : machine_(machine), library_(std::move(library)), folder_(std::move(folder)) {}

template <typename Call>
void LiveHubs::InFolder(Call call) {
  std::string own = machine_.folder.WorkingDirectory();
  machine_.folder.ChangeDirectory(folder_);
  call();
  machine_.folder.ChangeDirectory(own);
}

void LiveHubs::GetDllVersion(uint32_t* version) {
  InFolder([&] { library_->GetDllVersion(version); });
  version_ = *version;
}

void LiveHubs::SetIniInfo(void* head) {
  InFolder([&] { library_->SetIniInfo(head); });
  // The table as the library saw it at the call; it may read it later too,
  // but the settings reader writes it no more.
  const auto* state = static_cast<const UpdaterState*>(head);
  int count = state->TargetIdCount < kMaxTargetIds ? state->TargetIdCount : kMaxTargetIds;
  targetIds_.assign(state->TargetIds, state->TargetIds + count);
}

void LiveHubs::GetEnumInfo(uint8_t* deviceCount) {
  machine_.system.Sleep(kSettleMilliseconds);
  InFolder([&] { library_->GetEnumInfo(deviceCount); });
  reportedCount_ = *deviceCount;
  const auto* devices = reinterpret_cast<const HubDeviceInfo*>(deviceCount + 1);
  int count = reportedCount_ < kMaxDevices ? reportedCount_ : kMaxDevices;
  listed_.assign(devices, devices + count);
}

// The checker never writes a hub.
int LiveHubs::UpdateISP(uint8_t, const char*, int) { return -1; }

bool ChooseLivePlace(const LiveMachine& machine, const std::string& folder, bool kitRoot,
                     char separator, LivePlace* place, std::string* error) {
  bool windows64 = machine.computer.WindowsIs64Bit();
  if (windows64 && !machine.computer.ProcessIs64Bit()) {
    *error = "--live on 64-bit Windows needs QuilletCheck64.exe: a 32-bit program cannot load "
             "the 64-bit hub library";
    return false;
  }
  std::string full = machine.folder.FullPath(folder);
  if (full.empty()) {
    *error = "cannot tell where the folder " + folder + " is";
    return false;
  }
  if (kitRoot) {
    place->updaterFolder = JoinPath(folder, UpdaterFor(windows64).folder, separator);
    place->kitRoot = full;
  } else {
    place->updaterFolder = folder;
    place->kitRoot = ParentOf(full);
  }
  return true;
}

LiveCheck::LiveCheck(const LiveMachine& machine, Files& platformFiles, LiveOptions options)
    : machine_(machine), files_(platformFiles), options_(options) {}

LiveCheck::~LiveCheck() {
  RemoveDriver();
  if (locked_) GiveBackRunLock(machine_.session.Locks());
}

SessionOptions LiveCheck::DriverOptions() const {
  SessionOptions options;
  options.restoreDirectory = true;
  ChildOutput output = options_.quietStdout ? ChildOutput::kStandardError : ChildOutput::kConsole;
  options.installerOutput = output;
  options.messages = output;
  options.noInput = true;
  return options;
}

bool FilterDriverMissing(System& system) {
  // A record of its own: the check fills only the version fields.
  auto state = std::make_unique<UpdaterState>();
  SilentConsole silent;
  Printer quiet(silent);
  return IsDriverInstallNeeded(*state, quiet, system);
}

bool LiveCheck::InstallDriver(const LivePlace& place, std::string* error) {
  std::string installer = JoinPath(place.kitRoot, kInstallerPath, options_.separator);
  if (files_.OpenForRead(installer.c_str()) == nullptr) {
    *error = "the filter driver tz415filter is not registered, and there is no " + installer +
             " to install it for the check: install the driver, or run --live from a whole kit";
    return false;
  }
  startDirectory_ = place.kitRoot;
  if (!StartDirectoryFits(static_cast<uint32_t>(startDirectory_.size()), startDirectory_.c_str())) {
    *error = "the filter driver tz415filter is not registered, and the path of " + installer +
             " is too long to run it: move the kit to a shorter path";
    return false;
  }
  std::string own = machine_.folder.WorkingDirectory();
  DriverSession driver(machine_.session, startDirectory_.c_str(), DriverOptions());
  driver.Install();
  installerRan_ = true;
  machine_.folder.ChangeDirectory(own);
  // As the updater judges it: the installer's status means nothing.
  if (FilterDriverMissing(machine_.system)) {
    *error = installer + " i did not register the filter driver tz415filter: run --live as "
                         "administrator, or install the driver first";
    return false;
  }
  installedHere_ = true;
  return true;
}

void LiveCheck::RemoveDriver() {
  if (!installerRan_) return;
  installerRan_ = false;
  std::string own = machine_.folder.WorkingDirectory();
  DriverSession driver(machine_.session, startDirectory_.c_str(), DriverOptions());
  driver.Remove();
  machine_.folder.ChangeDirectory(own);
}

bool LiveCheck::Begin(const LivePlace& place, std::string* error) {
  // Held from the driver check on: no launcher may install the driver under
  // the check, or take out the one it installed, and no updater may be
  // writing a hub while its library is asked for the hubs.
  if (!TakeRunLock(machine_.session.Locks())) {
    *error = "another Quillet run is under way: run --live again when it has ended";
    return false;
  }
  locked_ = true;
  if (FilterDriverMissing(machine_.system) && !InstallDriver(place, error)) {
    RemoveDriver();
    return false;
  }
  std::string library = JoinPath(place.updaterFolder, kLibraryName, options_.separator);
  ModuleMachine kind = ReadModuleMachine(files_, library);
  ModuleMachine own =
      machine_.computer.ProcessIs64Bit() ? ModuleMachine::kX64 : ModuleMachine::kX86;
  std::string why;
  if (kind == ModuleMachine::kUnreadable) {
    why = "is missing";
  } else if (kind == ModuleMachine::kNotAProgram) {
    why = "is not a Windows library";
  } else if (kind == ModuleMachine::kOther) {
    why = "is built for another processor: it cannot be loaded here";
  } else if (kind != own) {
    why = std::string("is ") + BitsOf(kind) + ", and this checker is " + BitsOf(own) +
          ": a library of the other bitness cannot be loaded";
  }
  std::unique_ptr<HubLibrary> loaded;
  if (why.empty())
    loaded = machine_.computer.LoadHubLibrary(machine_.folder.FullPath(library), &why);
  if (loaded == nullptr) {
    *error = "the hub library " + library + " " + why;
    RemoveDriver();
    return false;
  }
  hubs_ = std::make_unique<LiveHubs>(machine_, std::move(loaded), place.updaterFolder);
  uint32_t version = 0;
  hubs_->GetDllVersion(&version);
  return true;
}

}  // namespace check
