// SHA-256 through libcrypto's EVP interface, for the host programs and the
// test doubles (the SHA256_* calls are deprecated).
#include <openssl/evp.h>

#include "sha256.h"

namespace {

class LibcryptoSha256 : public Sha256 {
 public:
  explicit LibcryptoSha256(EVP_MD_CTX* context) : context_(context) {}
  ~LibcryptoSha256() override { EVP_MD_CTX_free(context_); }
  LibcryptoSha256(const LibcryptoSha256&) = delete;
  LibcryptoSha256& operator=(const LibcryptoSha256&) = delete;

  bool Update(const void* data, size_t length) override {
    return EVP_DigestUpdate(context_, data, length) == 1;
  }

  bool Finish(imagesums::Digest* digest) override {
    unsigned int length = 0;
    return EVP_DigestFinal_ex(context_, digest->data(), &length) == 1 && length == digest->size();
  }

 private:
  EVP_MD_CTX* context_;
};

}  // namespace

std::unique_ptr<Sha256> NewLibcryptoSha256() {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  if (context == nullptr) return nullptr;
  if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(context);
    return nullptr;
  }
  return std::make_unique<LibcryptoSha256>(context);
}
