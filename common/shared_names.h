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

// The kernel locks that keep two updates off one computer: the run lock,
// held by a launcher from before the driver's installation to after its
// removal, and the write lock, held by an updater for its whole run. They
// live in a private namespace whose boundary is the Administrators group,
// which a standard user can neither create nor open, so no one without
// administrator rights can hold them and block every update. Namespaces are
// not per session: every session of the computer meets there.
#define QUILLET_LOCK_NAMESPACE "Quillet"
#define QUILLET_RUN_LOCK "Quillet\\RunLock"
#define QUILLET_WRITE_LOCK "Quillet\\WriteLock"
// Where no such namespace can be had (a Windows without private namespaces,
// or a process without administrator rights), the same locks as named
// objects of the whole computer. Not the names of old, which any user could
// hold.
#define QUILLET_OPEN_RUN_LOCK "Global\\Quillet.Unguarded.RunLock"
#define QUILLET_OPEN_WRITE_LOCK "Global\\Quillet.Unguarded.WriteLock"
// The signs an elevated run shows while it holds each lock, for the runs
// that cannot look into the namespace: a run without rights, which may
// still reach the hubs through a driver an elevated run installed, and an
// elevated run that came after the namespace's creator ended.
#define QUILLET_RUN_SIGN "Global\\Quillet.Elevated.RunLock"
#define QUILLET_WRITE_SIGN "Global\\Quillet.Elevated.WriteLock"

// What a launcher or an updater prints when it finds a lock held.
#define QUILLET_BUSY_LINE                                                                   \
  "Another firmware update is running on this computer. Wait for it to end, then start it " \
  "again.\n"

#endif  // QUILLET_COMMON_SHARED_NAMES_H_
