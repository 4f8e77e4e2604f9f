#include "install_logic.h"

#include "wide_text.h"

const wchar_t kWriteFailedLine[] = L"ERROR: Write failed.";
const wchar_t kMakerFolder[] = L"Velunora";

const wchar_t* const kComponentNames[9] = {
    L"Talvex",     L"Glimmerdex", L"Veilcrafter", L"Frolix",    L"Tunebridge",
    L"Notelocker", L"Wardbin",    L"Drifthub",    L"Uninstall",
};

const Component kComponentTable[8] = {
    {1, 1006, false}, {2, 1007, false}, {3, 1008, false}, {4, 1009, false},
    {5, 1010, true},  {6, 1011, true},  {7, 1012, true},  {8, 1013, true},
};

namespace {

constexpr uint32_t kFolderUnits = 300;
const wchar_t kHklmPrefix[] = L"HKEY_LOCAL_MACHINE\\";

// The two working texts of a step: an icon location and a command line,
// composed from the path of the file just written.
struct WorkingTexts {
  wchar_t iconText[kWorkingTextUnits];
  wchar_t command[kWorkingTextUnits];
};

// Every path a step composes fits its buffer (a folder of at most 269 units
// plus a file name of at most 15), so these never cut anything; the bounds
// are there so that nothing could ever write past them.
void Compose(wchar_t* out, size_t capacity, const wchar_t* a, const wchar_t* b, const wchar_t* c = L"") {
  out[0] = 0;
  if (!WideAppend(out, capacity, a) || !WideAppend(out, capacity, b) || !WideAppend(out, capacity, c)) out[0] = 0;
}

void ComposeIconText(wchar_t* out, const wchar_t* path) { Compose(out, kWorkingTextUnits, path, L",0"); }

// "path" "%1": the program, and the file or folder it is opened with.
void ComposeOpenCommand(wchar_t* out, const wchar_t* path) {
  Compose(out, kWorkingTextUnits, L"\"", path, L"\" \"%1\"");
}

void ComposeQuoted(wchar_t* out, const wchar_t* path) { Compose(out, kWorkingTextUnits, L"\"", path, L"\""); }

// Appends a file name to a folder field in place; false when it does not fit.
bool AppendFileName(wchar_t* folder, const wchar_t* name, const wchar_t* extension) {
  size_t at = WideLength(folder);
  if (WideAppend(folder, kFolderUnits, name) && WideAppend(folder, kFolderUnits, extension)) return true;
  folder[at] = 0;
  return false;
}

// Writes one layout row. A value that cannot be written is named in the
// details list and counted, so the final text never claims success without
// the registrations or the Add/Remove Programs entry.
void WriteRow(const RegistryRow& row, const WorkingTexts& texts, StepState* state, const StepEffects& effects) {
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
      data = texts.iconText;
      bytes = TextBytes(texts.iconText);
      break;
    case ProgramOpenCommand:
    case UninstallCommand:
      data = texts.command;
      bytes = TextBytes(texts.command);
      break;
    case EstimatedKilobytes:
      data = &kilobytes;
      break;
  }
  if (effects.writeValue(effects.self, row, data, bytes)) return;

  wchar_t line[kKeyPathUnits + sizeof kHklmPrefix / sizeof(wchar_t)];
  WideCopy(line, sizeof line / sizeof line[0], kHklmPrefix);
  size_t at = WideLength(line);
  ComposeKeyPath(line + at, sizeof line / sizeof line[0] - at, row.key);
  effects.addLine(effects.self, line);
  LogWriteError(state, effects);
}

// Steps 0-7: the component's program, its shortcut and its registration.
void InstallComponent(uint32_t step, StepState* state, const StepEffects& effects, WorkingTexts* texts) {
  const Component& component = kComponentTable[step];
  const wchar_t* name = state->componentNames[step];
  effects.setStatusName(effects.self, name);
  effects.createDirectoryChain(effects.self, state->installDir);  // a missing folder shows as the failed write

  wchar_t* programPath = state->installDir;
  bool composed = AppendFileName(programPath, name, L".exe");
  effects.addLine(effects.self, programPath);
  const PayloadEntry& entry = state->entries[component.payloadEntry];
  if (!composed || effects.writeEntry(effects.self, programPath, entry, &entry.lastWrite) != Ok) {
    LogWriteError(state, effects);
    return;  // no shortcut, no registration
  }

  effects.createDirectoryChain(effects.self, state->startMenuDir);
  wchar_t* shortcutPath = state->startMenuDir;
  composed = AppendFileName(shortcutPath, name, L".lnk");
  effects.addLine(effects.self, shortcutPath);
  if (!composed || effects.createShortcut(effects.self, programPath, shortcutPath) != 0) LogWriteError(state, effects);

  if (!component.hasShellRegistration) return;
  ComposeIconText(texts->iconText, programPath);
  ComposeOpenCommand(texts->command, programPath);
  for (uint32_t i = 0; i < kShellRegistrationRowCount; ++i) {
    if (kShellRegistrationRows[i].step == step) WriteRow(kShellRegistrationRows[i], *texts, state, effects);
  }
}

// Step 8: AppPath, the uninstaller and its Add/Remove Programs entry.
void InstallUninstaller(StepState* state, const StepEffects& effects, WorkingTexts* texts) {
  if (state->requiredBytes == 0) return;  // nothing was selected
  WriteRow(kAppPathRow, *texts, state, effects);

  wchar_t* path = state->installDir;
  size_t nameAt = WideLength(path);
  bool composed = AppendFileName(path, state->componentNames[kFinalStep], L".exe");
  if (composed) path[nameAt] = L'u';  // "uninstall.exe"
  effects.addLine(effects.self, path);
  const PayloadEntry& entry = state->entries[kUninstallerEntry];
  if (!composed || effects.writeEntry(effects.self, path, entry, nullptr) != Ok) {
    LogWriteError(state, effects);
    return;  // no Add/Remove Programs entry for a missing uninstaller
  }
  ComposeIconText(texts->iconText, path);
  ComposeQuoted(texts->command, path);
  for (uint32_t i = 0; i < kUninstallRowCount; ++i) WriteRow(kUninstallRows[i], *texts, state, effects);
}

}  // namespace

void LogWriteError(StepState* state, const StepEffects& effects) {
  effects.addLine(effects.self, kWriteFailedLine);
  ++*state->errorCount;
}

uint32_t ProgressAfterStep(uint32_t step) { return (step + 1) * 100 / kInstallStepCount; }

void PerformInstallStep(uint32_t step, StepState* state, const StepEffects& effects) {
  if (step > kFinalStep) return;
  size_t installLength = WideLength(state->installDir);
  size_t startMenuLength = WideLength(state->startMenuDir);
  WorkingTexts texts = {};

  if (step < kFinalStep) {
    if (effects.isSelected(effects.self, step)) InstallComponent(step, state, effects, &texts);
    // Posted now, handled only after this step returns: the next step always
    // finds the folders restored.
    effects.postNextStep(effects.self, step + 1);
  } else {
    InstallUninstaller(state, effects, &texts);
    effects.setStatusText(effects.self, *state->errorCount == 0 ? kSucceededText : kFailedText);
    effects.setFinished(effects.self);
  }

  state->installDir[installLength] = 0;
  state->startMenuDir[startMenuLength] = 0;
  effects.setProgress(effects.self, ProgressAfterStep(step));
}
