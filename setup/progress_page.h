// The progress page's side of the installation: one install step per timer
// tick, each handed the wizard's selection and folders, each showing what it
// did on this page and chaining to the next through the frame.
#pragma once

#include <windows.h>

#include <cstdint>

struct SetupContext;

// Posted to the frame with the number of the install step due next; the
// step runs at the following timer tick.
constexpr UINT kInstallStepMessage = WM_APP;

// Clears pendingStep, then performs install step `step` (0-8) against the
// real file system, registry and progress page. A larger number is ignored.
void RunInstallStep(SetupContext* context, uint32_t step);
