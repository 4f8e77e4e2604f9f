#include "install_steps.h"

#include <windows.h>
#include <commctrl.h>

#include "install_logic.h"
#include "registry.h"
#include "resource.h"
#include "setup_context.h"
#include "shell_files.h"

namespace {

constexpr uint32_t kComponentsPage = 1;
constexpr uint32_t kProgressPage = 3;

SetupContext* Context(void* self) { return static_cast<SetupContext*>(self); }

bool IsSelected(void* self, uint32_t component) {
  return IsDlgButtonChecked(Context(self)->pages[kComponentsPage], kComponentTable[component].checkBox) == BST_CHECKED;
}

void SetStatusName(void* self, const wchar_t* name) {
  SetDlgItemTextW(Context(self)->pages[kProgressPage], IDC_STATUS, name);
}

void SetStatusText(void* self, const char* text) {
  SetDlgItemTextA(Context(self)->pages[kProgressPage], IDC_STATUS, text);
}

int EnsureFolder(void*, const wchar_t* folder) { return CreateDirectoryChain(folder); }

void AddLine(void* self, const wchar_t* line) {
  SendMessageW(Context(self)->detailsList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

int WriteEntry(void* self, const wchar_t* path, const PayloadEntry& entry, const PayloadTime* time) {
  return Context(self)->payload.WriteEntryToFile(path, entry.offset, entry.size, time);
}

int32_t WriteShortcut(void*, const wchar_t* target, const wchar_t* shortcut) {
  return CreateShortcut(target, shortcut);
}

int WriteValue(void*, const RegistryRow& row, const void* data, uint32_t bytes) {
  return WriteRegistryValue(BuildRowKeyPath(row), row.valueName, row.type, data, bytes);
}

void PostNextStep(void* self, uint32_t step) { PostMessageW(Context(self)->frameWindow, WM_APP, step, 0); }

void SetFinished(void* self) { Context(self)->state = Finished; }

void SetProgress(void* self, uint32_t position) {
  SendMessageW(GetDlgItem(Context(self)->pages[kProgressPage], IDC_PROGRESS_BAR), PBM_SETPOS, position, 0);
}

}  // namespace

void RunInstallStep(uint32_t step) {
  SetupContext* context = g_setup;
  context->pendingStep = 0;
  StepState state = {context->installDir,     context->startMenuDir,  context->entries,
                     context->componentNames, context->requiredBytes, &context->errorCount};
  const StepEffects effects = {context,    IsSelected,    SetStatusName, SetStatusText, EnsureFolder, AddLine,
                               WriteEntry, WriteShortcut, WriteValue,    PostNextStep,  SetFinished,  SetProgress};
  PerformInstallStep(step, &state, effects);
}
