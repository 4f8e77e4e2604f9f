#include "wizard.h"

#include <commctrl.h>

#include <cstring>

#include "components_page.h"
#include "folder_page.h"
#include "progress_page.h"
#include "resource.h"
#include "setup_context.h"
#include "setup_texts.h"
#include "wizard_logic.h"

namespace {

constexpr UINT_PTR kStepTimer = 1;
constexpr UINT kStepPeriod = 125;  // ms: one install step per tick
constexpr int kInitialLicenseMargin = 6;
constexpr COLORREF kDetailsBackground = RGB(2, 38, 9);
constexpr COLORREF kDetailsText = RGB(6, 176, 37);

void SetPageTexts(SetupContext* context) {
  HWND* pages = context->pages;
  SetDlgItemTextA(pages[LicensePage], IDC_LICENSE_HEADING, kLicenseHeading);
  SetDlgItemTextA(pages[ComponentsPage], IDC_COMPONENTS_HEADING, kComponentsHeading);
  SetDlgItemTextA(pages[FolderPage], IDC_FOLDER_HEADING, kFolderHeading);
  SetDlgItemTextA(pages[FolderPage], IDC_FOLDER_GROUP, kFolderGroupText);
  SetDlgItemTextA(pages[LicensePage], IDC_FORWARD, kAgreeButton);
  SetDlgItemTextA(pages[ComponentsPage], IDC_FORWARD, kNextButton);
  SetDlgItemTextA(pages[FolderPage], IDC_FORWARD, kInstallButton);
  SetDlgItemTextA(pages[ProgressPage], IDC_FORWARD, kCloseButton);
  SetDlgItemTextA(pages[LicensePage], IDC_CANCEL, kCancelButton);
  SetDlgItemTextA(pages[ComponentsPage], IDC_CANCEL, kCancelButton);
  SetDlgItemTextA(pages[FolderPage], IDC_CANCEL, kCancelButton);
  SetDlgItemTextA(pages[FolderPage], IDC_BROWSE, kBrowseButton);
  SetDlgItemTextA(pages[ComponentsPage], IDC_BACK, kBackButton);
  SetDlgItemTextA(pages[FolderPage], IDC_BACK, kBackButton);
  SetDlgItemTextA(pages[ProgressPage], IDC_SHOW_DETAILS, kShowDetailsButton);
}

// The license is shown as stored, cut at 511 bytes and ended by a zero byte.
void ShowLicense(SetupContext* context) {
  std::memset(context->scratch.text, 0, kScratchBytes);
  const PayloadEntry& license = context->entries[kLicenseEntry];
  uint32_t length = license.size < kLicenseLimit ? license.size : kLicenseLimit;
  std::memcpy(context->scratch.text, context->payload.data + license.offset, length);
  SetDlgItemTextA(context->pages[LicensePage], IDC_LICENSE_TEXT, context->scratch.text);
}

void CentreFrame(HWND frame) {
  RECT window, work;
  GetWindowRect(frame, &window);
  // Where the work area cannot be read, the primary screen stands in for it.
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
    work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  int32_t x, y;
  CentreIn({work.left, work.top, work.right, work.bottom}, {window.left, window.top, window.right, window.bottom}, &x,
           &y);
  SetWindowPos(frame, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowDetails(SetupContext* context) {
  ShowWindow(GetDlgItem(context->pages[ProgressPage], IDC_SHOW_DETAILS), SW_HIDE);
  ShowWindow(context->detailsList, SW_SHOW);
  SetFocus(context->detailsList);
}

void CloseFrame(SetupContext* context) { PostMessageW(context->frameWindow, WM_CLOSE, 0, 0); }

// Gives a multi-line edit the formatting rectangle `from` with its left and
// top edges moved inwards by dx and dy pixels.
void AddEditMargins(HWND edit, const RECT& from, int dx, int dy) {
  RECT rect = from;
  rect.left += dx;
  rect.top += dy;
  SendMessageW(edit, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rect));
}

// Creates the pages, sets every text, starts the timer, centres and shows
// the frame. Returns 1 on success, 0 on failure.
int InitWizard(SetupContext* context, HWND frame) {
  for (uint32_t i = 0; i < kPageCount; ++i) {
    context->pages[i] =
        CreateDialogParamW(context->instance, MAKEINTRESOURCEW(IDD_LICENSE + i), frame, PageDialogProc, 0);
    if (!context->pages[i]) return 0;
  }
  context->detailsList = GetDlgItem(context->pages[ProgressPage], IDC_DETAILS_LIST);
  // Every margin is measured from the rectangle read here: the edit adds its
  // own inner margins to any rectangle it is given, so one read back later
  // would carry them twice, and margins from DPI changes would pile up.
  HWND license = GetDlgItem(context->pages[LicensePage], IDC_LICENSE_TEXT);
  SendMessageW(license, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&context->licenseRect));
  AddEditMargins(license, context->licenseRect, kInitialLicenseMargin, kInitialLicenseMargin);
  SetWindowTextW(frame, context->edition->title);
  SetPageTexts(context);
  FillComponentsPage(context->pages[ComponentsPage], context->componentNames);
  SetDlgItemTextW(context->pages[FolderPage], IDC_FOLDER_EDIT, context->installDir);
  ShowLicense(context);

  context->icon = LoadIconW(context->instance, MAKEINTRESOURCEW(IDI_SETUP));
  SendMessageW(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(context->icon));
  SendMessageW(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(context->icon));
  if (!SetTimer(frame, kStepTimer, kStepPeriod, nullptr)) return 0;

  CentreFrame(frame);
  ShowPage(context, LicensePage);
  ShowWindow(frame, SW_SHOWNORMAL);
  return 1;
}

}  // namespace

