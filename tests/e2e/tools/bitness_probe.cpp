// Says which bitness it was built for and what IsWow64Process answers. The
// prefix's preparation runs it before any test relies on programs of that
// bitness: a Wine that cannot run a program does not always end it with a
// failing status, so only the text shows that it ran.
#include <windows.h>

#include <cstdio>

int main() {
  // Looked up at run time, as the launcher does.
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  if (isWow64 == nullptr || !isWow64(GetCurrentProcess(), &wow64)) {
    std::printf("IsWow64Process failed\n");
    return 1;
  }
  std::printf("pointer bits %u, wow64 %d\n", static_cast<unsigned>(sizeof(void*) * 8),
              wow64 ? 1 : 0);
  return 0;
}
