// Win32 helpers that more than one of our Windows programs needs, each
// written once: text between the code pages, the UTC clock, absolute
// paths, replacing a file whole, the Windows version and the WoW64
// question. Only *_win32.cpp
// files include this; it needs no <windows.h> of its callers.
#ifndef QUILLET_COMMON_WIN32_COMMON_H_
#define QUILLET_COMMON_WIN32_COMMON_H_

#include <cstdint>
#include <string>

#include "updater_choice.h"

namespace win32 {

// Conversions, each through the code page its name gives: the ANSI code
// page (CP_ACP) for the texts of the A functions and the updater's own
// text, UTF-8 for the launcher's wide command line. An empty result when
// the text does not convert.
std::wstring AnsiToWide(const std::string& ansi);
std::string WideToAnsi(const std::wstring& wide);
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

// The time now, in UTC, as ISO 8601: "2026-12-08T21:35:07Z".
std::string UtcNow();

// `path` made absolute from the current directory; empty when the platform
// cannot say, so that no caller goes on with a path that still depends on a
// directory it may change.
std::wstring FullPath(const std::wstring& path);

enum class SaveResult {
  kWritten,
  kExists,  // not `replace`, and a file of that name is there
  kFailed,  // nothing was written, or the file could not be put in place
};

// Writes `text` to `path` whole or not at all: to "<path>.<process id>.tmp"
// beside it first, flushed, then moved into place, so that a reader finds
// the old file or the whole new one. An existing file is replaced only with
// `replace`. The temporary file is gone again whatever the result.
SaveResult SaveFileWhole(const std::wstring& path, const std::string& text, bool replace);

// The version Windows reports to this program (6.2 on later releases, under
// our manifest); false when it reports none.
bool ReportedWindowsVersion(uint32_t* major, uint32_t* minor, uint32_t* build);

// Looks up IsWow64Process in kernel32 at run time and, if it is there, asks
// it about the current process.
Wow64Answer QueryWow64();

}  // namespace win32

#endif  // QUILLET_COMMON_WIN32_COMMON_H_
