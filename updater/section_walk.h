// The settings reader's walk over one section, for its passes and its
// module key scans.
#ifndef QUILLET_UPDATER_SECTION_WALK_H_
#define QUILLET_UPDATER_SECTION_WALK_H_

#include "line_scanner.h"
#include "settings.h"
#include "settings_syntax.h"

enum class Walk { kNext, kStop };

// The one section walk of the reader: every line numbered as the file
// numbers it, with its place towards the section. With `readOn` the walk
// goes on past the section's end, so that a pass can note the lines it
// leaves; nothing past the section is taken. True when onLine stopped it.
template <typename OnLine>
bool WalkSection(ByteSource& file, const char* start, bool readOn, Settings* splits,
                 OnLine onLine) {
  LineScanner lines(file);
  SectionTracker section(start);
  char line[kLineBufferSize];
  int number = 0;
  bool newLine = true;
  while (lines.Next(line)) {
    if (newLine) ++number;
    newLine = lines.PieceEndedLine();
    if (splits != nullptr && !newLine) {
      Note(splits, {number, LineNote::kSplit, Section::kTargetIdU3, nullptr, {}});
    }
    SectionTracker::Place place = section.Feed(line);
    if (place == SectionTracker::kOutside && section.Ended() && !readOn) return false;
    if (onLine(line, number, place) == Walk::kStop) return true;
  }
  return false;
}

#endif  // QUILLET_UPDATER_SECTION_WALK_H_
