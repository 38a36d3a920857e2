// A description's hubs as a library reports them: the records it fills,
// which hubs one enumeration lists and the count it states. The simulator
// reports them so, the kit checker judges them so, and a capture is the way
// back from a listed record to a described hub.
#ifndef QUILLET_HUBDESC_HUB_RECORDS_H_
#define QUILLET_HUBDESC_HUB_RECORDS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "hub_description.h"
#include "tz415api.h"
#include "updater_state.h"

namespace hubdesc {

// The record of a described hub; every byte that no key gives is zero.
void FillRecord(const DescribedHub& hub, HubDeviceInfo* record);

// The described hub that a listed record replays to: every field the record
// gives, the reserved stretches dropped, programming succeeding at once.
DescribedHub HubFromRecord(const HubDeviceInfo& record, const std::string& section);

// The hub-ID table the library is handed at `head` (TargetIdCount, then the
// entries), at most 100 entries whatever the count says; empty for null.
std::vector<TargetIdEntry> HubIdTable(const uint8_t* head);

// "3A170415=0D12/3,..." for the hub-ID table, "-" for an empty one: as a
// capture states it and the simulator's call log shows it.
std::string HubIdTableText(const std::vector<TargetIdEntry>& table);

// The positions in description.hubs that one enumeration reports, after the
// hub-ID table at `head` (null: none was handed) when RequireTargetIds asks.
std::vector<size_t> ReportedHubs(const HubDescription& description, const uint8_t* head);

// The count written into DeviceCount: ReportedCount, or the hubs reported.
int ReportedCount(const HubDescription& description, size_t reported);

// Writes the count and the records of `reported` behind `deviceCount`, as
// TA_GetEnumInfo does; records after them are not touched.
void WriteListing(const HubDescription& description, const std::vector<size_t>& reported,
                  uint8_t* deviceCount);

// The described hubs as a library: lists them after the hub-ID table it is
// handed, and refuses every programming call (-1).
class DescribedHubLibrary : public HubLibrary {
 public:
  explicit DescribedHubLibrary(HubDescription description);
  void GetDllVersion(uint32_t* version) override;
  void SetIniInfo(void* head) override;
  void GetEnumInfo(uint8_t* deviceCount) override;
  int UpdateISP(uint8_t index, const char* path, int reserved) override;

 private:
  HubDescription description_;
  const uint8_t* head_ = nullptr;
};

}  // namespace hubdesc

#endif  // QUILLET_HUBDESC_HUB_RECORDS_H_
