// The wizard frame in this process, built from setup.exe's own templates,
// driven by the messages the platform would send.
#include "wizard.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resource.h"
#include "test_support.h"

namespace {

// A context as InitPaths would leave it, with a license entry of `licenseSize`
// bytes ('a'..'z' repeated) and no other entries.
struct WizardContext : TestContext {
  HWND frame = nullptr;

  explicit WizardContext(uint32_t licenseSize) {
    context.payload.Allocate();
    for (uint32_t i = 0; i < licenseSize; ++i) context.payload.data[132 + i] = uint8_t('a' + i % 26);
    context.entries[0] = {132, licenseSize, {0, 0}};
    wcscpy(context.installDir, L"C:\\Program Files\\Velunora\\");
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    frame = CreateDialogParamW(context.instance, MAKEINTRESOURCEW(IDD_FRAME), nullptr, MainDialogProc, 0);
    context.frameWindow = frame;
  }
  ~WizardContext() {
    context.state = Closing;
    if (IsWindow(frame)) DestroyWindow(frame);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  HWND Control(uint32_t page, int id) const { return GetDlgItem(context.pages[page], id); }
  std::string Text(uint32_t page, int id) const {
    char text[1024] = {};
    GetWindowTextA(Control(page, id), text, sizeof text);
    return text;
  }
};

bool HasPosted(HWND window, UINT message, WPARAM* wParam = nullptr) {
  MSG m;
  if (!PeekMessageW(&m, window, message, message, PM_REMOVE)) return false;
  if (wParam) *wParam = m.wParam;
  return true;
}

TEST(Wizard, ShowsTheLicenseCutAt511Bytes) {
  for (uint32_t size : {503u, 600u, 0u}) {
    WizardContext w(size);
    ASSERT_NE(w.frame, nullptr);
    std::string expected;
    for (uint32_t i = 0; i < size && i < 511; ++i) expected.push_back(char('a' + i % 26));
    EXPECT_EQ(w.Text(0, IDC_LICENSE_TEXT), expected) << size;
  }
}

TEST(Wizard, StartsOnTheFirstPageCentredInTheWorkArea) {
  WizardContext w(503);
  EXPECT_TRUE(IsWindowVisible(w.frame));
  EXPECT_EQ(w.context.currentPage, 0u);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(IsWindowVisible(w.context.pages[i]) != 0, i == 0) << i;
  RECT window, work;
  GetWindowRect(w.frame, &window);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(window.left, work.left + ((work.right - work.left) - (window.right - window.left)) / 2);
  EXPECT_EQ(window.top, work.top + ((work.bottom - work.top) - (window.bottom - window.top)) / 2);
  EXPECT_EQ(w.context.detailsList, w.Control(3, IDC_DETAILS_LIST));
  EXPECT_NE(w.context.icon, nullptr);
}

// Where the license text starts, relative to where a plain edit of the same
// template would start it.
POINT LicenseMargin(const WizardContext& w) {
  HWND edit = w.Control(0, IDC_LICENSE_TEXT);
  RECT formatted;
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatted));
  RECT client;
  GetClientRect(edit, &client);
  return {formatted.left - client.left, formatted.top - client.top};
}

// The edit adds its own fixed inner margins to any rectangle it is given,
// so margins are compared with each other: after each DPI change the text
// must sit exactly where that change's margin alone puts it.
TEST(Wizard, SetsTheLicenseMarginFromTheLatestDpiOnly) {
  WizardContext w(503);
  SendMessageW(w.frame, WM_DPICHANGED, MAKEWPARAM(96, 96), 0);
  POINT at96 = LicenseMargin(w);
  SendMessageW(w.frame, WM_DPICHANGED, MAKEWPARAM(192, 192), 0);
  POINT at192 = LicenseMargin(w);
  EXPECT_EQ(at192.x - at96.x, 10 - 5);
  EXPECT_EQ(at192.y - at96.y, 10 - 5);
  SendMessageW(w.frame, WM_DPICHANGED, MAKEWPARAM(96, 383), 0);  // the vertical DPI decides
  POINT at383 = LicenseMargin(w);
  EXPECT_EQ(at383.x - at96.x, 19 - 5);
  EXPECT_EQ(at383.y - at96.y, 19 - 5);
  SendMessageW(w.frame, WM_DPICHANGED, MAKEWPARAM(96, 96), 0);
  POINT back = LicenseMargin(w);
  EXPECT_EQ(back.x, at96.x);  // nothing accumulated
  EXPECT_EQ(back.y, at96.y);
  SendMessageW(w.frame, WM_DPICHANGED, MAKEWPARAM(96, 1000), 0);
  EXPECT_EQ(LicenseMargin(w).x - at96.x, 20 - 5);
}

