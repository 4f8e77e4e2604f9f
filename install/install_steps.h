// What each of the nine install steps does, in its exact order. A step is
// handed everything it works with: the selection, the folders, the payload's
// entries, what it writes through (InstallWrites) and what it tells the user
// through (StepSink). setup.exe hands it the real file system, registry and
// progress page; the tests hand it recorders with scripted results, so a
// step's plan (paths, details lines, registry rows, progress and final text)
// is compared as plain data. Platform neutral.
#pragma once

#include <cstdint>

#include "components.h"
#include "edition.h"
#include "payload.h"
#include "registry_layout.h"

constexpr uint32_t kInstallStepCount = kComponentCount + 1;  // the components, then the uninstaller
constexpr uint32_t kFinalStep = kComponentCount;
constexpr uint32_t kWorkingTextUnits = 308;

constexpr char kSucceededText[] = "Installation completed successfully.";
constexpr char kFailedText[] = "Installation failed.";
extern const wchar_t kWriteFailedLine[];  // L"ERROR: Write failed."

// The components to install: bit k set for component k.
using ComponentSelection = uint32_t;
constexpr ComponentSelection kAllComponents = (1u << kComponentCount) - 1;
constexpr bool IsSelected(ComponentSelection selection, uint32_t component) { return (selection >> component) & 1; }

// What a step reads and changes. The folders are extended in place and cut
// back before the step returns.
struct StepState {
  ComponentSelection selection;
  wchar_t* installDir;    // kFolderUnits, ends with a backslash
  wchar_t* startMenuDir;  // kFolderUnits, ends with a backslash
  const PayloadEntry* entries;
  uint32_t requiredBytes;  // the selected programs and the uninstaller
  uint32_t* errorCount;
  const Edition* edition;     // its uninstaller, its title and the name of its registry root
  bool* associationsChanged;  // set once a shell registration has been written
};

// Everything a step writes to the machine, in the order it writes it, in the
// edition's registry root.
class InstallWrites {
 public:
  // 1 when every folder along `folder` exists afterwards, 0 otherwise.
  virtual int CreateDirectoryChain(const wchar_t* folder) = 0;
  // Ok, or why the file could not be written. `time` null: not stamped.
  virtual PayloadStatus WriteEntry(const wchar_t* path, const PayloadEntry& entry, const PayloadTime* time) = 0;
  // 0 (S_OK) when the shortcut was saved, otherwise the failing HRESULT.
  virtual int32_t CreateShortcut(const wchar_t* target, const wchar_t* shortcut) = 0;
  // 1 when the value was written, 0 otherwise.
  virtual int WriteValue(const RegistryRow& row, const void* data, uint32_t bytes) = 0;
  // Tells the shell that file types changed, once, at the end.
  virtual void AnnounceAssociations() = 0;

 protected:
  ~InstallWrites() = default;
};

// Everything a step shows the user, and how it hands on to the next one.
class StepSink {
 public:
  virtual void SetStatusName(const wchar_t* name) = 0;
  virtual void SetStatusText(const char* text) = 0;
  virtual void AddLine(const wchar_t* line) = 0;
  virtual void SetProgress(uint32_t position) = 0;
  // Asks for `step` to run next; it must not run before this one returns.
  virtual void PostNextStep(uint32_t step) = 0;
  virtual void SetFinished() = 0;

 protected:
  ~StepSink() = default;
};

// Runs install step `step` (0-8). Any larger number does nothing.
void PerformInstallStep(uint32_t step, StepState* state, InstallWrites& writes, StepSink& sink);
