// A file read whole, up to a limit that the caller sets by what the file
// can be: an image list, a settings file, a hub description, a bundle. A
// file past its limit is never taken in part as if it were the whole.
#ifndef QUILLET_COMMON_WHOLE_FILE_H_
#define QUILLET_COMMON_WHOLE_FILE_H_

#include <cstdint>
#include <string>

#include "byte_source.h"

enum class WholeFile {
  kRead,        // `text` holds the whole file
  kTooLarge,    // more than `limit` bytes; `text` holds the first `limit`
  kUnreadable,  // it could not be opened, or not read to its size
};

// An open file of the files role.
WholeFile ReadWhole(ByteSource& source, uint64_t limit, std::string* text);

// A file of the host, by the path the user gave, read to its end rather
// than by its size, so that a pipe reads as well as a file.
WholeFile ReadWholeFile(const std::string& path, uint64_t limit, std::string* text);

#endif  // QUILLET_COMMON_WHOLE_FILE_H_
