#include "fake_console.h"

#include <cstdio>

namespace {
int dummyConsole;
}  // namespace

void* const FakeConsole::kConsole = &dummyConsole;

void FakeConsole::Write(const char* text, size_t length) {
  screen_.append(text, length);
  text_.append(text, length);
}

void FakeConsole::SetTextAttribute(void* console, uint16_t attribute) {
  char event[16];
  std::snprintf(event, sizeof event, "%02X%s", attribute, console == kConsole ? "" : "@other");
  Event(event);
}