void ShowPage(SetupContext* context, uint32_t index) {
  if (index >= kPageCount) {
    CloseFrame(context);
    return;
  }
  context->currentPage = index;
  for (uint32_t i = 0; i < kPageCount; ++i) ShowWindow(context->pages[i], i == index ? SW_SHOW : SW_HIDE);
  HWND page = context->pages[index];
  SetFocus(page);
  // Once the page handles it, its forward button has the focus and is the
  // default button.
  PostMessageW(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(page, IDC_FORWARD)), TRUE);
  if (index == FolderPage) UpdateSpaceInfo(context);
  if (index == ProgressPage) {
    context->state = InstallState::Installing;
    PostMessageW(context->frameWindow, kInstallStepMessage, 0, 0);
  }
}

INT_PTR CALLBACK MainDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  SetupContext* context = g_setup;
  switch (message) {
    case WM_INITDIALOG:
      if (!InitWizard(context, hwnd)) {
        MessageBoxA(nullptr, kInitFailedText, kErrorCaption, MB_ICONERROR);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
      }
      return TRUE;
    case WM_TIMER:
      if (context->pendingStep != 0) RunInstallStep(context, context->pendingStep - 1);
      return TRUE;
    case kInstallStepMessage:
      context->pendingStep = uint32_t(wParam) + 1;
      return TRUE;
    case WM_CLOSE:
      // The installation runs to its end: closing now would leave it half done.
      if (context->state == InstallState::Installing) return TRUE;
      KillTimer(hwnd, kStepTimer);
      context->state = InstallState::Closing;
      DestroyWindow(hwnd);
      return TRUE;
    case WM_DESTROY:
      if (context->state == InstallState::Closing) PostQuitMessage(0);
      return TRUE;
    case WM_DPICHANGED: {
      int margin = DpiMargin(HIWORD(wParam));
      // Replaces the margin before it rather than adding to it, so moving
      // between monitors never pushes the text further in.
      AddEditMargins(GetDlgItem(context->pages[LicensePage], IDC_LICENSE_TEXT), context->licenseRect, margin, margin);
      return TRUE;
    }
  }
  return FALSE;
}

INT_PTR CALLBACK PageDialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  SetupContext* context = g_setup;
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_FORWARD:
          ShowPage(context, context->currentPage + 1);
          return TRUE;
        case IDC_CANCEL:
          CloseFrame(context);
          return TRUE;
        case IDC_BACK:
          ShowPage(context, context->currentPage - 1);
          return TRUE;
        case IDC_BROWSE:
          BrowseForFolder(context);
          return TRUE;
        case IDC_SHOW_DETAILS:
          ShowDetails(context);
          return TRUE;
      }
      return FALSE;
    case WM_CTLCOLORLISTBOX: {
      if (reinterpret_cast<HWND>(lParam) != context->detailsList) return FALSE;
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetDCBrushColor(dc, kDetailsBackground);
      SetBkColor(dc, kDetailsBackground);
      SetTextColor(dc, kDetailsText);
      return reinterpret_cast<INT_PTR>(GetStockObject(DC_BRUSH));
    }
  }
  return FALSE;
}
