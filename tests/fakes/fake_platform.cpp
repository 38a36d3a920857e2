#include "fake_platform.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

int dummyConsole;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Windows wildcard match of '*' and '?', without regard to case.
bool Matches(const char* mask, const char* name) {
  if (*mask == '\0') return *name == '\0';
  if (*mask == '*') {
    for (const char* rest = name;; ++rest) {
      if (Matches(mask + 1, rest)) return true;
      if (*rest == '\0') return false;
    }
  }
  if (*name == '\0') return false;
  if (*mask != '?' && std::tolower(static_cast<unsigned char>(*mask)) !=
                          std::tolower(static_cast<unsigned char>(*name))) {
    return false;
  }
  return Matches(mask + 1, name + 1);
}

}  // namespace

void* const FakePlatform::kConsole = &dummyConsole;

class FakeFile : public ByteSource {
 public:
  FakeFile(FakePlatform* os, FakePlatform::FileData* file) : os_(os), path_(file->path) {
    ++os_->openFiles_;
  }
  ~FakeFile() override { --os_->openFiles_; }

  uint64_t Size() override {
    FakePlatform::FileData* file = os_->Find(path_);
    return file ? file->size : 0;
  }

  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    FakePlatform::FileData* file = os_->Find(path_);
    if (file == nullptr || offset >= file->size) return 0;
    size_t n = static_cast<size_t>(std::min<uint64_t>(count, file->size - offset));
    auto* out = static_cast<char*>(buffer);
    for (size_t i = 0; i < n; ++i) {
      uint64_t at = offset + i;
      out[i] = at < file->bytes.size() ? file->bytes[static_cast<size_t>(at)] : '\0';
    }
    file->bytesRead += n;
    return n;
  }

 private:
  FakePlatform* os_;
  std::string path_;  // the file may be removed while open
};

class FakeSearch : public DirectorySearch {
 public:
  explicit FakeSearch(std::vector<std::string> names) : names_(std::move(names)) {}
  const char* Name() const override { return names_[at_].c_str(); }
  bool Next() override {
    if (at_ + 1 >= names_.size()) return false;
    ++at_;
    return true;
  }

 private:
  std::vector<std::string> names_;
  size_t at_ = 0;
};

void FakePlatform::AddFile(const std::string& path, const std::string& bytes) {
  AddSparseFile(path, bytes.size(), bytes);
}

void FakePlatform::AddSparseFile(const std::string& path, uint64_t size,
                                 const std::string& head) {
  FileData* file = Find(path);
  if (file == nullptr) {
    files_.push_back(FileData{});
    file = &files_.back();
    file->path = path;
  }
  file->bytes = head.substr(0, static_cast<size_t>(std::min<uint64_t>(size, head.size())));
  file->size = size;
  file->openable = true;
}

void FakePlatform::AddUnopenableFile(const std::string& path) {
  AddFile(path, "");
  Find(path)->openable = false;
}

void FakePlatform::RemoveFile(const std::string& path) {
  std::string key = Lower(path);
  files_.erase(std::remove_if(files_.begin(), files_.end(),
                              [&](const FileData& f) { return Lower(f.path) == key; }),
               files_.end());
}

void FakePlatform::Patch(const std::string& path, uint64_t offset, const std::string& bytes) {
  FileData* file = Find(path);
  if (file == nullptr) return;
  size_t end = static_cast<size_t>(offset) + bytes.size();
  if (file->bytes.size() < end) file->bytes.resize(end, '\0');
  file->bytes.replace(static_cast<size_t>(offset), bytes.size(), bytes);
  file->size = std::max<uint64_t>(file->size, end);
}

void FakePlatform::SetRegistryValue(const std::u16string& key, const std::u16string& name,
                                    const std::vector<uint8_t>& data) {
  SetRegistryKey(key);
  registry_[key + u"\\" + name] = data;
}

void FakePlatform::SetRegistryKey(const std::u16string& key) {
  if (std::find(keys_.begin(), keys_.end(), key) == keys_.end()) keys_.push_back(key);
}

