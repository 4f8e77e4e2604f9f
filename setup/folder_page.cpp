#include "folder_page.h"

#include <shlobj.h>

#include "components_page.h"
#include "owners.h"
#include "resource.h"
#include "setup_context.h"
#include "setup_texts.h"
#include "wide_text.h"
#include "wizard_logic.h"

namespace {

// The bytes available to the caller on the install folder's drive, or on
// the folder itself when its first three units are no drive root.
uint64_t FreeBytes(const wchar_t* installDir) {
  wchar_t root[4] = {};
  for (int i = 0; i < 3 && installDir[i]; ++i) root[i] = installDir[i];
  ULARGE_INTEGER available;
  if (GetDiskFreeSpaceExW(root, &available, nullptr, nullptr)) return available.QuadPart;
  if (GetDiskFreeSpaceExW(installDir, &available, nullptr, nullptr)) return available.QuadPart;
  return kFreeSpaceUnknown;
}

// What the picker callback is told: the owner, an optional caption and OK
// text, the instruction, and the buffer (at least 260 units) holding the
// folder to preselect.
struct FolderPickRequest {
  HWND owner;
  const wchar_t* caption;
  const wchar_t* title;
  const wchar_t* okText;
  wchar_t* path;
};

// The picker's callback: applies the request once the picker is ready.
int CALLBACK BrowseCallback(HWND picker, UINT message, LPARAM, LPARAM parameter) {
  if (message != BFFM_INITIALIZED) return 0;
  const FolderPickRequest* request = reinterpret_cast<const FolderPickRequest*>(parameter);
  if (request->caption) SetWindowTextW(picker, request->caption);
  if (request->okText) SendMessageW(picker, BFFM_SETOKTEXT, 0, reinterpret_cast<LPARAM>(request->okText));
  if (request->path && request->path[0]) {
    SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(request->path));
  }
  return 0;
}

}  // namespace

void BrowseForFolder(SetupContext* context) {
  FolderPickRequest request = {context->pages[context->currentPage], nullptr, kPickerTitle, nullptr,
                               context->browseDir};
  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = request.owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = request.title;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&request);
  info.iImage = 0;

  TaskMemory<ITEMIDLIST> item(SHBrowseForFolderW(&info));
  if (!item.Get()) return;
  // Converted into a buffer of its own: some platforms empty the output
  // when the conversion fails, and a failed pick must change nothing.
  wchar_t picked[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(item.Get(), picked)) return;

  WideCopy(context->browseDir, kFolderUnits, picked);
  WideCopy(context->installDir, kFolderUnits, picked);
  EndWithSeparator(context->installDir, kFolderUnits);
  SetDlgItemTextW(context->pages[FolderPage], IDC_FOLDER_EDIT, context->installDir);
  UpdateSpaceInfo(context);
}

void UpdateSpaceInfo(SetupContext* context) {
  context->requiredBytes = RequiredBytes(context->entries, SelectedComponents(context->pages[ComponentsPage]),
                                         context->edition->uninstallerEntry);
  FormatRequiredText(context->scratch.text, context->requiredBytes);
  SetDlgItemTextA(context->pages[FolderPage], IDC_SPACE_REQUIRED, context->scratch.text);

  uint64_t freeBytes = FreeBytes(context->installDir);
  FormatAvailableText(context->scratch.text, freeBytes);
  SetDlgItemTextA(context->pages[FolderPage], IDC_SPACE_AVAILABLE, context->scratch.text);

  EnableWindow(GetDlgItem(context->pages[FolderPage], IDC_FORWARD), InstallEnabled(context->requiredBytes, freeBytes));
}
