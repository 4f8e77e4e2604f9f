// The install step sequencer of setup.exe: one step per timer tick, chained
// through WM_APP messages posted to the frame.
#pragma once

#include <cstdint>

// Clears pendingStep, then performs install step `step` (0-8) against the
// real file system, registry and progress page. A larger number is ignored.
void RunInstallStep(uint32_t step);
