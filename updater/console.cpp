#include "console.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform.h"
#include "updater_state.h"

void Print(Platform& os, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length > 0) {
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, args);
    os.Write(text.data(), static_cast<size_t>(length));
  }
  va_end(args);
}

void SetColour(const UpdaterState& state, Platform& os, uint16_t attribute) {
  os.SetTextAttribute(state.ConsoleHandle, attribute);
}
