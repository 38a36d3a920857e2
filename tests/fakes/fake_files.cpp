#include "fake_files.h"

#include <algorithm>
#include <cstring>

#include "case_fold.h"
#include "name_search.h"

class FakeFile : public ByteSource {
 public:
  FakeFile(FakeFiles* os, FakeFiles::FileData* file) : os_(os), path_(file->path) {
    ++os_->openFiles_;
  }
  ~FakeFile() override { --os_->openFiles_; }

  uint64_t Size() override {
    FakeFiles::FileData* file = os_->Find(path_);
    return file ? file->size : 0;
  }

  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    FakeFiles::FileData* file = os_->Find(path_);
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
  FakeFiles* os_;
  std::string path_;  // the file may be removed while open
};

void FakeFiles::AddFile(const std::string& path, const std::string& bytes) {
  AddSparseFile(path, bytes.size(), bytes);
}

void FakeFiles::AddSparseFile(const std::string& path, uint64_t size, const std::string& head) {
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

void FakeFiles::AddUnopenableFile(const std::string& path) {
  AddFile(path, "");
  Find(path)->openable = false;
}

void FakeFiles::RemoveFile(const std::string& path) {
  std::string key = Folded(path);
  files_.erase(std::remove_if(files_.begin(), files_.end(),
                              [&](const FileData& f) { return Folded(f.path) == key; }),
               files_.end());
}

void FakeFiles::Patch(const std::string& path, uint64_t offset, const std::string& bytes) {
  FileData* file = Find(path);
  if (file == nullptr) return;
  size_t end = static_cast<size_t>(offset) + bytes.size();
  if (file->bytes.size() < end) file->bytes.resize(end, '\0');
  file->bytes.replace(static_cast<size_t>(offset), bytes.size(), bytes);
  file->size = std::max<uint64_t>(file->size, end);
}

FakeFiles::FileData* FakeFiles::Find(const std::string& path) {
  std::string key = Folded(path);
  for (FileData& file : files_) {
    if (Folded(file.path) == key) return &file;
  }
  return nullptr;
}

const FakeFiles::FileData* FakeFiles::Find(const std::string& path) const {
  return const_cast<FakeFiles*>(this)->Find(path);
}

int FakeFiles::OpenCount(const std::string& path) const {
  const FileData* file = Find(path);
  return file ? file->opens : 0;
}

const std::string* FakeFiles::Bytes(const std::string& path) const {
  const FileData* file = Find(path);
  return file ? &file->bytes : nullptr;
}

uint64_t FakeFiles::BytesRead(const std::string& path) const {
  const FileData* file = Find(path);
  return file ? file->bytesRead : 0;
}

uint64_t FakeFiles::TotalBytesRead() const {
  uint64_t total = 0;
  for (const FileData& file : files_) total += file.bytesRead;
  return total;
}

std::unique_ptr<DirectorySearch> FakeFiles::FindFiles(const char* pattern) {
  ++searches_;
  std::string full(pattern);
  size_t slash = full.rfind('\\');
  std::string directory = slash == std::string::npos ? "" : Folded(full.substr(0, slash + 1));
  std::string mask = slash == std::string::npos ? full : full.substr(slash + 1);
  std::vector<std::string> names;
  for (const FileData& file : files_) {
    if (Folded(file.path).compare(0, directory.size(), directory) != 0) continue;
    std::string name = file.path.substr(directory.size());
    if (name.find('\\') != std::string::npos) continue;
    if (MatchesWildcard(mask.c_str(), name.c_str())) names.push_back(name);
  }
  if (names.empty()) return nullptr;
  return std::make_unique<NameListSearch>(std::move(names));
}

void FakeFiles::VanishAfterOpens(const std::string& path, int opens) {
  FileData* file = Find(path);
  if (file != nullptr) file->vanishAfter = opens;
}

std::unique_ptr<ByteSource> FakeFiles::OpenForRead(const char* path) {
  FileData* file = Find(path);
  if (file != nullptr && file->opens == file->vanishAfter) {
    RemoveFile(path);
    return nullptr;
  }
  if (file == nullptr || !file->openable) return nullptr;
  ++file->opens;
  return std::make_unique<FakeFile>(this, file);
}

std::unique_ptr<Sha256> FakeFiles::NewSha256() { return sha256_ ? NewLibcryptoSha256() : nullptr; }
