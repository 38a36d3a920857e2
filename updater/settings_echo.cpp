// The settings reader's echo, printed from what it took.
#include "settings_echo.h"

#include "printer.h"
#include "run_state.h"
#include "settings.h"

void PrintTaken(Printer& out, const UpdaterState& state, const Settings& settings, size_t from) {
  for (size_t i = from; i < settings.taken.size(); ++i) {
    const TakenValue& value = settings.taken[i];
    switch (value.what) {
      case Taken::kSectionFound:
        // [HUBModule] is found silently.
        if (value.section != Section::kHubModule) {
          out.Print("%s Found  \n\t\t", SectionOf(value.section).start);
        }
        break;
      case Taken::kHubIds:
        for (int k = 0; k < state.TargetIdCount; ++k) {
          const TargetIdEntry& entry = state.TargetIds[k];
          out.Print("%08X=%04X %d  ", static_cast<unsigned>(entry.HubId),
                    static_cast<unsigned>(entry.ImageId), entry.UsbGeneration);
        }
        out.Print("\n\t\t");
        if (settings.idLineCount > kMaxTargetIds) {
          out.Print("Warning!!! Only the first %d hub IDs are used\n\t\t", kMaxTargetIds);
        }
        break;
      case Taken::kStringCompare:
        out.Print("StringCompare:%d  \n\t\t", static_cast<int>(value.number));
        break;
      case Taken::kHubNumber: out.Print("HUBNumber:%d\n", static_cast<int>(value.number)); break;
      case Taken::kModuleNumber:
        out.Print("%s: %d\n", value.key.c_str(), static_cast<int>(value.number));
        break;
      case Taken::kModuleText: out.Print("%s: %s\n", value.key.c_str(), value.text.c_str()); break;
      case Taken::kHubName: out.Print("TargetHUBName:%s  \n\t\t", value.text.c_str()); break;
      case Taken::kCheckHubFw:
        out.Print("FWCompare:%d  \n\t\t", static_cast<int>(value.number));
        break;
      case Taken::kFwVersion:
        out.Print("FWVersion:%d  \n\t\t", static_cast<int>(value.number));
        break;
    }
  }
}
