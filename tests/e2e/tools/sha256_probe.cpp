// The updater's SHA-256 (CNG, sha256_win32.cpp) on NIST's three examples,
// one digest a line, after saying whether bcrypt.dll was loaded before the
// first hash and after it: a run without an image list must not load it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "sha256.h"

namespace {

bool Print(const std::string& message, size_t piece) {
  std::unique_ptr<Sha256> hash = NewCngSha256();
  if (!hash) return false;
  for (size_t at = 0; at < message.size(); at += piece) {
    if (!hash->Update(message.data() + at, std::min(piece, message.size() - at))) return false;
  }
  imagesums::Digest digest{};
  if (!hash->Finish(&digest)) return false;
  std::printf("%s\n", imagesums::DigestHex(digest).c_str());
  return true;
}

}  // namespace

int main() {
  std::printf("bcrypt before %d\n", GetModuleHandleW(L"bcrypt.dll") != nullptr ? 1 : 0);
  bool good = Print("abc", 3) &&
              Print("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 7) &&
              Print(std::string(1000000, 'a'), 4096);
  std::printf("bcrypt after %d\n", GetModuleHandleW(L"bcrypt.dll") != nullptr ? 1 : 0);
  return good ? 0 : 1;
}
