// The updater's printer: the one owner of the console. All text goes through
// it, each formatted piece reaching the console before the call returns, and
// every colour change is made on the console handle it keeps.
#ifndef QUILLET_UPDATER_PRINTER_H_
#define QUILLET_UPDATER_PRINTER_H_

#include <cstdarg>
#include <cstdint>

#include "text_format.h"

class Console;

// Console character attributes the updater uses.
enum ConsoleColour : uint16_t {
  kColourNormal = 0x07,
  kColourError = 0x0C,
  kColourSameLevel = 0x2F,
  kColourDoNotDisconnect = 0xE0,
  kColourPowerCycle = 0x20,
};

class Printer {
 public:
  // Until the console handle is taken, colours go to no handle.
  explicit Printer(Console& console) : console_(console) {}

  void Print(const char* format, ...) QUILLET_PRINTF(2, 3);
  // A coloured passage: the colour, the text, then back to normal.
  void PrintInColour(uint16_t attribute, const char* format, ...) QUILLET_PRINTF(3, 4);
  // "cls" and "PAUSE", through the command interpreter.
  void RunCommand(const char* command);
  // From here on colours go to the console's output handle.
  void TakeConsoleHandle();

 private:
  void PrintV(const char* format, va_list args);
  void SetColour(uint16_t attribute);

  Console& console_;
  void* handle_ = nullptr;
};

#endif  // QUILLET_UPDATER_PRINTER_H_
