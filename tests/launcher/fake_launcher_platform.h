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

#include "fake_session.h"
#include "launcher.h"
#include "updater_results.h"

// Both of the launcher's roles in one machine, so that one screen tells the
// whole story in order.
class FakeLauncherPlatform : public FakeSession, public LauncherPlatform {
 public:
  FakeLauncherPlatform() { currentDirectory = "C:\\Kit"; }

  // ---- Staging.
  Wow64Answer wow64 = Wow64Answer::kWow64;
  // Directories a change of directory can reach, as the launcher names them.
  std::set<std::string> directories;
  // Programs by directory plus file name ("C:\\Kit\\x64\\Quillet64.exe"),
  // with the status each ends with. A child whose program is not here cannot
  // be created.
  std::map<std::string, uint32_t> programs;
  // Statuses by whole command line ("TZ415FilterInst.exe u"), over the
  // program's, so that each child can end with a status of its own.
  std::map<std::string, uint32_t> commandStatus;
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
  // Files written whole, by full path.
  std::map<std::string, std::string> files;
  int clock = 0;

  // ---- SessionPlatform and LauncherPlatform.
  void Write(const char* out) override {
    screen += out;
    text += out;
  }
  // The launcher never writes there: a line on it would show in braces.
  void WriteError(const char* out) override { Event(std::string("stderr ") + out); }
  void RunCommand(const char* command) override { Event(command); }

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
          (start.startup == StartupInfo::kCleared ? " cleared" : " launcher's") +
          (start.noInput ? " no-input" : "") +
          (start.output == ChildOutput::kStandardError ? " output-to-stderr" : ""));
    if (!lockHeld[static_cast<int>(KernelLock::kRun)]) Event("child runs without the run lock");
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
    auto own = commandStatus.find(line);
    *exitStatus = own != commandStatus.end() ? own->second : found->second;
    const std::string argument = QUILLET_RESULTS_ARGUMENT;
    size_t asked = line.find(argument);
    if (asked != std::string::npos && line.substr(asked + argument.size()) == sectionName_) {
      section_ = updaterResults;
    }
    Event("exit " + std::to_string(*exitStatus));
    return true;
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

 private:
  const std::string sectionName_ = QUILLET_RESULTS_NAME_PREFIX "77";
  std::string section_;

  void Event(const std::string& event) { screen += "{" + event + "}"; }
  void SessionEvent(const std::string& event) override { Event(event); }
};

#endif  // QUILLET_TESTS_FAKE_LAUNCHER_PLATFORM_H_
