// Names that two of our programs must spell alike. They are string-literal
// macros so that each program takes them in its own character type
// (u"" QUILLET_LAUNCH_TOKEN) or splices them into a longer literal, all at
// compile time.
#ifndef QUILLET_COMMON_SHARED_NAMES_H_
#define QUILLET_COMMON_SHARED_NAMES_H_

// The argument the launcher starts the updater with; the updater refuses to
// run without it, so that it is not started by hand around the launcher.
#define QUILLET_LAUNCH_TOKEN "QRZ"

// Under HKEY_LOCAL_MACHINE: the device setup class of USB host controllers
// and hubs, whose UpperFilters value names the filter driver.
#define QUILLET_USB_CLASS_KEY \
  "SYSTEM\\CurrentControlSet\\Control\\Class\\{36FC9E60-C465-11CF-8056-444553540000}"

// The kernel locks that keep two updates off one computer (one named object
// each, in the namespace every session of the computer shares): the run
// lock, held by a launcher from before the driver's installation to after
// its removal, and the write lock, held by an updater for its whole run.
#define QUILLET_RUN_LOCK "Global\\Quillet.RunLock"
#define QUILLET_WRITE_LOCK "Global\\Quillet.WriteLock"
// Test-only: an environment variable whose value is appended to both names,
// so that tests running side by side on one Wine prefix each have locks of
// their own. Only the tests set it.
#define QUILLET_TEST_LOCK_SUFFIX "QUILLET_TEST_LOCK_SUFFIX"

// What a launcher or an updater prints when it finds a lock held.
#define QUILLET_BUSY_LINE                                                                   \
  "Another firmware update is running on this computer. Wait for it to end, then start it " \
  "again.\n"

#endif  // QUILLET_COMMON_SHARED_NAMES_H_
