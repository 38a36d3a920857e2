#include "printer.h"

#include <string>

#include "platform.h"

void Printer::PrintV(const char* format, va_list args) {
  const std::string text = FormatV(format, args);
  if (!text.empty()) console_.Write(text.data(), text.size());
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
