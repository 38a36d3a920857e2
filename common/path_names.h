// A path's last name and the folder that holds it, for paths as Windows
// writes them and as a host gives them: '\' and '/' both separate, a
// drive's ':' ends its letter, and separators at the end say nothing.
#ifndef QUILLET_COMMON_PATH_NAMES_H_
#define QUILLET_COMMON_PATH_NAMES_H_

#include <string>

// "x64" of "C:\kits\x64\", "kits/x64" or "C:x64"; the whole path when it
// has no separator. A kit, a folder or an image is named by this alone,
// never by where it lies.
std::string LastName(const std::string& path);

// "C:\kits" of "C:\kits\x64\"; empty when the path names no folder above
// its last name.
std::string ParentOf(const std::string& path);

#endif  // QUILLET_COMMON_PATH_NAMES_H_
