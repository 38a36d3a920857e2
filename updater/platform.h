// Everything the updater asks of Windows, in one narrow interface. The
// program implements it in updater_win32.cpp; the host tests implement it
// with an in-memory console, file tree and registry.
#ifndef QUILLET_UPDATER_PLATFORM_H_
#define QUILLET_UPDATER_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "byte_source.h"

struct OsVersionInfoW;

// A running wildcard search of one directory.
class DirectorySearch {
 public:
  virtual ~DirectorySearch() = default;
  // The current entry's file name (no directory), at most 259 characters.
  virtual const char* Name() const = 0;
  // Moves to the next entry; false when there is none.
  virtual bool Next() = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Console. Write's text has reached the console when it returns, so a
  // colour change after it never colours text printed before it.
  virtual void Write(const char* text, size_t length) = 0;
  virtual void* StdOutputHandle() = 0;
  virtual void SetTextAttribute(void* console, uint16_t attribute) = 0;
  // Runs one command line through the command interpreter ("cls", "PAUSE").
  virtual void RunCommand(const char* command) = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;

  // Version and registry.
  // GetVersionExW: info->dwOSVersionInfoSize must be set by the caller.
  virtual bool GetVersion(OsVersionInfoW* info) = 0;
  // Reads a value under HKEY_LOCAL_MACHINE whole, whatever its length. False
  // when the key or the value cannot be read; `data` is then empty.
  virtual bool ReadMachineRegistryValue(const char16_t* key,
                                        const char16_t* name,
                                        std::vector<uint8_t>* data) = 0;
  // WideCharToMultiByte into the ANSI code page, no flags, no default
  // character. With outSize 0 it returns the size needed.
  virtual int WideToAnsi(const char16_t* text, int units, char* out,
                         int outSize) = 0;

  // Files. The search starts at its first entry; null when it cannot start
  // (no such directory, or nothing matches). Patterns match without regard
  // to letter case.
  virtual std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) = 0;
  // Opens for reading, denying nothing to other openers; null on failure.
  virtual std::unique_ptr<ByteSource> OpenForRead(const char* path) = 0;

  // Guards a flash write: while a guard is held the console's break keys do
  // not end the process and the computer is kept awake.
  virtual void BeginCriticalWrite() = 0;
  virtual void EndCriticalWrite() = 0;
};

// The program's own platform, over Win32 (updater_win32.cpp); the host build
// has none.
std::unique_ptr<Platform> NewWin32Platform();

#endif  // QUILLET_UPDATER_PLATFORM_H_
