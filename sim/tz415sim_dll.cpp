// Hub simulator standing in for the maker's TZ415API.dll. For now it knows
// its version and reports no hubs.
#include <cstdint>

#include "tz415api.h"

extern "C" {

int TZ415API_CALL TA_GetDllVersion(uint32_t* version) {
  *version = 0x20190823;
  return 0;
}

int TZ415API_CALL TA_SetIniInfo(void*) { return 0; }

int TZ415API_CALL TA_GetEnumInfo(void* deviceCount) {
  *static_cast<uint8_t*>(deviceCount) = 0;
  return 0;
}

int TZ415API_CALL TA_UpdateISP(uint8_t, const char*, int) { return 1; }

}
