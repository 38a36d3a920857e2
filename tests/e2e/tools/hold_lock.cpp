// Holds a named mutex, as any program of any user could: the end-to-end
// tests show that an object under a name our locks no longer use blocks no
// update.
//
// Usage: hold_lock <name> <seconds>
// Prints "held" once it holds the mutex, then keeps it for <seconds>.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: hold_lock <name> <seconds>\n");
    return 2;
  }
  HANDLE mutex = CreateMutexA(nullptr, TRUE, argv[1]);
  if (mutex == nullptr) {
    std::printf("not held: %lu\n", GetLastError());
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
  CloseHandle(mutex);
  return 0;
}
