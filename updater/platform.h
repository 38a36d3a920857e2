// What the updater asks of Windows, cut by role so that each step's
// signature names only what it touches. The program implements each role
// in a *_win32.cpp of its own (below); the host tests implement each with
// an in-memory double.
#ifndef QUILLET_UPDATER_PLATFORM_H_
#define QUILLET_UPDATER_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "byte_source.h"
#include "sha256.h"

// The console. Only the printer (printer.h) talks to it.
class Console {
 public:
  virtual ~Console() = default;
  // The text has reached the console when this returns, so a colour change
  // after it never colours text printed before it.
  virtual void Write(const char* text, size_t length) = 0;
  // The handle colour changes are made on. Taken once, after the banner.
  virtual void* StdOutputHandle() = 0;
  virtual void SetTextAttribute(void* console, uint16_t attribute) = 0;
  // Runs one command line through the command interpreter ("cls", "PAUSE").
  virtual void RunCommand(const char* command) = 0;
};

// A running wildcard search of one directory.
class DirectorySearch {
 public:
  virtual ~DirectorySearch() = default;
  // The current entry's file name (no directory), at most 259 characters.
  virtual const char* Name() const = 0;
  // Moves to the next entry; false when there is none.
  virtual bool Next() = 0;
};

// Reading files: the settings and the images.
class Files {
 public:
  virtual ~Files() = default;
  // The search starts at its first entry; null when it cannot start (no such
  // directory, or nothing matches). Patterns match without regard to letter
  // case, in the file system's own order.
  virtual std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) = 0;
  // Opens for reading, denying nothing to other openers; null on failure.
  virtual std::unique_ptr<ByteSource> OpenForRead(const char* path) = 0;
  // A fresh SHA-256 of the system's, asked for only when an image list
  // exists. Null when there is none: every listed image is then refused,
  // so a role that gives none fails closed.
  virtual std::unique_ptr<Sha256> NewSha256() { return nullptr; }
};

// Everything else the run needs of the machine.
class System {
 public:
  virtual ~System() = default;
  // The version Windows reports to this program; false when it cannot say.
  virtual bool WindowsVersion(uint32_t* major, uint32_t* minor) = 0;
  // Reads a value under HKEY_LOCAL_MACHINE whole, whatever its length. False
  // when the key or the value cannot be read; `data` is then empty.
  virtual bool ReadMachineRegistryValue(const char16_t* key, const char16_t* name,
                                        std::vector<uint8_t>* data) = 0;
  // The text in the ANSI code page, one byte string per unit sequence; empty
  // when it cannot be converted.
  virtual std::string WideToAnsi(const std::u16string& text) = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
  // The time now, UTC, as "2026-12-09T06:16:58Z": when a write was made,
  // for the results the launcher asked for.
  virtual std::string UtcNow() = 0;

 private:
  friend class CriticalWrite;
  // While the guard is held the console's break keys do not end the process
  // and the computer is kept awake.
  virtual void BeginCriticalWrite() = 0;
  virtual void EndCriticalWrite() = 0;
};

// Held around a flash write: a break key or a sleeping computer in the
// middle of one would leave the hub with half an image. Scoped, so no path
// can leave it held.
class CriticalWrite {
 public:
  explicit CriticalWrite(System& system) : system_(system) { system_.BeginCriticalWrite(); }
  ~CriticalWrite() { system_.EndCriticalWrite(); }
  CriticalWrite(const CriticalWrite&) = delete;
  CriticalWrite& operator=(const CriticalWrite&) = delete;

 private:
  System& system_;
};

// What the updater shares with the launcher and with other updaters on the
// computer (the contract is common/updater_results.h).
class Deployment {
 public:
  virtual ~Deployment() = default;
  // The write lock, held until the process ends; false when another
  // updater holds it.
  virtual bool TakeWriteLock() = 0;
  // The results text into the launcher's named section; false when the
  // section cannot be opened or the text does not fit.
  virtual bool WriteResults(const char* name, const std::string& text) = 0;
  // What the launcher put into the same section before the updater started
  // (the pending writes); empty when there is nothing or it cannot be read.
  virtual std::string ReadPending(const char* name) {
    (void)name;
    return std::string();
  }
};

// The program's own roles over Win32: the console and the deployment in
// updater_win32.cpp, the files in files_win32.cpp (with the system's SHA-256
// in sha256_win32.cpp), the system in system_win32.cpp. The host build has
// none.
Console& Win32ConsoleRole();
Files& Win32FilesRole();
System& Win32SystemRole();
Deployment& Win32DeploymentRole();

#endif  // QUILLET_UPDATER_PLATFORM_H_
