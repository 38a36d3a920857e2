// SHA-256 as the system gives it, fed in pieces: CNG on Windows
// (sha256_win32.cpp), libcrypto elsewhere (sha256_openssl.cpp). Neither is
// written here: a hash of our own would be one more thing to get wrong in
// the one check that must not be wrong. The updater's files role hands one
// out; the launcher hashes the kit's image list with it.
#ifndef QUILLET_SHA256_SHA256_H_
#define QUILLET_SHA256_SHA256_H_

#include <cstddef>
#include <functional>
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

enum class HashOutcome {
  kHashed,
  kUnreadable,  // a read failed, or the file ended before its size
  kNoHash,      // the system's hash refused the data
};

// Fills `buffer` with up to `count` bytes of a file, in order, and says how
// many in *got: 0 at its end. False when the read failed.
using ReadPiece = std::function<bool(void* buffer, size_t count, size_t* got)>;

// Hashes what `read` yields, piece after piece, up to its end, and finishes
// the hash: the one loop of every program that hashes a file.
HashOutcome HashPieces(Sha256& hash, const ReadPiece& read, imagesums::Digest* digest);

#endif  // QUILLET_SHA256_SHA256_H_
