#include "sha256.h"

#include <vector>

namespace {

// Large enough that the hash, not the reads, sets the pace.
constexpr size_t kHashPiece = 1 << 16;

}  // namespace

HashOutcome HashPieces(Sha256& hash, const ReadPiece& read, imagesums::Digest* digest) {
  std::vector<char> piece(kHashPiece);
  for (;;) {
    size_t got = 0;
    if (!read(piece.data(), piece.size(), &got)) return HashOutcome::kUnreadable;
    if (got == 0) break;
    if (!hash.Update(piece.data(), got)) return HashOutcome::kNoHash;
  }
  return hash.Finish(digest) ? HashOutcome::kHashed : HashOutcome::kNoHash;
}
