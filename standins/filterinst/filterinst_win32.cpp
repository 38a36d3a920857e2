// TZ415FilterInst.exe, our stand-in for the maker's filter-driver installer:
// "i" registers tz415filter as an upper filter of the USB device class, "u"
// removes it. The registry calls are here; the list logic in filter_list.cpp.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "filter_list.h"
#include "shared_names.h"

namespace {

const wchar_t kClassKey[] = L"" QUILLET_USB_CLASS_KEY;
const wchar_t kValueName[] = L"UpperFilters";

class Win32FilterRegistry : public filterinst::FilterRegistry {
 public:
  ~Win32FilterRegistry() override {
    if (key_ != nullptr) RegCloseKey(key_);
  }

  Status OpenClassKey(bool create, long* error) override {
    const REGSAM access = KEY_QUERY_VALUE | KEY_SET_VALUE;
    LONG result = create ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, nullptr, 0, access,
                                           nullptr, &key_, nullptr)
                         : RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, access, &key_);
    if (result == ERROR_SUCCESS) return Status::kOk;
    key_ = nullptr;
    *error = result;
    return result == ERROR_FILE_NOT_FOUND && !create ? Status::kMissing : Status::kFailed;
  }

  Status ReadUpperFilters(std::u16string* data, uint32_t* type, long* error) override {
    DWORD size = 0;
    DWORD kind = 0;
    LONG result = RegQueryValueExW(key_, kValueName, nullptr, &kind, nullptr, &size);
    // The value may grow between the two calls; ask again until it fits.
    std::vector<BYTE> bytes;
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
      bytes.resize(size + sizeof(wchar_t));
      DWORD got = size;
      result = RegQueryValueExW(key_, kValueName, nullptr, &kind, bytes.data(), &got);
      if (result == ERROR_SUCCESS) {
        data->assign(reinterpret_cast<const char16_t*>(bytes.data()), got / sizeof(char16_t));
        *type = kind;
        return Status::kOk;
      }
      size = got;
    }
    *error = result;
    return result == ERROR_FILE_NOT_FOUND ? Status::kMissing : Status::kFailed;
  }

  bool WriteUpperFilters(const std::u16string& data, long* error) override {
    LONG result = RegSetValueExW(key_, kValueName, 0, REG_MULTI_SZ,
                                 reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size() * sizeof(char16_t)));
    *error = result;
    return result == ERROR_SUCCESS;
  }

  bool DeleteUpperFilters(long* error) override {
    LONG result = RegDeleteValueW(key_, kValueName);
    *error = result;
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  Win32FilterRegistry registry;
  std::string message;
  int status = filterinst::RunInstaller(args, registry, &message);
  if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
  return status;
}
