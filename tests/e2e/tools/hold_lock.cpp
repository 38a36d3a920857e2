// Holds a named object, as any program of any user could: the end-to-end
// tests show that an object under a name our locks no longer use blocks no
// update, and which objects under the locks' public signs keep which runs
// out.
//
// Usage: hold_lock [--section | --sign] <name> <seconds>
// Without an option, a mutex. --section: a section with the security any
// program gets by default. --sign: a section owned by the Administrators
// group with access for it and SYSTEM alone, as an elevated run shows one.
// Prints "held" once it holds the object, then keeps it for <seconds>, or
// with 0 until its standard input ends (a holder started through another
// program outlives that program's end).
#include <windows.h>
// windows.h first: sddl.h needs its types.
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const bool section = argc == 4 && std::strcmp(argv[1], "--section") == 0;
  const bool sign = argc == 4 && std::strcmp(argv[1], "--sign") == 0;
  if (argc != 3 && !section && !sign) {
    std::fprintf(stderr, "usage: hold_lock [--section | --sign] <name> <seconds>\n");
    return 2;
  }
  const char* name = argv[argc - 2];
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
  if (sign) {
    ConvertStringSecurityDescriptorToSecurityDescriptorA("O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)",
                                                         SDDL_REVISION_1,
                                                         &attributes.lpSecurityDescriptor, nullptr);
  }
  HANDLE held = section || sign ? CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes,
                                                     PAGE_READONLY, 0, 1, name)
                                : CreateMutexA(nullptr, TRUE, name);
  if (held == nullptr) {
    std::printf("not held: %lu\n", GetLastError());
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  const int seconds = std::atoi(argv[argc - 1]);
  if (seconds > 0) {
    Sleep(static_cast<DWORD>(seconds) * 1000);
  } else {
    while (std::getchar() != EOF) {
    }
  }
  CloseHandle(held);
  return 0;
}
