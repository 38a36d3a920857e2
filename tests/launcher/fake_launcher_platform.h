// A scripted Windows for the launcher: directories that exist, programs in
// them with the exit status each ends with, and a console that records the
// launcher's text and every platform event in order.
#ifndef QUILLET_TESTS_FAKE_LAUNCHER_PLATFORM_H_
#define QUILLET_TESTS_FAKE_LAUNCHER_PLATFORM_H_

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "launcher.h"
#include "updater_results.h"

class FakeLauncherPlatform : public LauncherPlatform {
 public:
  // ---- Staging.
  std::string currentDirectory = "C:\\Kit";
  Wow64Answer wow64 = Wow64Answer::Wow64;
  // Directories a change of directory can reach, as the launcher names them.
  std::set<std::string> directories;
  // Programs by directory plus file name ("C:\\Kit\\x64\\Quillet64.exe"),
  // with the status each ends with. A child whose program is not here cannot
  // be created.
  std::map<std::string, uint32_t> programs;
  // Non-zero: the directory call copies nothing and reports this size, as
  // GetCurrentDirectoryA does for a buffer too small. For sizes that the
  // length of currentDirectory alone would not give, such as exactly the
  // buffer's own size.
  uint32_t reportedTooSmall = 0;
  // Locks another process holds, by KernelLock.
  bool heldElsewhere[2] = {};
  // What an updater started with "--results=" leaves in the section.
  std::string updaterResults;
  bool resultsCannotBeShared = false;
  bool reportCannotBeWritten = false;
  // What the launcher put into the section before the updater started.
  std::string sectionAtStart;

  // Stages the layout of a kit in `base`, every child ending with 0.
  void AddKit(const std::string& base) {
    for (const char* sub : {"\\Driver\\", "\\x64\\", "\\x86\\"}) directories.insert(base + sub);
    programs[base + "\\Driver\\TZ415FilterInst.exe"] = 0;
    programs[base + "\\x64\\Quillet64.exe"] = 0;
    programs[base + "\\x86\\Quillet32.exe"] = 0;
  }

  // ---- Reading back.
  // Text, with events in braces: "{cls}", "{PAUSE}", "{cd C:\\Kit\\x64\\}",
  // "{breaks ignored}", "{breaks restored}", "{start Quillet64 QRZ in
  // C:\\Kit\\x64\\ launcher's}", "{exit 0}" or "{no such program}".
  std::string screen;
  std::string text;  // the launcher's own text only
  int wow64Queries = 0;
  bool breaksIgnored = false;
  std::string locks;
  bool lockHeld[2] = {};
  // Files written whole, by full path.
  std::map<std::string, std::string> files;
  int clock = 0;

  // ---- LauncherPlatform.
  void Write(const char* out) override {
    screen += out;
    text += out;
  }
  void RunCommand(const char* command) override { Event(command); }

  uint32_t CurrentDirectory(char* buffer, uint32_t size) override {
    if (reportedTooSmall != 0) return reportedTooSmall;
    uint32_t length = static_cast<uint32_t>(currentDirectory.size());
    if (length + 1 > size) return length + 1;
    std::memcpy(buffer, currentDirectory.c_str(), length + 1);
    return length;
  }

  void ChangeDirectory(const char* path) override {
    Event(std::string("cd ") + path);
    if (directories.count(path) != 0) currentDirectory = path;
  }

  Wow64Answer QueryWow64() override {
    ++wow64Queries;
    return wow64;
  }

  bool RunChild(char* commandLine, const ChildStart& start, uint32_t* exitStatus) override {
    std::string line = commandLine;
    Event("start " + line + " in " + currentDirectory +
          (start.startup == StartupInfo::Cleared ? " cleared" : " launcher's") +
          (start.noInput ? " no-input" : "") +
          (start.output == ChildOutput::StandardError ? " output-to-stderr" : ""));
    if (!lockHeld[static_cast<int>(KernelLock::Run)]) Event("child runs without the run lock");
    if (!breaksIgnored) Event("break keys live while a child runs");
    // CreateProcessA may write into the command line; the launcher must not
    // hand it a buffer it reuses.
    std::memset(commandLine, '#', line.size());
    std::string program = line.substr(0, line.find(' '));
    if (program.find('.') == std::string::npos) program += ".exe";
    std::string dir = currentDirectory;
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    auto found = programs.find(dir + program);
    if (found == programs.end()) {
      Event("no such program");
      return false;
    }
    *exitStatus = found->second;
    const std::string argument = QUILLET_RESULTS_ARGUMENT;
    size_t asked = line.find(argument);
    if (asked != std::string::npos && line.substr(asked + argument.size()) == sectionName_) {
      section_ = updaterResults;
    }
    Event("exit " + std::to_string(found->second));
    return true;
  }

  void IgnoreBreakKeys(bool ignore) override {
    breaksIgnored = ignore;
    Event(ignore ? "breaks ignored" : "breaks restored");
  }

  std::string UtcNow() override { return "T" + std::to_string(clock++); }
  std::string FullPath(const std::string& path) override {
    if (path.size() > 1 && (path[1] == ':' || path[0] == '\\')) return path;
    return currentDirectory + "\\" + path;
  }
  bool WriteReplacing(const std::string& path, const std::string& text) override {
    if (reportCannotBeWritten) return false;
    files[path] = text;
    return true;
  }
  std::string CreateResults(const std::string& pending) override {
    if (resultsCannotBeShared) return std::string();
    section_ = pending;
    sectionAtStart = pending;
    return sectionName_;
  }
  std::string TakeResults() override { return section_; }

  // Locks are kept off the screen, whose text the tests compare whole:
  // `locks` tells their story ("+run -write", "run held").
  bool TryLock(KernelLock lock) override {
    const int which = static_cast<int>(lock);
    if (heldElsewhere[which]) {
      locks += std::string(LockLabel(lock)) + " held ";
      return false;
    }
    lockHeld[which] = true;
    locks += std::string("+") + LockLabel(lock) + " ";
    return true;
  }
  void Unlock(KernelLock lock) override {
    lockHeld[static_cast<int>(lock)] = false;
    locks += std::string("-") + LockLabel(lock) + " ";
  }

 private:
  const std::string sectionName_ = QUILLET_RESULTS_NAME_PREFIX "77";
  std::string section_;

  void Event(const std::string& event) { screen += "{" + event + "}"; }
  static const char* LockLabel(KernelLock lock) {
    switch (lock) {
      case KernelLock::Run: return "run";
      case KernelLock::Write: return "write";
    }
    return "?";
  }
};

#endif  // QUILLET_TESTS_FAKE_LAUNCHER_PLATFORM_H_
