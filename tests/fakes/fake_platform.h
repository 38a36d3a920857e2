// The three role doubles as one machine, for tests of whole steps: the
// system's waits and write guards show on the console's screen, in order
// with the text.
#ifndef QUILLET_TESTS_FAKE_PLATFORM_H_
#define QUILLET_TESTS_FAKE_PLATFORM_H_

#include "fake_console.h"
#include "fake_files.h"
#include "fake_system.h"

class FakePlatform : public FakeConsole, public FakeFiles, public FakeSystem {
 protected:
  void SystemEvent(const std::string& text) override { Event(text); }
};

#endif  // QUILLET_TESTS_FAKE_PLATFORM_H_
