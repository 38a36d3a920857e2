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

#endif  // QUILLET_COMMON_SHARED_NAMES_H_
