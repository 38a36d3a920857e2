// How the settings reader reads a value out of a line: numbers as formatted
// input reads "%X" and "%d", and the first word as "%s".
#ifndef QUILLET_UPDATER_SETTINGS_SYNTAX_H_
#define QUILLET_UPDATER_SETTINGS_SYNTAX_H_

#include <cstdint>

#include "run_state.h"

// The reader's one message of its own, for a file it cannot open.
constexpr char kFileNotFound[] = "!!!Error %s not found!\n";

// On success `text` is moved past the number.
bool ScanHex(const char*& text, uint32_t* value);
bool ScanDecimal(const char* text, int32_t* value);
// The first word into `destination`, which a line always fits.
bool ScanWord(const char* text, char* destination);
void CopyText(const char* text, char (&destination)[kTextSize]);
bool Contains(const char* line, const char* text);
// The value is what follows the first '=' of the line.
const char* ValueOf(const char* line);
// Nothing but blanks, or a comment.
bool IsBlankOrComment(const char* line);

#endif  // QUILLET_UPDATER_SETTINGS_SYNTAX_H_
