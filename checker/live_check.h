// The hubs of this computer, for the kit checker's --live: the maker's
// library is loaded from the kit and asked for the hubs in the updater's own
// order of steps, and the hubs it lists are judged as described ones are.
// Nothing here programs a hub or writes into the kit. The steps are portable
// and run against LiveMachine, which the Windows checker implements
// (live_win32.cpp) and the host tests implement with doubles.
#ifndef QUILLET_CHECKER_LIVE_CHECK_H_
#define QUILLET_CHECKER_LIVE_CHECK_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tz415api.h"
#include "run_state.h"

class Files;
class SessionPlatform;
class System;

namespace check {

constexpr char kLibraryName[] = "TZ415API.dll";
// The updater waits this long between the banner and the enumeration, so
// that hubs the filter driver has just attached are there to be listed.
constexpr uint32_t kSettleMilliseconds = 3000;

class LiveMachine {
 public:
  virtual ~LiveMachine() = default;
  // The updater's system role: its driver check reads the registry through
  // it, and the settle wait sleeps on it.
  virtual System& UpdaterSystem() = 0;
  // The launcher's platform for the driver session: the installer, the
  // break keys and the run lock.
  virtual SessionPlatform& Session() = 0;
  virtual bool ProcessIs64Bit() = 0;
  virtual bool WindowsIs64Bit() = 0;
  // The absolute form of `path`; empty when the platform cannot say.
  virtual std::string FullPath(const std::string& path) = 0;
  virtual std::string WorkingDirectory() = 0;
  virtual bool ChangeDirectory(const std::string& path) = 0;
  // Loads the library at the absolute `path`, searching only its own folder
  // and the system folder for what it needs, and finds its four calls. Null
  // with why in *why (a phrase, without the file's name).
  virtual std::unique_ptr<HubLibrary> LoadHubLibrary(const std::string& path, std::string* why) = 0;
  // For a capture: the time now, in UTC, as ISO 8601 ("2026-12-08T21:35:07Z"),
  // and the version Windows reports to this program ("6.2.9200").
  virtual std::string UtcNow() = 0;
  virtual std::string ReportedWindowsVersion() = 0;
};

// What a Windows program file is built for, from its PE header.
enum class ModuleMachine { kUnreadable, kNotAProgram, kX86, kX64, kOther };
ModuleMachine ReadModuleMachine(Files& files, const std::string& path);

// The library of one updater folder, called with that folder as the working
// directory (the maker's library and our simulator read from it) and the
// checker's own put back after each call. The enumeration comes after the
// updater's settle wait; programming is refused without a call. What was
// handed over and listed is kept, for the report and for a capture.
class LiveHubs : public HubLibrary {
 public:
  LiveHubs(LiveMachine& machine, std::unique_ptr<HubLibrary> library, std::string folder);
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

  LiveMachine& machine_;
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
bool ChooseLivePlace(LiveMachine& machine, const std::string& folder, bool kitRoot, char separator,
                     LivePlace* place, std::string* error);

struct LiveOptions {
  // The installer's output and the session's failure lines go to standard
  // error, so that standard output holds the JSON report alone.
  bool quietStdout = false;
  char separator = '\\';
};

// One live check's lease on the computer: the run lock and the filter
// driver from Begin to the end of the object's life, and the library.
class LiveCheck {
 public:
  LiveCheck(LiveMachine& machine, Files& platformFiles, LiveOptions options);
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
  SessionPlatform& Session();
  bool DriverMissing();
  bool InstallDriver(const LivePlace& place, std::string* error);
  void RemoveDriver();

  LiveMachine& machine_;
  Files& files_;
  LiveOptions options_;
  std::unique_ptr<SessionPlatform> session_;
  std::string startDirectory_;
  bool locked_ = false;
  bool installerRan_ = false;
  bool installedHere_ = false;
  std::unique_ptr<LiveHubs> hubs_;
};

// The Windows checker's computer (live_win32.cpp); the host build has none.
LiveMachine& Win32LiveRole();

}  // namespace check

#endif  // QUILLET_CHECKER_LIVE_CHECK_H_
