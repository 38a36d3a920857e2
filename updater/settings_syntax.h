// How the settings reader reads a line: where a section starts and ends,
// which lines hold a key, and a value out of a line, numbers as formatted
// input reads "%X" and "%d" and the first word as "%s".
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
// True when the reader takes `line` as a line of `key`.
bool IsKeyLine(const char* line, const char* key);

// Where the reader's pass for one section stands, line by line: the section
// is what follows the first line holding its start, up to the next line
// holding a '['. A second section of the same name is never read.
class SectionTracker {
 public:
  enum Place { kOutside, kStart, kInside };
  explicit SectionTracker(const char* start) : start_(start) {}
  Place Feed(const char* line);
  // The section has been read to its end: no later line is in it.
  bool Ended() const { return state_ == kAfter; }

 private:
  enum State { kBefore, kIn, kAfter };
  const char* start_;
  State state_ = kBefore;
};

// A hub-ID line, "%X=%X" from its first character, into *entry. Whatever
// part of it does not parse stays 0 and the reader takes the line all the
// same; false tells that it did not parse whole.
bool ParseTargetId(const char* line, uint8_t generation, TargetIdEntry* entry);

#endif  // QUILLET_UPDATER_SETTINGS_SYNTAX_H_
