// The kit checker's model: what the updater would make of one updater folder
// (SpiFlash.ini and .\Binfile) and, when hubs are described, of each hub.
// The steps that fill it are in settings_check.h, image_scan.h and
// hub_judge.h; the reports render it.
#ifndef QUILLET_CHECKER_KIT_REPORT_H_
#define QUILLET_CHECKER_KIT_REPORT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cached_image.h"
#include "finding.h"
#include "image_check.h"
#include "hub_plan.h"
#include "image_sums.h"
#include "next_run.h"
#include "settings.h"
#include "run_state.h"

namespace check {

// One entry of the updater's directory search, as the format reads it.
struct ImageRow {
  std::string name;
  bool nameFits = true;  // ".\Binfile\" and the name fit the updater's path
  bool opened = false;
  uint64_t size = 0;
  size_t headerLength = 0;
  uint16_t imageId = 0;
  uint8_t flags = 0;
  bool longLayout = false;
  bool breaksSizeRule = false;
  uint16_t deliveredVersion = 0;
  // The identification fields of the image's layout, printable (see
  // Printable); empty when the image ends before the field.
  std::string manufacturer;
  std::string product1;
  std::string product2;
  unsigned rules = 0;  // bit n-1: the image meets its half of rule n
  std::shared_ptr<CachedImage> cache;
  // The image list's word on it: what the updater's check says.
  ImageCheckResult sums;
  // `sums.computed` holds the whole image's digest: the image list's check
  // took it, or HashEveryImage did for an image the list does not hash.
  bool hashed = false;
  std::string refusal;  // why the updater would refuse it; empty when it would not
};

// One hub and what the update run would do with it.
struct HubReport {
  int number = 0;  // the updater's "Device(n)", from 1
  HubDeviceInfo info = {};
  uint32_t hubId = 0;
  // Its plan, judged through the checker's cached images with every image
  // judged.
  HubPlan plan;
  NextRun next;  // for the hubs of a computer with a record
};

// The settings as the updater's reader takes them: its value, with the
// lines, and the state it fills.
struct SettingsReport {
  Settings read;  // what the reader took, line by line
  bool readerGaveUp = false;
  std::unique_ptr<UpdaterState> state;  // with its [HUBModule] entries
};

struct KitReport {
  std::string folder;  // as given, for the report
  SettingsReport settings;
  std::vector<ImageRow> images;
  ListState listState = ListState::kAbsent;  // Binfile\SHA256SUMS
  std::string listName;                      // as the search found it
  imagesums::List list;
  bool imagesSearched = false;  // the search started
  bool hubsDescribed = false;
  std::vector<HubReport> hubs;  // in the updater's order: last first
  std::vector<Finding> findings;
  std::string kitIdentity;  // for the hubs of a computer: to tell its last run's kit

  int Count(Severity severity) const { return CountOf(findings, severity); }
};

}  // namespace check

#endif  // QUILLET_CHECKER_KIT_REPORT_H_
