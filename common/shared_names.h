// Names that two of our programs must spell alike. They are string-literal
// macros so that each program takes them in its own character type
// (u"" QUILLET_LAUNCH_TOKEN) or splices them into a longer literal, all at
// compile time.
#ifndef QUILLET_COMMON_SHARED_NAMES_H_
#define QUILLET_COMMON_SHARED_NAMES_H_

// The argument the launcher starts the updater with; the updater refuses to
// run without it, so that it is not started by hand around the launcher.
#define QUILLET_LAUNCH_TOKEN "QRZ"

#endif  // QUILLET_COMMON_SHARED_NAMES_H_
