// Pieces of readable ctest names for parametrised tests: gtest takes only
// letters, digits and underscores, and numbers alone say nothing.
#ifndef QUILLET_TESTS_SUPPORT_PARAM_NAMES_H_
#define QUILLET_TESTS_SUPPORT_PARAM_NAMES_H_

#include <cstdint>
#include <cstdio>
#include <string>

// 2 as "2", -1 as "Minus1".
inline std::string SignedName(int64_t value) {
  return value < 0 ? "Minus" + std::to_string(-value) : std::to_string(value);
}

// A 16-bit word as four hex digits, as the console shows versions.
inline std::string HexName(uint16_t word) {
  char text[5];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(word));
  return text;
}

#endif  // QUILLET_TESTS_SUPPORT_PARAM_NAMES_H_
