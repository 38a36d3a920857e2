// SHA-256 through Windows' CNG. bcrypt.dll is loaded on first use, by its
// full path in the system folder: a kit folder is writable by whoever
// unpacked it, so a bcrypt.dll lying there must never be the one taken. A
// run without an image list never gets here, so it loads nothing new.
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <string>
#include <vector>

#include "sha256.h"

namespace {

struct Cng {
  decltype(&BCryptOpenAlgorithmProvider) openProvider = nullptr;
  decltype(&BCryptCloseAlgorithmProvider) closeProvider = nullptr;
  decltype(&BCryptGetProperty) getProperty = nullptr;
  decltype(&BCryptCreateHash) createHash = nullptr;
  decltype(&BCryptHashData) hashData = nullptr;
  decltype(&BCryptFinishHash) finishHash = nullptr;
  decltype(&BCryptDestroyHash) destroyHash = nullptr;
  bool loaded = false;
};

template <typename Function>
bool Take(HMODULE library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return *function != nullptr;
}

// Loaded once and kept for the process: a handful of hashes per run.
const Cng* LoadCng() {
  static Cng cng;
  static bool tried = false;
  if (tried) return cng.loaded ? &cng : nullptr;
  tried = true;
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::wstring path(folder, length);
  path += L"\\bcrypt.dll";
  HMODULE library = LoadLibraryW(path.c_str());
  if (library == nullptr) return nullptr;
  cng.loaded = Take(library, "BCryptOpenAlgorithmProvider", &cng.openProvider) &&
               Take(library, "BCryptCloseAlgorithmProvider", &cng.closeProvider) &&
               Take(library, "BCryptGetProperty", &cng.getProperty) &&
               Take(library, "BCryptCreateHash", &cng.createHash) &&
               Take(library, "BCryptHashData", &cng.hashData) &&
               Take(library, "BCryptFinishHash", &cng.finishHash) &&
               Take(library, "BCryptDestroyHash", &cng.destroyHash);
  return cng.loaded ? &cng : nullptr;
}

class CngSha256 : public Sha256 {
 public:
  CngSha256(const Cng& cng, BCRYPT_ALG_HANDLE provider) : cng_(cng), provider_(provider) {}
  ~CngSha256() override {
    if (hash_ != nullptr) cng_.destroyHash(hash_);
    cng_.closeProvider(provider_, 0);
  }
  CngSha256(const CngSha256&) = delete;
  CngSha256& operator=(const CngSha256&) = delete;

  // Vista wants the hash object's memory from the caller; later systems
  // take it too.
  bool Start() {
    DWORD objectSize = 0;
    ULONG got = 0;
    if (!BCRYPT_SUCCESS(cng_.getProperty(provider_, BCRYPT_OBJECT_LENGTH,
                                         reinterpret_cast<PUCHAR>(&objectSize), sizeof(objectSize),
                                         &got, 0))) {
      return false;
    }
    object_.resize(objectSize);
    return BCRYPT_SUCCESS(
        cng_.createHash(provider_, &hash_, object_.data(), objectSize, nullptr, 0, 0));
  }

  bool Update(const void* data, size_t length) override {
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    while (length > 0) {
      ULONG piece = length > 0x40000000 ? 0x40000000 : static_cast<ULONG>(length);
      if (!BCRYPT_SUCCESS(cng_.hashData(hash_, bytes, piece, 0))) return false;
      bytes += piece;
      length -= piece;
    }
    return true;
  }

  bool Finish(imagesums::Digest* digest) override {
    return BCRYPT_SUCCESS(
        cng_.finishHash(hash_, digest->data(), static_cast<ULONG>(digest->size()), 0));
  }

 private:
  const Cng& cng_;
  BCRYPT_ALG_HANDLE provider_;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  std::vector<UCHAR> object_;
};

}  // namespace

std::unique_ptr<Sha256> NewCngSha256() {
  const Cng* cng = LoadCng();
  if (cng == nullptr) return nullptr;
  BCRYPT_ALG_HANDLE provider = nullptr;
  if (!BCRYPT_SUCCESS(cng->openProvider(&provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
    return nullptr;
  }
  auto hash = std::make_unique<CngSha256>(*cng, provider);
  if (!hash->Start()) return nullptr;
  return hash;
}
