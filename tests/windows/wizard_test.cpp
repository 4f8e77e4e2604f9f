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
    context.state = InstallState::Closing;
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

RECT LicenseRect(const WizardContext& w) {
  RECT formatted;
  SendMessageW(w.Control(0, IDC_LICENSE_TEXT), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatted));
  return formatted;
}

// Where a fresh license edit of the same template starts its text, and the
// inner margins an edit adds to any rectangle it is given, read from that
// edit by handing it back its own rectangle.
struct PlainLicense {
  RECT formatted;
  POINT inner;
};

PlainLicense MeasurePlainLicense(const WizardContext& w) {
  HWND page = CreateDialogParamW(w.context.instance, MAKEINTRESOURCEW(IDD_LICENSE), w.frame, PageDialogProc, 0);
  HWND edit = GetDlgItem(page, IDC_LICENSE_TEXT);
  PlainLicense plain = {};
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&plain.formatted));
  RECT given = plain.formatted, taken;
  SendMessageW(edit, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&given));
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&taken));
  plain.inner = {taken.left - given.left, taken.top - given.top};
  DestroyWindow(page);
  return plain;
}

TEST(Wizard, StartsTheLicenseSixPixelsIn) {
  WizardContext w(503);
  ASSERT_NE(w.frame, nullptr);
  PlainLicense plain = MeasurePlainLicense(w);
  RECT initial = LicenseRect(w);
  EXPECT_EQ(initial.left, plain.formatted.left + 6 + plain.inner.x);
  EXPECT_EQ(initial.top, plain.formatted.top + 6 + plain.inner.y);
}

// Each DPI change puts the text where its own margin alone puts it, from the
// rectangle the edit started with: the first change back to 96 DPI moves the
// text by the one pixel between 6 and 5, and the wrap width never changes.
TEST(Wizard, MeasuresEveryDpiMarginFromTheFirstRectangle) {
  WizardContext w(503);
  ASSERT_NE(w.frame, nullptr);
  PlainLicense plain = MeasurePlainLicense(w);
  RECT initial = LicenseRect(w);
  struct Case {
    WORD x, y;
    int margin;
  } cases[] = {{96, 96, 5}, {192, 192, 10}, {96, 383, 19} /* the vertical DPI decides */, {96, 96, 5}, {96, 1000, 20}};
  for (const Case& c : cases) {
    SendMessageW(w.frame, WM_DPICHANGED, MAKEWPARAM(c.x, c.y), 0);
    RECT now = LicenseRect(w);
    EXPECT_EQ(now.left, plain.formatted.left + c.margin + plain.inner.x) << c.y;
    EXPECT_EQ(now.top, plain.formatted.top + c.margin + plain.inner.y) << c.y;
    EXPECT_EQ(now.right, initial.right) << c.y;
  }
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
  EXPECT_EQ(w.context.state, InstallState::Idle);
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

  ShowPage(&w.context, 4);
  EXPECT_EQ(w.context.currentPage, 1u);
  EXPECT_TRUE(IsWindowVisible(w.context.pages[1]));
  EXPECT_TRUE(HasPosted(w.frame, WM_CLOSE));
  ShowPage(&w.context, 0xFFFFFFFFu);
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
  w.context.state = InstallState::Installing;
  SendMessageW(w.frame, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(w.frame));
  EXPECT_EQ(w.context.state, InstallState::Installing);

  w.context.state = InstallState::Finished;
  SendMessageW(w.frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(w.frame));
  EXPECT_EQ(w.context.state, InstallState::Closing);
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
