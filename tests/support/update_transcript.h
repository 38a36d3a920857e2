// Pieces of the update run's transcript as the fake console records them
// (colour changes and the double's events in braces), for the tests that
// compare whole screens.
#ifndef QUILLET_TESTS_SUPPORT_UPDATE_TRANSCRIPT_H_
#define QUILLET_TESTS_SUPPORT_UPDATE_TRANSCRIPT_H_

#include <string>

// What one hub at `position` (from 0) programmed from `path` without a
// fault adds to the screen.
std::string Programmed(int position, const std::string& path);

#endif  // QUILLET_TESTS_SUPPORT_UPDATE_TRANSCRIPT_H_
