#include "printer.h"

#include <cstdio>
#include <string>

#include "platform.h"

void Printer::PrintV(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) return;
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::vsnprintf(&text[0], text.size(), format, args);
  console_.Write(text.data(), static_cast<size_t>(length));
}

void Printer::Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintV(format, args);
  va_end(args);
}

void Printer::PrintInColour(uint16_t attribute, const char* format, ...) {
  SetColour(attribute);
  va_list args;
  va_start(args, format);
  PrintV(format, args);
  va_end(args);
  SetColour(kColourNormal);
}

void Printer::RunCommand(const char* command) { console_.RunCommand(command); }

void Printer::TakeConsoleHandle() { handle_ = console_.StdOutputHandle(); }

void Printer::SetColour(uint16_t attribute) { console_.SetTextAttribute(handle_, attribute); }
