// The hubs of this computer, for the kit checker's --live: the maker's
// library is loaded from the kit and asked for the hubs in the updater's own
// order of steps, and the hubs it lists are judged as described ones are.
// Nothing here programs a hub or writes into the kit. The steps are portable
// and run against the roles of LiveMachine, which the Windows checker
// implements (live_win32.cpp) and the host tests implement with doubles.
#ifndef QUILLET_CHECKER_LIVE_CHECK_H_
#define QUILLET_CHECKER_LIVE_CHECK_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver_session.h"
#include "tz415api.h"
#include "run_state.h"

class Files;
class System;

namespace check {

struct ProgramSignature;

constexpr char kLibraryName[] = "TZ415API.dll";

// This computer, as a live check asks it beyond the updater's roles.
class LiveComputer {
 public:
  virtual ~LiveComputer() = default;
  virtual bool ProcessIs64Bit() = 0;
  virtual bool WindowsIs64Bit() = 0;
  // Loads the library at the absolute `path`, searching only its own folder
  // and the system folder for what it needs, and finds its four calls. Null
  // with why in *why (a phrase, without the file's name).
  virtual std::unique_ptr<HubLibrary> LoadHubLibrary(const std::string& path, std::string* why) = 0;
  // For a capture: the time now, in UTC, as ISO 8601 ("2026-12-08T21:35:07Z"),
  // and the version Windows reports to this program ("6.2.9200").
  virtual std::string UtcNow() = 0;
  virtual std::string ReportedWindowsVersion() = 0;
  // For a bundle: whether the program file at `path` carries a signature,
  // by whom, and whether this computer trusts it, never asking the network.
  virtual ProgramSignature SignatureOf(const std::string& path) = 0;
};

// The checker's own working directory, which the library's calls borrow.
class WorkingFolder {
 public:
  virtual ~WorkingFolder() = default;
  // The absolute form of `path`; empty when the platform cannot say.
  virtual std::string FullPath(const std::string& path) = 0;
  virtual std::string WorkingDirectory() = 0;
  virtual bool ChangeDirectory(const std::string& path) = 0;
};

// Every role a live check plays on: this computer, the working directory,
// the updater's system role (its driver check reads the registry through
// it, and the settle wait sleeps on it), and the driver session's platform
// (the installer, the break keys and the run lock).
struct LiveMachine {
  LiveComputer& computer;
  WorkingFolder& folder;
  System& system;
  SessionPlatform& session;
};

// The library of one updater folder, called with that folder as the working
// directory (the maker's library and our simulator read from it) and the
// checker's own put back after each call. The enumeration comes after the
// updater's settle wait; programming is refused without a call. What was
// handed over and listed is kept, for the report and for a capture.
class LiveHubs : public HubLibrary {
 public:
  LiveHubs(const LiveMachine& machine, std::unique_ptr<HubLibrary> library, std::string folder);
  void GetDllVersion(uint32_t* version) override;
  void SetIniInfo(void* head) override;
  void GetEnumInfo(uint8_t* deviceCount) override;
  int UpdateISP(uint8_t index, const char* path, int reserved) override;

  uint32_t version() const { return version_; }
  // The hub-ID table as handed to the library.
  const std::vector<TargetIdEntry>& targetIds() const { return targetIds_; }
  // The count the library reported, which may exceed the table's 16 records.
  int reportedCount() const { return reportedCount_; }
  // The records listed, at most 16.
  const std::vector<HubDeviceInfo>& listed() const { return listed_; }

 private:
  template <typename Call>
  void InFolder(Call call);

  LiveMachine machine_;
  std::unique_ptr<HubLibrary> library_;
  std::string folder_;
  uint32_t version_ = 0;
  std::vector<TargetIdEntry> targetIds_;
  int reportedCount_ = -1;
  std::vector<HubDeviceInfo> listed_;
};

// Where a live check reads: the updater folder judged against the hubs, and
// the folder whose Driver\ holds the installer.
struct LivePlace {
  std::string updaterFolder;  // as the report names it
  std::string kitRoot;        // absolute
};

// The updater folder the launcher would run on this computer, for a kit
// root; `folder` itself for an updater folder. False with one line in
// *error when this checker cannot read this computer's hubs.
bool ChooseLivePlace(const LiveMachine& machine, const std::string& folder, bool kitRoot,
                     char separator, LivePlace* place, std::string* error);

struct LiveOptions {
  // The installer's output and the session's own lines go to standard
  // error, so that standard output holds the JSON report alone.
  bool quietStdout = false;
  char separator = '\\';
};

// One live check's lease on the computer: the run lock and the filter
// driver from Begin to the end of the object's life, and the library.
class LiveCheck {
 public:
  LiveCheck(const LiveMachine& machine, Files& platformFiles, LiveOptions options);
  ~LiveCheck();
  LiveCheck(const LiveCheck&) = delete;
  LiveCheck& operator=(const LiveCheck&) = delete;

  // The updater's steps up to the library's version: its driver check, the
  // installation when the driver is missing, the library loaded and asked
  // for its version. False with one line in *error; the driver is then
  // already removed again.
  bool Begin(const LivePlace& place, std::string* error);
  // The library for CheckKit: it hands over the hub-ID table and lists the
  // hubs. Valid after a successful Begin.
  LiveHubs& Hubs() { return *hubs_; }
  const LiveHubs& Hubs() const { return *hubs_; }
  // The driver was installed for this check (and is removed at its end).
  bool DriverInstalled() const { return installedHere_; }

 private:
  SessionOptions DriverOptions() const;
  bool InstallDriver(const LivePlace& place, std::string* error);
  void RemoveDriver();

  LiveMachine machine_;
  Files& files_;
  LiveOptions options_;
  std::string startDirectory_;
  bool locked_ = false;
  bool installerRan_ = false;
  bool installedHere_ = false;
  std::unique_ptr<LiveHubs> hubs_;
};

// The updater's own check: the filter driver tz415filter is not registered.
bool FilterDriverMissing(System& system);

// The Windows checker's roles (live_win32.cpp); the host build has none.
const LiveMachine& Win32LiveRoles();

}  // namespace check

#endif  // QUILLET_CHECKER_LIVE_CHECK_H_
