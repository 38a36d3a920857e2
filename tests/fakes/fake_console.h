// An in-memory console: text and every other console event, in the order
// they happen.
#ifndef QUILLET_TESTS_FAKE_CONSOLE_H_
#define QUILLET_TESTS_FAKE_CONSOLE_H_

#include <cstdint>
#include <string>

#include "platform.h"

class FakeConsole : public Console {
 public:
  // The handle StdOutputHandle gives; colour changes on any other handle
  // show up in the screen as "{0C@other}".
  static void* const kConsole;

  // Text with every other event in braces, in order: colour changes as
  // "{0C}", commands as "{cls}", and what other doubles add with Event.
  const std::string& Screen() const { return screen_; }
  // Only the text.
  const std::string& Text() const { return text_; }
  void ClearScreen() {
    screen_.clear();
    text_.clear();
  }
  // Adds "{text}" to the screen.
  void Event(const std::string& text) { screen_ += "{" + text + "}"; }

  void Write(const char* text, size_t length) override;
  void* StdOutputHandle() override { return kConsole; }
  void SetTextAttribute(void* console, uint16_t attribute) override;
  void RunCommand(const char* command) override { Event(command); }

 private:
  std::string screen_;
  std::string text_;
};

#endif  // QUILLET_TESTS_FAKE_CONSOLE_H_
