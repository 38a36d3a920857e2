// The hub controller maker's hub-access library, TZ415API.dll. The updater
// imports its four calls by their plain names at load time; the steps reach
// them only through HubLibrary, so the host tests can put a described hub
// table in its place.
#ifndef QUILLET_HUBAPI_TZ415API_H_
#define QUILLET_HUBAPI_TZ415API_H_

#include <cstdint>

#if defined(_WIN32)
#define TZ415API_CALL __cdecl
#else
#define TZ415API_CALL
#endif

extern "C" {
// Stores the library's version in *version.
int TZ415API_CALL TA_GetDllVersion(uint32_t* version);
// head: byte 0 of UpdaterState (TargetIdCount, then the 100 TargetIds). The
// record outlives every later call, so the library may keep the address.
int TZ415API_CALL TA_SetIniInfo(void* head);
// deviceCount: UpdaterState::DeviceCount; the library fills the count and
// the Devices table right behind it.
int TZ415API_CALL TA_GetEnumInfo(void* deviceCount);
// Programs hub `index` (position in Devices, from 0) with the image at
// `path`; `reserved` is always 0. Blocks until done; 0 means programmed.
int TZ415API_CALL TA_UpdateISP(uint8_t index, const char* path, int reserved);
}

// The steps' view of the library. Only UpdateISP's result is looked at.
class HubLibrary {
 public:
  virtual ~HubLibrary() = default;
  virtual void GetDllVersion(uint32_t* version) = 0;
  virtual void SetIniInfo(void* head) = 0;
  virtual void GetEnumInfo(uint8_t* deviceCount) = 0;
  virtual int UpdateISP(uint8_t index, const char* path, int reserved) = 0;
};

#endif  // QUILLET_HUBAPI_TZ415API_H_
