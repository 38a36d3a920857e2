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
#include "name_search.h"

// The in-memory files, whose searches also yield the folders a host holds,
// as a Windows search yields folders beside files.
class FolderListingFiles : public Files {
 public:
  FolderListingFiles(FakeFiles& files, const std::set<std::string>& folders)
      : files_(files), folders_(folders) {}
  std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) override {
    std::vector<std::string> names;
    if (std::unique_ptr<DirectorySearch> found = files_.FindFiles(pattern)) {
      do names.push_back(found->Name());
      while (found->Next());
    }
    std::string full = pattern;
    size_t slash = full.rfind('\\');
    std::string parent = slash == std::string::npos ? "" : full.substr(0, slash + 1);
    for (const std::string& folder : folders_) {
      if (folder.size() <= parent.size() || folder.compare(0, parent.size(), parent) != 0) continue;
      std::string name = folder.substr(parent.size());
      if (name.find('\\') == std::string::npos &&
          MatchesWildcard(full.substr(slash + 1).c_str(), name.c_str()))
        names.push_back(name);
    }
    if (names.empty()) return nullptr;
    return std::make_unique<NameListSearch>(std::move(names));
  }
  std::unique_ptr<ByteSource> OpenForRead(const char* path) override {
    return files_.OpenForRead(path);
  }
  std::unique_ptr<Sha256> NewSha256() override { return files_.NewSha256(); }

 private:
  FakeFiles& files_;
  const std::set<std::string>& folders_;
};

class FakeHost : public check::CheckerHost {
 public:
  FakeFiles files;
  std::set<std::string> folders;
  // What SaveFile wrote; saved files join the tree too, so that a written
  // list or bundle is read back.
  std::map<std::string, std::string> saved;

  Files& PlatformFiles() override { return listing_; }
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

 private:
  FolderListingFiles listing_{files, folders};
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
