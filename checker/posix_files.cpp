#include "posix_files.h"

#include <dirent.h>
#include <errno.h>
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

bool PosixHost::SaveFile(const std::string& path, const std::string& text, bool replace,
                         std::string* error) {
  struct stat info;
  if (!replace && lstat(path.c_str(), &info) == 0) {
    *error = path + " exists; --force replaces it";
    return false;
  }
  std::vector<char> temp(path.begin(), path.end());
  // Named as the Windows programs name theirs: "<path>.<unique>.tmp".
  const char suffix[] = ".XXXXXX.tmp";
  temp.insert(temp.end(), suffix, suffix + sizeof suffix);
  int fd = mkstemps(temp.data(), 4);
  if (fd < 0) {
    *error = "cannot write " + path;
    return false;
  }
  size_t done = 0;
  while (done < text.size()) {
    ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote <= 0) break;
    done += static_cast<size_t>(wrote);
  }
  bool written = done == text.size() && fsync(fd) == 0;
  written = close(fd) == 0 && written;
  // link() will not replace a file that appeared in the meantime.
  bool placed = written && (replace ? rename(temp.data(), path.c_str()) == 0
                                    : link(temp.data(), path.c_str()) == 0);
  bool existed = !placed && errno == EEXIST;
  if (!placed || !replace) unlink(temp.data());
  if (placed) return true;
  *error = existed ? path + " exists; --force replaces it" : "cannot write " + path;
  return false;
}

}  // namespace check
