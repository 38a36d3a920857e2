#include "posix_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "name_search.h"

namespace check {

namespace {

class PosixFile : public ByteSource {
 public:
  PosixFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~PosixFile() override { close(fd_); }
  uint64_t Size() override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    size_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < count) {
      ssize_t got = pread(fd_, out + total, count - total, static_cast<off_t>(offset + total));
      if (got <= 0) break;
      total += static_cast<size_t>(got);
    }
    return total;
  }

 private:
  int fd_;
  uint64_t size_;
};

}  // namespace

std::unique_ptr<DirectorySearch> PosixFiles::FindFiles(const char* pattern) {
  std::string path = pattern;
  size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  std::string mask = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return nullptr;
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    // The updater's search yields at most 259 characters of a name.
    if (std::string(entry->d_name).size() > 259) continue;
    if (MatchesWildcard(mask.c_str(), entry->d_name)) names.push_back(entry->d_name);
  }
  closedir(dir);
  if (names.empty()) return nullptr;
  return std::make_unique<NameListSearch>(std::move(names));
}

std::unique_ptr<ByteSource> PosixFiles::OpenForRead(const char* path) {
  // Not blocking, so that a pipe named like an image cannot stall the check.
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat info;
  // Windows does not open a folder as a file; neither does the checker.
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<PosixFile>(fd, static_cast<uint64_t>(info.st_size));
}

std::unique_ptr<Sha256> PosixFiles::NewSha256() { return NewLibcryptoSha256(); }

bool PosixHost::IsFolder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PosixHost::WriteFile(const std::string& path, const std::string& bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  // On the disk before the rename makes it the list.
  bool good = done == bytes.size() && fsync(fd) == 0;
  return close(fd) == 0 && good;
}

bool PosixHost::Rename(const std::string& from, const std::string& to, bool replace) {
  if (replace) return rename(from.c_str(), to.c_str()) == 0;
  // A link fails where the name is taken, so no list is replaced unasked
  // even if one appears after the search looked.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

void PosixHost::Remove(const std::string& path) { unlink(path.c_str()); }

}  // namespace check
