#include "install_steps.h"

#include "path_text.h"
#include "wide_text.h"

const wchar_t kWriteFailedLine[] = L"ERROR: Write failed.";

namespace {

// The two working texts of a step: an icon location and a command line,
// composed from the path of the file just written.
struct WorkingTexts {
  wchar_t iconText[kWorkingTextUnits];
  wchar_t command[kWorkingTextUnits];
};

// Every path a step composes fits its buffer (a folder of at most 269 units
// plus a file name of at most 15), so the compositions never cut anything;
// the bounds are there so that nothing could ever write past them.
void ComposeIconText(wchar_t* out, const wchar_t* path) { ComposePath(out, kWorkingTextUnits, path, L",0"); }

// "path" "%1": the program, and the file or folder it is opened with.
void ComposeOpenCommand(wchar_t* out, const wchar_t* path) {
  ComposePath(out, kWorkingTextUnits, L"\"", path, L"\" \"%1\"");
}

void ComposeQuoted(wchar_t* out, const wchar_t* path) { ComposePath(out, kWorkingTextUnits, L"\"", path, L"\""); }

// Appends a file name to a folder field in place; false when it does not fit.
bool AppendFileName(wchar_t* folder, const wchar_t* name, const wchar_t* extension) {
  size_t at = WideLength(folder);
  if (WideAppend(folder, kFolderUnits, name) && WideAppend(folder, kFolderUnits, extension)) return true;
  folder[at] = 0;
  return false;
}

// One step's work: its state, what it writes through and tells the user
// through, and its working texts.
struct Step {
  StepState* state;
  InstallWrites& writes;
  StepSink& sink;
  WorkingTexts texts;
};

// Appends "ERROR: Write failed." to the details list and counts the failure.
void LogWriteError(StepState* state, StepSink& sink) {
  sink.AddLine(kWriteFailedLine);
  ++*state->errorCount;
}

// Writes one layout row. A value that cannot be written is named in the
// details list and counted, so the final text never claims success without
// the registrations or the Add/Remove Programs entry.
void WriteRow(const RegistryRow& row, Step* step) {
  StepState* state = step->state;
  const void* data = nullptr;
  uint32_t bytes = row.bytes;
  uint32_t kilobytes = state->requiredBytes >> 10;
  switch (row.source) {
    case FixedText:
      data = row.text;
      break;
    case FixedNumber:
      data = &row.number;
      break;
    case InstallFolder:
      data = state->installDir;
      bytes = TextBytes(state->installDir);
      break;
    case ProgramIconText:
    case UninstallIconText:
      data = step->texts.iconText;
      bytes = TextBytes(step->texts.iconText);
      break;
    case ProgramOpenCommand:
    case UninstallCommand:
      data = step->texts.command;
      bytes = TextBytes(step->texts.command);
      break;
    case EstimatedKilobytes:
      data = &kilobytes;
      break;
    case EditionTitle:
      data = state->edition->title;
      bytes = state->edition->titleBytes;
      break;
  }
  if (step->writes.WriteValue(row, data, bytes)) {
    if (row.step < kComponentCount) *state->associationsChanged = true;
    return;
  }

  // The root's name (at most 18 units), a backslash and the key path.
  wchar_t path[kKeyPathUnits];
  wchar_t line[kKeyPathUnits + 20];
  ComposeKeyPath(path, kKeyPathUnits, row.key);
  NameKey(state->edition->rootName, path, line, sizeof line / sizeof line[0]);
  step->sink.AddLine(line);
  LogWriteError(state, step->sink);
}

// Steps 0-7: the component's program, its shortcut and its registration.
void InstallComponent(uint32_t index, Step* step) {
  StepState* state = step->state;
  const Component& component = kComponentTable[index];
  step->sink.SetStatusName(component.name);
  step->writes.CreateDirectoryChain(state->installDir);  // a missing folder shows as the failed write

  wchar_t* programPath = state->installDir;
  bool composed = AppendFileName(programPath, component.name, L".exe");
  step->sink.AddLine(programPath);
  const PayloadEntry& entry = state->entries[component.payloadEntry];
  if (!composed || step->writes.WriteEntry(programPath, entry, &entry.lastWrite) != PayloadStatus::Ok) {
    LogWriteError(state, step->sink);
    return;  // no shortcut, no registration
  }

  step->writes.CreateDirectoryChain(state->startMenuDir);
  wchar_t* shortcutPath = state->startMenuDir;
  composed = AppendFileName(shortcutPath, component.name, L".lnk");
  step->sink.AddLine(shortcutPath);
  if (!composed || step->writes.CreateShortcut(programPath, shortcutPath) != 0) LogWriteError(state, step->sink);

  if (!component.hasShellRegistration) return;
  ComposeIconText(step->texts.iconText, programPath);
  ComposeOpenCommand(step->texts.command, programPath);
  for (uint32_t i = 0; i < kShellRegistrationRowCount; ++i) {
    if (kShellRegistrationRows[i].step == index) WriteRow(kShellRegistrationRows[i], step);
  }
}

// Step 8: AppPath, the uninstaller and its Add/Remove Programs entry.
void InstallUninstaller(Step* step) {
  StepState* state = step->state;
  if (state->requiredBytes == 0) return;  // nothing was selected
  WriteRow(kAppPathRow, step);

  wchar_t* path = state->installDir;
  bool composed = WideAppend(path, kFolderUnits, kUninstallerFileName);
  step->sink.AddLine(path);
  const PayloadEntry& uninstaller = state->entries[state->edition->uninstallerEntry];
  if (!composed || step->writes.WriteEntry(path, uninstaller, nullptr) != PayloadStatus::Ok) {
    LogWriteError(state, step->sink);
    return;  // no Add/Remove Programs entry for a missing uninstaller
  }
  ComposeIconText(step->texts.iconText, path);
  ComposeQuoted(step->texts.command, path);
  for (uint32_t i = 0; i < kUninstallRowCount; ++i) WriteRow(kUninstallRows[i], step);
}

// Position of the progress bar after `step`: 11, 22, ... 88, 100.
uint32_t ProgressAfterStep(uint32_t step) { return (step + 1) * 100 / kInstallStepCount; }

}  // namespace

void PerformInstallStep(uint32_t index, StepState* state, InstallWrites& writes, StepSink& sink) {
  if (index > kFinalStep) return;
  size_t installLength = WideLength(state->installDir);
  size_t startMenuLength = WideLength(state->startMenuDir);
  Step step = {state, writes, sink, {}};

  if (index < kFinalStep) {
    if (IsSelected(state->selection, index)) InstallComponent(index, &step);
    // Posted now, handled only after this step returns: the next step always
    // finds the folders restored.
    sink.PostNextStep(index + 1);
  } else {
    InstallUninstaller(&step);
    if (*state->associationsChanged) writes.AnnounceAssociations();
    sink.SetStatusText(*state->errorCount == 0 ? kSucceededText : kFailedText);
    sink.SetFinished();
  }

  state->installDir[installLength] = 0;
  state->startMenuDir[startMenuLength] = 0;
  sink.SetProgress(ProgressAfterStep(index));
}
