#include "whole_file.h"

#include <cstdio>

WholeFile ReadWhole(ByteSource& source, uint64_t limit, std::string* text) {
  const uint64_t size = source.Size();
  const uint64_t wanted = size < limit ? size : limit;
  text->assign(static_cast<size_t>(wanted), '\0');
  if (wanted > 0 && source.ReadAt(0, &(*text)[0], text->size()) != text->size()) {
    text->clear();
    return WholeFile::kUnreadable;
  }
  return size > limit ? WholeFile::kTooLarge : WholeFile::kRead;
}

WholeFile ReadWholeFile(const std::string& path, uint64_t limit, std::string* text) {
  text->clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return WholeFile::kUnreadable;
  char buffer[65536];
  size_t got = 0;
  // One byte past the limit tells a file of exactly `limit` bytes from a
  // longer one.
  while (text->size() <= limit && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    text->append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    text->clear();
    return WholeFile::kUnreadable;
  }
  if (text->size() <= limit) return WholeFile::kRead;
  text->resize(static_cast<size_t>(limit));
  return WholeFile::kTooLarge;
}
