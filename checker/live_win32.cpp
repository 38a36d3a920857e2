// The kit checker's --live on Windows: the maker's library loaded at run
// time from the kit, never imported, so that the checker starts where the
// library is missing; and the computer's share of a live check.
#include <windows.h>
// After windows.h, which they need.
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bundle_parts.h"
#include "driver_session.h"
#include "live_check.h"
#include "platform.h"
#include "tz415api.h"
#include "win32_common.h"

namespace check {

namespace {

using VersionCall = int(TZ415API_CALL*)(uint32_t*);
using TableCall = int(TZ415API_CALL*)(void*);
using ProgramCall = int(TZ415API_CALL*)(uint8_t, const char*, int);

template <typename Call>
Call Export(HMODULE module, const char* name, std::string* missing) {
  FARPROC found = GetProcAddress(module, name);
  if (found == nullptr) *missing += std::string(missing->empty() ? "" : ", ") + name;
  return reinterpret_cast<Call>(reinterpret_cast<void*>(found));
}

// The library stays loaded until the process ends: it may keep the address
// of the record's head, which it was handed, for as long as it is loaded.
class LoadedLibrary : public HubLibrary {
 public:
  bool Load(HMODULE module, std::string* missing) {
    getDllVersion_ = Export<VersionCall>(module, "TA_GetDllVersion", missing);
    setIniInfo_ = Export<TableCall>(module, "TA_SetIniInfo", missing);
    getEnumInfo_ = Export<TableCall>(module, "TA_GetEnumInfo", missing);
    // Looked up only to tell the maker's library from another DLL; never
    // called.
    Export<ProgramCall>(module, "TA_UpdateISP", missing);
    return missing->empty();
  }
  void GetDllVersion(uint32_t* version) override { getDllVersion_(version); }
  void SetIniInfo(void* head) override { setIniInfo_(head); }
  void GetEnumInfo(uint8_t* deviceCount) override { getEnumInfo_(deviceCount); }
  int UpdateISP(uint8_t, const char*, int) override { return -1; }

 private:
  VersionCall getDllVersion_ = nullptr;
  TableCall setIniInfo_ = nullptr;
  TableCall getEnumInfo_ = nullptr;
};

// Windows' own verdict on the file's embedded signature: revocation is not
// checked and nothing is fetched, so that a bundle never reaches the network.
LONG VerifyTrust(const std::wstring& path) {
  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = path.c_str();
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  HWND noWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
  const LONG status = WinVerifyTrust(noWindow, &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(noWindow, &action, &data);
  return status;
}

// The subject's name (its common name) of the certificate the signature's
// first signer names, in *name; false when the file carries no signature.
bool SignerName(const std::wstring& path, std::string* name) {
  HCERTSTORE store = nullptr;
  HCRYPTMSG message = nullptr;
  if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(),
                        CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY,
                        0, nullptr, nullptr, nullptr, &store, &message, nullptr)) {
    return false;
  }
  DWORD size = 0;
  std::vector<BYTE> info;
  if (CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size)) info.resize(size);
  if (!info.empty() && CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, info.data(), &size)) {
    const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(info.data());
    CERT_INFO wanted = {};
    wanted.Issuer = signer->Issuer;
    wanted.SerialNumber = signer->SerialNumber;
    PCCERT_CONTEXT certificate =
        CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                   CERT_FIND_SUBJECT_CERT, &wanted, nullptr);
    if (certificate != nullptr) {
      DWORD chars =
          CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
      std::wstring wide(chars, L'\0');
      if (chars > 1)
        CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, &wide[0], chars);
      wide.resize(chars > 1 ? chars - 1 : 0);
      *name = win32::WideToAnsi(wide);
      CertFreeCertificateContext(certificate);
    }
  }
  CryptMsgClose(message);
  CertCloseStore(store, 0);
  return true;
}

// Why Windows does not trust a signed program, a phrase.
std::string UntrustedWhy(LONG status) {
  switch (static_cast<HRESULT>(status)) {
    case CERT_E_UNTRUSTEDROOT: return "its root certificate is not trusted on this computer";
    case CERT_E_CHAINING: return "its certificates do not chain to a trusted root";
    case CERT_E_EXPIRED: return "its certificate has expired";
    case CERT_E_WRONG_USAGE: return "its certificate is not for signing programs";
    case TRUST_E_BAD_DIGEST: return "the file has changed since it was signed";
    case TRUST_E_EXPLICIT_DISTRUST: return "its signer is distrusted on this computer";
    case TRUST_E_NOSIGNATURE: return "Windows finds no signature it can verify";
    default: break;
  }
  char code[32];
  std::snprintf(code, sizeof code, "error 0x%08lX", static_cast<unsigned long>(status));
  return code;
}

class Win32Computer : public LiveComputer {
 public:
  bool ProcessIs64Bit() override { return sizeof(void*) == 8; }

  bool WindowsIs64Bit() override { return Is64BitWindows(ProcessIs64Bit(), win32::QueryWow64()); }

  std::string UtcNow() override { return win32::UtcNow(); }

  std::string ReportedWindowsVersion() override {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    if (!win32::ReportedWindowsVersion(&major, &minor, &build)) return std::string();
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build);
  }

  std::unique_ptr<HubLibrary> LoadHubLibrary(const std::string& path, std::string* why) override {
    // By its full path, and what it imports only from its own folder and
    // the system folder: no DLL planted in the working directory or along
    // PATH is loaded in its place.
    std::wstring wide = win32::AnsiToWide(path);
    HMODULE module =
        wide.empty()
            ? nullptr
            : LoadLibraryExW(wide.c_str(), nullptr,
                             LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
      *why = "cannot be loaded (error " + std::to_string(GetLastError()) + ")";
      return nullptr;
    }
    auto library = std::make_unique<LoadedLibrary>();
    std::string missing;
    if (!library->Load(module, &missing)) {
      FreeLibrary(module);
      *why = "does not export " + missing + ": it is not the hub library";
      return nullptr;
    }
    return library;
  }

  ProgramSignature SignatureOf(const std::string& path) override {
    const std::wstring wide = win32::AnsiToWide(path);
    ProgramSignature signature;
    signature.kind = ProgramSignature::Kind::kUnsigned;
    if (!SignerName(wide, &signature.signer)) return signature;
    signature.kind = ProgramSignature::Kind::kSigned;
    const LONG status = VerifyTrust(wide);
    signature.trusted = status == ERROR_SUCCESS;
    if (!signature.trusted) signature.why = UntrustedWhy(status);
    return signature;
  }
};

class Win32WorkingFolder : public WorkingFolder {
 public:
  std::string FullPath(const std::string& path) override {
    return win32::WideToAnsi(win32::FullPath(win32::AnsiToWide(path)));
  }

  std::string WorkingDirectory() override {
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    std::string directory(needed, '\0');
    DWORD got = needed == 0 ? 0 : GetCurrentDirectoryA(needed, &directory[0]);
    directory.resize(got < needed ? got : 0);
    return directory;
  }

  bool ChangeDirectory(const std::string& path) override {
    return SetCurrentDirectoryA(path.c_str()) != FALSE;
  }
};

}  // namespace

const LiveMachine& Win32LiveRoles() {
  static Win32Computer computer;
  static Win32WorkingFolder folder;
  static const LiveMachine roles = {computer, folder, Win32SystemRole(), Win32SessionRole()};
  return roles;
}

}  // namespace check
