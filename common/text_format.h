// printf into a std::string, for every text that is built before it is
// printed or written: the updater's printer, the checker's reports.
#ifndef QUILLET_COMMON_TEXT_FORMAT_H_
#define QUILLET_COMMON_TEXT_FORMAT_H_

#include <cstdarg>
#include <string>

// The compilers that know it check each call's arguments against its format.
#if defined(__GNUC__)
#define QUILLET_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define QUILLET_PRINTF(f, a)
#endif

// The whole text, however long; empty when the format cannot be rendered
// (an encoding error), so that a caller never gets a text cut short.
std::string Format(const char* format, ...) QUILLET_PRINTF(1, 2);
std::string FormatV(const char* format, va_list args);

#endif  // QUILLET_COMMON_TEXT_FORMAT_H_