FakePlatform::FileData* FakePlatform::Find(const std::string& path) {
  std::string key = Lower(path);
  for (FileData& file : files_) {
    if (Lower(file.path) == key) return &file;
  }
  return nullptr;
}

const FakePlatform::FileData* FakePlatform::Find(const std::string& path) const {
  return const_cast<FakePlatform*>(this)->Find(path);
}

int FakePlatform::OpenCount(const std::string& path) const {
  const FileData* file = Find(path);
  return file ? file->opens : 0;
}

uint64_t FakePlatform::BytesRead(const std::string& path) const {
  const FileData* file = Find(path);
  return file ? file->bytesRead : 0;
}

uint64_t FakePlatform::TotalBytesRead() const {
  uint64_t total = 0;
  for (const FileData& file : files_) total += file.bytesRead;
  return total;
}

void FakePlatform::Event(const std::string& text) { screen_ += "{" + text + "}"; }

void FakePlatform::Write(const char* text, size_t length) {
  screen_.append(text, length);
  text_.append(text, length);
}

void FakePlatform::SetTextAttribute(void* console, uint16_t attribute) {
  char event[16];
  std::snprintf(event, sizeof event, "%02X%s", attribute, console == kConsole ? "" : "@other");
  Event(event);
}

void FakePlatform::RunCommand(const char* command) { Event(command); }

void FakePlatform::Sleep(uint32_t milliseconds) {
  Event("sleep " + std::to_string(milliseconds));
}

bool FakePlatform::GetVersion(OsVersionInfoW* info) {
  if (versionFails_ || info->dwOSVersionInfoSize != sizeof(OsVersionInfoW)) return false;
  info->dwMajorVersion = major_;
  info->dwMinorVersion = minor_;
  info->dwBuildNumber = 9200;
  info->dwPlatformId = 2;
  return true;
}

bool FakePlatform::ReadMachineRegistryValue(const char16_t* key, const char16_t* name,
                                            std::vector<uint8_t>* data) {
  data->clear();
  if (std::find(keys_.begin(), keys_.end(), std::u16string(key)) == keys_.end()) return false;
  auto value = registry_.find(std::u16string(key) + u"\\" + name);
  if (value == registry_.end()) return false;
  *data = value->second;
  return true;
}

// A single-byte code page: ASCII as itself, everything else as '?'.
int FakePlatform::WideToAnsi(const char16_t* text, int units, char* out, int outSize) {
  if (outSize == 0) return units;
  if (outSize < units) return 0;
  for (int i = 0; i < units; ++i) out[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
  return units;
}

std::unique_ptr<DirectorySearch> FakePlatform::FindFiles(const char* pattern) {
  ++searches_;
  std::string full(pattern);
  size_t slash = full.rfind('\\');
  std::string directory = slash == std::string::npos ? "" : Lower(full.substr(0, slash + 1));
  std::string mask = slash == std::string::npos ? full : full.substr(slash + 1);
  std::vector<std::string> names;
  for (const FileData& file : files_) {
    if (Lower(file.path).compare(0, directory.size(), directory) != 0) continue;
    std::string name = file.path.substr(directory.size());
    if (name.find('\\') != std::string::npos) continue;
    if (Matches(mask.c_str(), name.c_str())) names.push_back(name);
  }
  if (names.empty()) return nullptr;
  return std::make_unique<FakeSearch>(std::move(names));
}

std::unique_ptr<ByteSource> FakePlatform::OpenForRead(const char* path) {
  FileData* file = Find(path);
  if (file == nullptr || !file->openable) return nullptr;
  ++file->opens;
  return std::make_unique<FakeFile>(this, file);
}

void FakePlatform::BeginCriticalWrite() { Event("guard on"); }
void FakePlatform::EndCriticalWrite() { Event("guard off"); }

std::vector<uint8_t> MultiString(const std::vector<std::string>& strings) {
  std::vector<uint8_t> bytes;
  for (const std::string& s : strings) {
    for (char c : s) {
      bytes.push_back(static_cast<uint8_t>(c));
      bytes.push_back(0);
    }
    bytes.push_back(0);
    bytes.push_back(0);
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}
