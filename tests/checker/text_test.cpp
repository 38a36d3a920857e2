// The text helpers shared by the checker's two reports.
#include <gtest/gtest.h>

#include <cstdint>

#include "text.h"

namespace {

TEST(KitCheck, PrintableFieldsEscapeWhatATerminalWouldNotShow) {
  const uint8_t field[] = {'A', '\\', 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 'z', 0, 'x'};
  EXPECT_EQ("A\\\\\\x01\\xFF*4z", check::Printable(field, sizeof field));
}

}  // namespace
