// What each of the nine install steps does, in its exact order, written once
// against a table of effects. setup.exe hands it the real window, file and
// registry calls; the tests hand it recorders with scripted results, so a
// step's plan (paths, details lines, registry rows, progress and final text)
// is compared as plain data. Platform neutral.
#pragma once

#include <cstdint>

#include "payload.h"
#include "registry_layout.h"

constexpr uint32_t kInstallStepCount = 9;  // eight components, then the uninstaller
constexpr uint32_t kFinalStep = 8;
constexpr uint32_t kWorkingTextUnits = 308;
constexpr uint32_t kUninstallerEntry = 9;

constexpr char kSucceededText[] = "Installation completed successfully.";
constexpr char kFailedText[] = "Installation failed.";
extern const wchar_t kWriteFailedLine[];  // L"ERROR: Write failed."

// The maker's folder: below Program Files by default, and below the
// all-users Start-menu programs folder for the shortcuts.
extern const wchar_t kMakerFolder[];  // L"Velunora"

// The nine names: the eight components in install order, then the
// uninstaller. They label the check boxes and name the installed files.
extern const wchar_t* const kComponentNames[9];

// One component of the App Pack, in install order (index = install step);
// its name is kComponentNames at the same index.
struct Component {
  uint32_t payloadEntry;
  uint32_t checkBox;
  bool hasShellRegistration;
};
extern const Component kComponentTable[8];

// What a step reads and changes. The folders are extended in place and cut
// back before the step returns.
struct StepState {
  wchar_t* installDir;    // 300 units, ends with a backslash
  wchar_t* startMenuDir;  // 300 units, ends with a backslash
  const PayloadEntry* entries;
  const wchar_t* const* componentNames;  // the nine names
  uint32_t requiredBytes;
  uint32_t* errorCount;
};

// The calls a step makes, in the order it makes them. Results: writeEntry a
// PayloadStatus, createDirectoryChain and writeValue 1/0, createShortcut an
// HRESULT (0 is success).
struct StepEffects {
  void* self;
  bool (*isSelected)(void* self, uint32_t component);
  void (*setStatusName)(void* self, const wchar_t* name);
  void (*setStatusText)(void* self, const char* text);
  int (*createDirectoryChain)(void* self, const wchar_t* folder);
  void (*addLine)(void* self, const wchar_t* line);
  int (*writeEntry)(void* self, const wchar_t* path, const PayloadEntry& entry, const PayloadTime* time);
  int32_t (*createShortcut)(void* self, const wchar_t* target, const wchar_t* shortcut);
  int (*writeValue)(void* self, const RegistryRow& row, const void* data, uint32_t bytes);
  void (*postNextStep)(void* self, uint32_t step);
  void (*setFinished)(void* self);
  void (*setProgress)(void* self, uint32_t position);
};

// Runs install step `step` (0-8). Any larger number does nothing.
void PerformInstallStep(uint32_t step, StepState* state, const StepEffects& effects);

// Appends "ERROR: Write failed." to the details list and counts the failure.
void LogWriteError(StepState* state, const StepEffects& effects);

// Position of the progress bar after `step`: 11, 22, ... 88, 100.
uint32_t ProgressAfterStep(uint32_t step);
