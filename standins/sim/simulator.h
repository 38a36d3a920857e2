// The hub simulator behind our TZ415API.dll: the four library calls over a
// hub description file, with the flash files and the description on disk as
// the hubs' lasting state. The platform's share (waiting, the clock,
// replacing a file, standard error) comes through SimPlatform, so the whole
// behaviour runs in host tests too.
#ifndef QUILLET_STANDINS_SIM_SIMULATOR_H_
#define QUILLET_STANDINS_SIM_SIMULATOR_H_

#include <cstdint>
#include <string>
#include <vector>

#include "hub_description.h"

namespace sim {

class SimPlatform {
 public:
  virtual ~SimPlatform() = default;
  virtual void Sleep(uint32_t milliseconds) = 0;
  // A monotonic clock in milliseconds.
  virtual uint64_t NowMs() = 0;
  // Puts `from` in the place of `to`, replacing what is there.
  virtual bool ReplaceFile(const std::string& from, const std::string& to) = 0;
  // One line for standard error (without its line end).
  virtual void Warn(const std::string& line) = 0;
};

// Results of TA_UpdateISP when the simulator itself refuses; a configured
// UpdateResult is returned as it is.
enum : int {
  kNoSuchHub = -1,        // position outside the hubs of the last enumeration
  kImageUnreadable = -2,  // no path, no such file, unreadable or empty
  kStorageFailed = -3,    // flash file or description could not be written
};

class Simulator {
 public:
  // descriptionPath: the hub description; logPath: empty for no call log;
  // startsPath: empty, or where each programming notes that it has begun;
  // activateAtPowerCycle: as a real hub, a programmed hub keeps reporting
  // its firmware from before the write until PowerCycle().
  Simulator(SimPlatform& platform, std::string descriptionPath, std::string logPath,
            std::string startsPath = "", bool activateAtPowerCycle = false);

  int GetDllVersion(uint32_t* version);
  int SetIniInfo(const void* head);
  int GetEnumInfo(void* deviceCount);
  int UpdateISP(uint8_t index, const char* path, int reserved);

  // Where a described hub's flash contents are kept: beside the description,
  // "<description name without extension>.<section>.flash".
  static std::string FlashPathFor(const std::string& descriptionPath, const std::string& section);
  // With ActivateAtPowerCycle=1, where a programmed hub's new version waits
  // for the power cycle: "<...>.<section>.pending", four hex digits.
  static std::string PendingPathFor(const std::string& descriptionPath, const std::string& section);

  // Cycles the power of every described hub: each pending version becomes
  // the hub's FirmwareVersion in the description. The sections whose hubs
  // took a new version, in the description's order; false when the
  // description cannot be read or written (nothing then changes).
  bool PowerCycle(std::vector<std::string>* activated);

 private:
  const hubdesc::HubDescription& Description();
  int Program(uint8_t index, const hubdesc::DescribedHub& hub, bool removeImage, const char* path,
              std::string* note);
  int ProgramUntilPowerCycle(const hubdesc::DescribedHub& hub, const std::string& image,
                             uint16_t version, std::string* note);
  int ProgramAtOnce(const hubdesc::DescribedHub& hub, const std::string& image, uint16_t version,
                    std::string* note);
  void Log(const std::string& line) { Append(logPath_, line); }
  static void Append(const std::string& path, const std::string& line);

  SimPlatform& platform_;
  std::string descriptionPath_;
  std::string logPath_;
  std::string startsPath_;
  bool loaded_ = false;
  hubdesc::HubDescription description_;
  const uint8_t* head_ = nullptr;   // TargetIdCount, then TargetIds
  std::vector<size_t> enumerated_;  // positions in description_.hubs
  bool enumeratedOnce_ = false;
  bool activateAtPowerCycle_ = false;
};

// The firmware version an image delivers, as the update run reads it: the
// image format module's reading, over an image already read whole.
uint16_t DeliveredVersion(const std::string& image);

}  // namespace sim

#endif  // QUILLET_STANDINS_SIM_SIMULATOR_H_
