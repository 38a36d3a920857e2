// The capture header the tests start from: a 64-bit checker's, made with
// the demo library's version on a known day. Each test changes what it is
// about.
#ifndef QUILLET_TESTS_SUPPORT_SAMPLE_CAPTURE_H_
#define QUILLET_TESTS_SUPPORT_SAMPLE_CAPTURE_H_

#include "hub_description.h"

hubdesc::CaptureInfo SampleCaptureInfo();

#endif  // QUILLET_TESTS_SUPPORT_SAMPLE_CAPTURE_H_