TEST(Wizard, StartsTheLicenseSixPixelsIn) {
  WizardContext w(503);
  POINT initial = LicenseMargin(w);
  // A fresh edit of the same template shows where the text would start unmoved.
  HWND plain = CreateDialogParamW(w.context.instance, MAKEINTRESOURCEW(IDD_LICENSE), w.frame, PageDialogProc, 0);
  RECT formatted, client;
  SendDlgItemMessageW(plain, IDC_LICENSE_TEXT, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatted));
  GetClientRect(GetDlgItem(plain, IDC_LICENSE_TEXT), &client);
  DestroyWindow(plain);
  // The edit's own inner margins, as a DPI change at 96 (margin 5) reveals them.
  SendMessageW(w.frame, WM_DPICHANGED, MAKEWPARAM(96, 96), 0);
  POINT inner = LicenseMargin(w);
  inner.x -= 5;
  inner.y -= 5;
  EXPECT_EQ(initial.x - (formatted.left - client.left), 6 + inner.x);
  EXPECT_EQ(initial.y - (formatted.top - client.top), 6 + inner.y);
}

TEST(Wizard, ColoursOnlyTheDetailsList) {
  WizardContext w(503);
  HDC dc = CreateCompatibleDC(nullptr);
  HWND other = CreateWindowW(L"LISTBOX", L"", WS_CHILD, 0, 0, 10, 10, w.context.pages[3], nullptr, nullptr, nullptr);
  // Another list box is left to the system's colours.
  EXPECT_EQ(PageDialogProc(w.context.pages[3], WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(other)),
            FALSE);
  INT_PTR brush = PageDialogProc(w.context.pages[3], WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(w.context.detailsList));
  EXPECT_EQ(brush, reinterpret_cast<INT_PTR>(GetStockObject(DC_BRUSH)));
  EXPECT_EQ(GetBkColor(dc), RGB(2, 38, 9));
  EXPECT_EQ(GetTextColor(dc), RGB(6, 176, 37));
  EXPECT_EQ(GetDCBrushColor(dc), RGB(2, 38, 9));
  DestroyWindow(other);
  DeleteDC(dc);
}

TEST(Wizard, SchedulesTheLatestStepAndIdlesWithoutOne) {
  WizardContext w(503);
  SendMessageW(w.frame, WM_APP, 0, 0);
  SendMessageW(w.frame, WM_APP, 8, 0);
  EXPECT_EQ(w.context.pendingStep, 9u);  // the later one wins
  w.context.pendingStep = 0;
  SendMessageW(w.frame, WM_TIMER, 1, 0);  // nothing due: nothing runs
  EXPECT_EQ(SendMessageW(w.context.detailsList, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(w.Control(3, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(w.context.state, Idle);
}

TEST(Wizard, MovesBetweenPagesAndAsksToCloseBeyondTheLast) {
  WizardContext w(503);
  SendMessageW(w.context.pages[0], WM_COMMAND, IDC_FORWARD, 0);
  EXPECT_EQ(w.context.currentPage, 1u);
  SendMessageW(w.context.pages[1], WM_COMMAND, IDC_FORWARD, 0);
  EXPECT_EQ(w.context.currentPage, 2u);
  EXPECT_EQ(w.Text(2, IDC_SPACE_REQUIRED), "Space required:  0 MB");  // the context holds no programs
  EXPECT_FALSE(IsWindowEnabled(w.Control(2, IDC_FORWARD)));
  SendMessageW(w.context.pages[2], WM_COMMAND, IDC_BACK, 0);
  EXPECT_EQ(w.context.currentPage, 1u);

  ShowPage(4);
  EXPECT_EQ(w.context.currentPage, 1u);
  EXPECT_TRUE(IsWindowVisible(w.context.pages[1]));
  EXPECT_TRUE(HasPosted(w.frame, WM_CLOSE));
  ShowPage(0xFFFFFFFFu);
  EXPECT_TRUE(HasPosted(w.frame, WM_CLOSE));
}

TEST(Wizard, ShowDetailsReplacesItsButtonWithTheList) {
  WizardContext w(503);
  SendMessageW(w.context.pages[3], WM_COMMAND, IDC_SHOW_DETAILS, 0);
  EXPECT_FALSE(GetWindowLongW(w.Control(3, IDC_SHOW_DETAILS), GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(GetWindowLongW(w.context.detailsList, GWL_STYLE) & WS_VISIBLE);
}

TEST(Wizard, IgnoresCloseWhileInstallingAndQuitsOnlyWhenClosing) {
  WizardContext w(503);
  w.context.state = Installing;
  SendMessageW(w.frame, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(w.frame));
  EXPECT_EQ(w.context.state, Installing);

  w.context.state = Finished;
  SendMessageW(w.frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(w.frame));
  EXPECT_EQ(w.context.state, Closing);
  MSG m;
  EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 0u);
}

TEST(Wizard, ADestroyOutsideClosingPostsNoQuit) {
  WizardContext w(503);
  DestroyWindow(w.frame);
  MSG m;
  EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
