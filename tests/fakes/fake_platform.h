// An in-memory Windows for the updater's steps: a console that records text
// and colour changes in the order they happen, a file tree with directory
// order under the test's control, a registry and a version.
#ifndef QUILLET_TESTS_FAKE_PLATFORM_H_
#define QUILLET_TESTS_FAKE_PLATFORM_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform.h"
#include "updater_state.h"

class FakePlatform : public Platform {
 public:
  // The handle StdOutputHandle gives; colour changes on any other handle
  // show up in the screen as "{0C@other}".
  static void* const kConsole;

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
  // Writes `bytes` at `offset` of an existing stored file, growing it.
  void Patch(const std::string& path, uint64_t offset, const std::string& bytes);

  void SetRegistryValue(const std::u16string& key, const std::u16string& name,
                        const std::vector<uint8_t>& data);
  // Key present but the value absent.
  void SetRegistryKey(const std::u16string& key);
  void SetVersion(uint32_t major, uint32_t minor) { major_ = major; minor_ = minor; }
  void FailGetVersion() { versionFails_ = true; }

  // ---- Reading back.
  // Text with every other console event in braces, in order: colour
  // changes as "{0C}", commands as "{cls}", waits as "{sleep 3000}", write
  // guards as "{guard on}"/"{guard off}".
  const std::string& Screen() const { return screen_; }
  // Only the text.
  const std::string& Text() const { return text_; }
  void ClearScreen() { screen_.clear(); text_.clear(); }

  int OpenFiles() const { return openFiles_; }
  int OpenCount(const std::string& path) const;
  uint64_t BytesRead(const std::string& path) const;
  uint64_t TotalBytesRead() const;
  int Searches() const { return searches_; }

  // ---- Platform.
  void Write(const char* text, size_t length) override;
  void* StdOutputHandle() override { return kConsole; }
  void SetTextAttribute(void* console, uint16_t attribute) override;
  void RunCommand(const char* command) override;
  void Sleep(uint32_t milliseconds) override;
  bool GetVersion(OsVersionInfoW* info) override;
  bool ReadMachineRegistryValue(const char16_t* key, const char16_t* name,
                                std::vector<uint8_t>* data) override;
  int WideToAnsi(const char16_t* text, int units, char* out, int outSize) override;
  std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) override;
  std::unique_ptr<ByteSource> OpenForRead(const char* path) override;
  void BeginCriticalWrite() override;
  void EndCriticalWrite() override;

  struct FileData {
    std::string path;
    std::string bytes;
    uint64_t size = 0;  // at least bytes.size(); the rest reads as zeros
    bool openable = true;
    int opens = 0;
    uint64_t bytesRead = 0;
  };

 private:
  friend class FakeFile;
  FileData* Find(const std::string& path);
  const FileData* Find(const std::string& path) const;
  void Event(const std::string& text);

  std::vector<FileData> files_;
  std::map<std::u16string, std::vector<uint8_t>> registry_;
  std::vector<std::u16string> keys_;
  uint32_t major_ = 10;
  uint32_t minor_ = 0;
  bool versionFails_ = false;
  std::string screen_;
  std::string text_;
  int openFiles_ = 0;
  int searches_ = 0;
};

// UTF-16LE bytes of a registry multi-string: each string, a zero, and the
// closing empty string.
std::vector<uint8_t> MultiString(const std::vector<std::string>& strings);

#endif  // QUILLET_TESTS_FAKE_PLATFORM_H_
