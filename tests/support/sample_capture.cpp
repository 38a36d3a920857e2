#include "sample_capture.h"

hubdesc::CaptureInfo SampleCaptureInfo() {
  hubdesc::CaptureInfo info;
  info.checkerVersion = "2.9";
  info.libraryVersion = 0x20190823;
  info.time = "2026-12-08T21:35:07Z";
  info.windowsVersion = "6.2.9200";
  info.registryWindowsVersion = "10.0.19045";
  info.checkerBits = 64;
  info.folder = "x64";
  return info;
}
