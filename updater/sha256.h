// SHA-256 as the system gives it, fed in pieces. The files role hands one
// out (platform.h): CNG on Windows (sha256_win32.cpp), libcrypto elsewhere
// (sha256_openssl.cpp). Neither is written here: a hash of our own would be
// one more thing to get wrong in the one check that must not be wrong.
#ifndef QUILLET_UPDATER_SHA256_H_
#define QUILLET_UPDATER_SHA256_H_

#include <cstddef>
#include <memory>

#include "image_sums.h"

class Sha256 {
 public:
  virtual ~Sha256() = default;
  virtual bool Update(const void* data, size_t length) = 0;
  // Ends the hash; the object takes no more data after it.
  virtual bool Finish(imagesums::Digest* digest) = 0;
};

// Windows' CNG, bcrypt.dll loaded on the first call, so that a run without
// a list neither imports nor loads it. Null when it cannot be had.
std::unique_ptr<Sha256> NewCngSha256();
// libcrypto's EVP digest. Null when it cannot be had.
std::unique_ptr<Sha256> NewLibcryptoSha256();

#endif  // QUILLET_UPDATER_SHA256_H_
