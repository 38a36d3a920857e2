// An in-memory file tree with directory order under the test's control, and
// counts of what was opened and read.
#ifndef QUILLET_TESTS_FAKE_FILES_H_
#define QUILLET_TESTS_FAKE_FILES_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform.h"

class FakeFiles : public Files {
 public:
  // ---- Staging.
  // Adds or replaces a file. Paths are as the program names them
  // ("SpiFlash.ini", ".\\Binfile\\A.BIN") and found without regard to case.
  // A directory search yields files in the order they were first added.
  void AddFile(const std::string& path, const std::string& bytes);
  // A file of `size` bytes of which only the first bytes are given; the rest
  // reads as zeros without being stored.
  void AddSparseFile(const std::string& path, uint64_t size, const std::string& head);
  // Listed by directory searches, but opening it fails.
  void AddUnopenableFile(const std::string& path);
  void RemoveFile(const std::string& path);
  // The file is gone once it has been opened `opens` times, as if it were
  // deleted between two steps.
  void VanishAfterOpens(const std::string& path, int opens);
  // From now on the system gives no SHA-256, as a Windows without CNG.
  void RemoveSha256() { sha256_ = false; }
  // Writes `bytes` at `offset` of an existing stored file, growing it.
  void Patch(const std::string& path, uint64_t offset, const std::string& bytes);

  // ---- Reading back.
  int OpenFiles() const { return openFiles_; }
  int OpenCount(const std::string& path) const;
  uint64_t BytesRead(const std::string& path) const;
  uint64_t TotalBytesRead() const;
  int Searches() const { return searches_; }
  // The stored bytes of a file; null when there is none.
  const std::string* Bytes(const std::string& path) const;

  std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) override;
  std::unique_ptr<ByteSource> OpenForRead(const char* path) override;
  // libcrypto's, as the host programs hash.
  std::unique_ptr<Sha256> NewSha256() override;

  struct FileData {
    std::string path;
    std::string bytes;
    uint64_t size = 0;  // at least bytes.size(); the rest reads as zeros
    bool openable = true;
    int opens = 0;
    int vanishAfter = -1;
    uint64_t bytesRead = 0;
  };

 private:
  friend class FakeFile;
  FileData* Find(const std::string& path);
  const FileData* Find(const std::string& path) const;

  std::vector<FileData> files_;
  int openFiles_ = 0;
  int searches_ = 0;
  bool sha256_ = true;
};

#endif  // QUILLET_TESTS_FAKE_FILES_H_
