// Random-access reading of a file's bytes, as the image format and the
// settings scanner need it. An open ByteSource is an open file: it is closed
// when the object goes away.
#ifndef QUILLET_FWIMAGE_BYTE_SOURCE_H_
#define QUILLET_FWIMAGE_BYTE_SOURCE_H_

#include <cstddef>
#include <cstdint>

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Length of the file in bytes.
  virtual uint64_t Size() = 0;
  // Reads up to `count` bytes at absolute `offset` into `buffer`; returns how
  // many were read (fewer at the end of the file, 0 past it or on failure).
  virtual size_t ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
};

#endif  // QUILLET_FWIMAGE_BYTE_SOURCE_H_
