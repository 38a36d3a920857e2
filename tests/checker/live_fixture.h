// A computer for the live check and the bundle, scripted: its installer
// really registers the filter driver in its registry (unless told it fails),
// its library is a described one, and one story of events is kept in order.
#ifndef QUILLET_TESTS_CHECKER_LIVE_FIXTURE_H_
#define QUILLET_TESTS_CHECKER_LIVE_FIXTURE_H_

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bundle_parts.h"
#include "driver_session.h"
#include "fake_host.h"
#include "fake_hub_library.h"
#include "fake_session.h"
#include "fake_system.h"
#include "live_check.h"
#include "shared_names.h"

inline constexpr char16_t kUsbClass[] = u"" QUILLET_USB_CLASS_KEY;

// A Windows program file's first bytes: "MZ", the PE header's place, and
// the machine word after "PE\0\0".
inline std::string ProgramFile(uint16_t machine) {
  std::string bytes(0x40, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  bytes[0x3C] = 0x40;
  bytes += std::string("PE\0\0", 4);
  bytes += static_cast<char>(machine & 0xFF);
  bytes += static_cast<char>(machine >> 8);
  return bytes;
}

// Every library call, with the working directory it was made in.
class WatchedLibrary : public HubLibrary {
 public:
  WatchedLibrary(std::vector<std::string>& log, const std::string& cwd, FakeHubLibrary& inner)
      : log_(log), cwd_(cwd), inner_(inner) {}
  void GetDllVersion(uint32_t* version) override {
    Note("version", [&] { inner_.GetDllVersion(version); });
  }
  void SetIniInfo(void* head) override {
    Note("ids", [&] { inner_.SetIniInfo(head); });
  }
  void GetEnumInfo(uint8_t* count) override {
    Note("enum", [&] { inner_.GetEnumInfo(count); });
  }
  int UpdateISP(uint8_t, const char*, int) override {
    log_.push_back("program");
    return 0;
  }

 private:
  void Note(const char* call, const std::function<void()>& forward) {
    log_.push_back(std::string(call) + " in " + cwd_);
    forward();
  }
  std::vector<std::string>& log_;
  const std::string& cwd_;
  FakeHubLibrary& inner_;
};

// A computer whose installer really registers the driver in its registry
// (unless told it fails), with one story of events in `log`.
class FakeLiveMachine : public check::LiveComputer,
                        public check::WorkingFolder,
                        public FakeSession {
 public:
  class LoggedSystem : public FakeSystem {
   public:
    explicit LoggedSystem(std::vector<std::string>& log) : log_(log) {}

   protected:
    void SystemEvent(const std::string& text) override { log_.push_back(text); }

   private:
    std::vector<std::string>& log_;
  };

  // ---- Staging.
  bool process64 = true;
  bool windows64 = true;
  bool installerRegisters = true;
  std::string loadFailure;  // non-empty: LoadHubLibrary fails with it
  // By the path the checker asks for; any other is not checked.
  std::map<std::string, check::ProgramSignature> signatures;
  FakeHubLibrary library;

  // ---- Reading back.
  std::vector<std::string> log;
  LoggedSystem system{log};
  // What the checker is handed: every role of this one computer.
  check::LiveMachine roles{*this, *this, system, *this};

  FakeLiveMachine() {
    currentDirectory = "C:\\Work";
    RegisterDriver(false);
  }

  void RegisterDriver(bool registered) {
    system.SetRegistryValue(kUsbClass, u"UpperFilters",
                            MultiString(registered
                                            ? std::vector<std::string>{"usbfilt", "tz415filter"}
                                            : std::vector<std::string>{"usbfilt"}));
    registered_ = registered;
  }
  bool DriverRegistered() const { return registered_; }

  // ---- LiveComputer and WorkingFolder.
  bool ProcessIs64Bit() override { return process64; }
  bool WindowsIs64Bit() override { return windows64; }
  std::string FullPath(const std::string& path) override {
    return path.compare(0, 3, "C:\\") == 0 ? path : currentDirectory + "\\" + path;
  }
  std::string WorkingDirectory() override { return currentDirectory; }
  bool ChangeDirectory(const std::string& path) override {
    currentDirectory = FullPath(path);
    return true;
  }
  std::string UtcNow() override { return "2026-12-08T21:35:07Z"; }
  std::string ReportedWindowsVersion() override { return "6.2.9200"; }
  check::ProgramSignature SignatureOf(const std::string& path) override {
    auto found = signatures.find(path);
    return found == signatures.end() ? check::ProgramSignature() : found->second;
  }
  std::unique_ptr<HubLibrary> LoadHubLibrary(const std::string& path, std::string* why) override {
    log.push_back("load " + path);
    if (!loadFailure.empty()) {
      *why = loadFailure;
      return nullptr;
    }
    return std::make_unique<WatchedLibrary>(log, currentDirectory, library);
  }

  // ---- SessionPlatform.
  void Write(const char* text) override { log.push_back(std::string("write ") + text); }
  void WriteError(const char* text) override {
    log.push_back(std::string("write to stderr ") + text);
  }
  void ChangeDirectory(const char* path) override {
    std::string p = path;
    if (p.size() > 1 && p.back() == '\\') p.pop_back();
    currentDirectory = p;
  }
  bool RunChild(char* commandLine, const ChildStart& start, uint32_t* exitStatus) override {
    std::string line = commandLine;
    log.push_back("start " + line + " in " + currentDirectory +
                  (start.output == ChildOutput::kStandardError ? " to stderr" : "") +
                  (breaksIgnored ? "" : " with break keys live") +
                  (Holds(KernelLock::kRun) ? "" : " unlocked"));
    if (line == "TZ415FilterInst.exe i" && installerRegisters) RegisterDriver(true);
    if (line == "TZ415FilterInst.exe u") RegisterDriver(false);
    *exitStatus = 0;
    return true;
  }

 private:
  bool registered_ = false;
};

// A host on that computer, with a kit root "kit" of x86 and x64 (each its
// settings and a 64-bit library) whose full path is C:\Work\kit.
class LiveHost : public FakeHost {
 public:
  FakeLiveMachine* machine = nullptr;

  explicit LiveHost(const std::string& settings) {
    folders = {"kit", "kit\\x86", "kit\\x64"};
    for (const char* arch : {"x86", "x64"}) {
      std::string folder = std::string("kit\\") + arch;
      files.AddFile(folder + "\\SpiFlash.ini", settings);
      files.AddFile(folder + "\\TZ415API.dll", ProgramFile(0x8664));
    }
    files.AddFile("C:\\Work\\kit\\Driver\\TZ415FilterInst.exe", "MZ");
  }
  const check::LiveMachine* Live() override { return machine ? &machine->roles : nullptr; }
};

#endif  // QUILLET_TESTS_CHECKER_LIVE_FIXTURE_H_
