#include "live_check.h"

#include <cstdio>
#include <cstring>

#include "driver_session.h"
#include "environment.h"
#include "platform.h"
#include "printer.h"

namespace check {

namespace {

constexpr char kInstallerPath[] = "Driver\\TZ415FilterInst.exe";

// The updater's driver check prints its heading and outcome; the checker
// tells the outcome in its own words.
class SilentConsole : public Console {
 public:
  void Write(const char*, size_t) override {}
  void* StdOutputHandle() override { return nullptr; }
  void SetTextAttribute(void*, uint16_t) override {}
  void RunCommand(const char*) override {}
};

// The session's own lines ("Filter Driver Fail!") to standard error, so that
// standard output keeps the JSON report alone.
class StderrSession : public SessionPlatform {
 public:
  explicit StderrSession(SessionPlatform& inner) : inner_(inner) {}
  void Write(const char* text) override {
    std::fputs(text, stderr);
    std::fflush(stderr);
  }
  uint32_t CurrentDirectory(char* buffer, uint32_t size) override {
    return inner_.CurrentDirectory(buffer, size);
  }
  void ChangeDirectory(const char* path) override { inner_.ChangeDirectory(path); }
  bool RunChild(char* commandLine, const ChildStart& start, uint32_t* exitStatus) override {
    return inner_.RunChild(commandLine, start, exitStatus);
  }
  void IgnoreBreakKeys(bool ignore) override { inner_.IgnoreBreakKeys(ignore); }
  bool TryLock(KernelLock lock) override { return inner_.TryLock(lock); }
  void Unlock(KernelLock lock) override { inner_.Unlock(lock); }

 private:
  SessionPlatform& inner_;
};

std::string Join(const std::string& folder, const std::string& name, char separator) {
  if (folder.empty()) return name;
  char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + separator + name;
}

// The folder that holds `path`, without its separator; empty for a root.
std::string Parent(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && (path[end - 1] == '\\' || path[end - 1] == '/')) --end;
  size_t cut = path.find_last_of("\\/", end == 0 ? 0 : end - 1);
  if (cut == std::string::npos || end == 0) return std::string();
  return path.substr(0, cut);
}

uint32_t LittleEndian(const uint8_t* bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
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

LiveHubs::LiveHubs(LiveMachine& machine, std::unique_ptr<HubLibrary> library, std::string folder)
    : machine_(machine), library_(std::move(library)), folder_(std::move(folder)) {}

template <typename Call>
void LiveHubs::InFolder(Call call) {
  std::string own = machine_.WorkingDirectory();
  machine_.ChangeDirectory(folder_);
  call();
  machine_.ChangeDirectory(own);
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
  machine_.UpdaterSystem().Sleep(kSettleMilliseconds);
  InFolder([&] { library_->GetEnumInfo(deviceCount); });
  reportedCount_ = *deviceCount;
  const auto* devices = reinterpret_cast<const HubDeviceInfo*>(deviceCount + 1);
  int count = reportedCount_ < kMaxDevices ? reportedCount_ : kMaxDevices;
  listed_.assign(devices, devices + count);
}

// The checker never writes a hub.
int LiveHubs::UpdateISP(uint8_t, const char*, int) { return -1; }

bool ChooseLivePlace(LiveMachine& machine, const std::string& folder, bool kitRoot, char separator,
                     LivePlace* place, std::string* error) {
  bool windows64 = machine.WindowsIs64Bit();
  if (windows64 && !machine.ProcessIs64Bit()) {
    *error = "--live on 64-bit Windows needs QuilletCheck64.exe: a 32-bit program cannot load "
             "the 64-bit hub library";
    return false;
  }
  std::string full = machine.FullPath(folder);
  if (full.empty()) {
    *error = "cannot tell where the folder " + folder + " is";
    return false;
  }
  if (kitRoot) {
    // As the launcher chooses.
    const char* arch = windows64 ? "x64" : "x86";
    place->updaterFolder = Join(folder, arch, separator);
    place->kitRoot = full;
  } else {
    place->updaterFolder = folder;
    place->kitRoot = Parent(full);
  }
  return true;
}

LiveCheck::LiveCheck(LiveMachine& machine, Files& platformFiles, LiveOptions options)
    : machine_(machine), files_(platformFiles), options_(options) {
  if (options_.quietStdout) session_ = std::make_unique<StderrSession>(machine_.Session());
}

LiveCheck::~LiveCheck() {
  RemoveDriver();
  if (locked_) Session().Unlock(KernelLock::Run);
}

SessionPlatform& LiveCheck::Session() { return session_ ? *session_ : machine_.Session(); }

bool LiveCheck::DriverMissing() {
  // A record of its own: the check fills only the version fields.
  auto state = std::make_unique<UpdaterState>();
  SilentConsole silent;
  Printer quiet(silent);
  return IsDriverInstallNeeded(*state, quiet, machine_.UpdaterSystem());
}

bool LiveCheck::InstallDriver(const LivePlace& place, std::string* error) {
  std::string installer = Join(place.kitRoot, kInstallerPath, options_.separator);
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
  SessionOptions options;
  options.restoreDirectory = true;
  options.installerOutput =
      options_.quietStdout ? ChildOutput::StandardError : ChildOutput::Console;
  options.noInput = true;
  std::string own = machine_.WorkingDirectory();
  DriverSession driver(Session(), startDirectory_.c_str(), options);
  driver.Install();
  installerRan_ = true;
  machine_.ChangeDirectory(own);
  // As the updater judges it: the installer's status means nothing.
  if (DriverMissing()) {
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
  SessionOptions options;
  options.restoreDirectory = true;
  options.installerOutput =
      options_.quietStdout ? ChildOutput::StandardError : ChildOutput::Console;
  options.noInput = true;
  std::string own = machine_.WorkingDirectory();
  DriverSession driver(Session(), startDirectory_.c_str(), options);
  driver.Remove();
  machine_.ChangeDirectory(own);
}

bool LiveCheck::Begin(const LivePlace& place, std::string* error) {
  // Held from the driver check on: no launcher may install the driver under
  // the check, or take out the one it installed, and no updater may be
  // writing a hub while its library is asked for the hubs.
  if (!TakeRunLock(Session())) {
    *error = "another Quillet run is under way: run --live again when it has ended";
    return false;
  }
  locked_ = true;
  if (DriverMissing() && !InstallDriver(place, error)) {
    RemoveDriver();
    return false;
  }
  std::string library = Join(place.updaterFolder, kLibraryName, options_.separator);
  ModuleMachine kind = ReadModuleMachine(files_, library);
  ModuleMachine own = machine_.ProcessIs64Bit() ? ModuleMachine::kX64 : ModuleMachine::kX86;
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
  if (why.empty()) loaded = machine_.LoadHubLibrary(machine_.FullPath(library), &why);
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
