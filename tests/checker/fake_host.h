// The checker's commands over doubles: a host whose files and folders live
// in memory, and files written where the checker reads by path (hub
// descriptions, bundles), named after the test and removed when it ends.
#ifndef QUILLET_TESTS_CHECKER_FAKE_HOST_H_
#define QUILLET_TESTS_CHECKER_FAKE_HOST_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "checker_host.h"
#include "checker_main.h"
#include "fake_files.h"

class FakeHost : public check::CheckerHost {
 public:
  FakeFiles files;
  std::set<std::string> folders;
  // What SaveFile wrote; saved files join the tree too, so that a written
  // list or bundle is read back.
  std::map<std::string, std::string> saved;

  Files& PlatformFiles() override { return files; }
  char Separator() const override { return '\\'; }
  bool IsFolder(const std::string& path) override { return folders.count(path) > 0; }
  bool SaveFile(const std::string& path, const std::string& text, bool replace,
                std::string* error) override {
    if (!replace && (saved.count(path) > 0 || files.Bytes(path) != nullptr)) {
      *error = path + " exists; --force replaces it";
      return false;
    }
    saved[path] = text;
    files.AddFile(path, text);
    return true;
  }

  void Stage(const std::string& folder, const std::string& settings, const std::string& image) {
    folders.insert(folder);
    files.AddFile(folder + "\\SpiFlash.ini", settings);
    files.AddFile(folder + "\\Binfile\\A.BIN", image);
  }
};

struct CommandResult {
  int status;
  std::string out;
  std::string err;
};

inline CommandResult RunCommand(check::CheckerHost& host, const std::vector<std::string>& args) {
  CommandResult run;
  run.status = check::CheckerMain(args, host, &run.out, &run.err);
  return run;
}

// Files in the system's temporary folder, named after the test and the
// process too (ctest runs each test as a process of its own, side by side),
// and removed with this object.
class TempFiles {
 public:
  TempFiles() = default;
  TempFiles(const TempFiles&) = delete;
  TempFiles& operator=(const TempFiles&) = delete;
  ~TempFiles() {
    for (const std::string& path : paths_) std::remove(path.c_str());
  }

  // The path written.
  std::string Write(const std::string& name, const std::string& text) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string path =
        testing::TempDir() + std::to_string(::getpid()) + "_" + test->name() + "_" + name;
    std::ofstream(path, std::ios::binary) << text;
    paths_.push_back(path);
    return path;
  }

 private:
  std::vector<std::string> paths_;
};

#endif  // QUILLET_TESTS_CHECKER_FAKE_HOST_H_
