// The setup's dialog templates as the dialog manager builds them. A template
// it refuses, or a control it cannot create, would only show when the wizard
// starts, whatever the template's bytes look like. This program links the
// same resources as setup.exe, manifest included, so the controls come from
// version 6 of the common controls here too.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "resource.h"

namespace {

INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

using Children = std::vector<std::pair<int, std::wstring>>;

// The page's controls in Z order (template order), with their identifiers
// cut to 16 bits: the icon statics' -1 comes back as 0xFFFF from a plain
// template and as -1 from an extended one.
Children ChildrenOf(HWND page) {
  Children children;
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    GetClassNameW(c, cls, 64);
    children.push_back({GetDlgCtrlID(c) & 0xFFFF, cls});
  }
  return children;
}

// The identifiers Tab visits, starting at the default button.
std::vector<int> TabCycle(HWND page) {
  std::vector<int> ids;
  HWND first = GetDlgItem(page, IDC_FORWARD);
  HWND at = first;
  do {
    ids.push_back(GetDlgCtrlID(at));
    at = GetNextDlgTabItem(page, at, FALSE);
  } while (at && at != first && ids.size() < 32);
  return ids;
}

class DialogTemplates : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&icc));
    frame_ = CreateDialogParamW(module_, MAKEINTRESOURCEW(IDD_FRAME), nullptr, IgnoreMessages, 0);
    ASSERT_NE(frame_, nullptr) << GetLastError();
    for (int i = 0; i < 4; ++i) {
      pages_[i] = CreateDialogParamW(module_, MAKEINTRESOURCEW(IDD_LICENSE + i), frame_, IgnoreMessages, 0);
      ASSERT_NE(pages_[i], nullptr) << "page " << IDD_LICENSE + i << ", error " << GetLastError();
    }
  }
  void TearDown() override {
    if (frame_) DestroyWindow(frame_);
  }

  HINSTANCE module_ = GetModuleHandleW(nullptr);
  HWND frame_ = nullptr;
  HWND pages_[4] = {};
};

TEST_F(DialogTemplates, EveryPageHasItsControlsInOrder) {
  const wchar_t* button = L"Button";
  const wchar_t* edit = L"Edit";
  const wchar_t* stat = L"Static";
  const Children want[4] = {
      {{0xFFFF, stat}, {1, button}, {2, button}, {1004, edit}, {1000, stat}},
      {{0xFFFF, stat},
       {1, button},
       {1006, button},
       {1007, button},
       {1008, button},
       {1009, button},
       {1010, button},
       {1011, button},
       {1012, button},
       {1013, button},
       {1014, button},
       {2, button},
       {3, button},
       {1001, stat}},
      {{0xFFFF, stat},
       {1, button},
       {4, button},
       {2, button},
       {3, button},
       {1015, button},
       {1005, edit},
       {1002, stat},
       {1017, stat},
       {1016, stat}},
      {{0xFFFF, stat}, {1, button}, {5, button}, {1018, L"ListBox"}, {1003, stat}, {1019, L"msctls_progress32"}},
  };
  int frameChildren = 0;
  for (HWND c = GetWindow(frame_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++frameChildren;
  EXPECT_EQ(frameChildren, 4) << "the frame has no controls of its own";
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ChildrenOf(pages_[i]), want[i]) << "page " << IDD_LICENSE + i;
    HWND icon = GetWindow(pages_[i], GW_CHILD);
    EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0) << "page " << IDD_LICENSE + i << " shows no icon";
  }
  HWND bar = GetDlgItem(pages_[3], IDC_PROGRESS_BAR);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100);
}

TEST_F(DialogTemplates, PagesCoverTheFrameClientArea) {
  RECT client;
  GetClientRect(frame_, &client);
  EXPECT_GT(client.right, 0);
  for (HWND page : pages_) {
    RECT r;
    GetWindowRect(page, &r);
    MapWindowPoints(nullptr, frame_, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(EqualRect(&r, &client)) << r.left << "," << r.top << "," << r.right << "," << r.bottom << " in "
                                        << client.right << "x" << client.bottom;
  }
}

// Tab reaches only buttons and check boxes: never the read-only edits, and
// never the spare check box or the details list while they are hidden.
TEST_F(DialogTemplates, TabVisitsOnlyTheUsableControls) {
  ShowWindow(frame_, SW_SHOWNA);
  const std::vector<int> want[4] = {
      {1, 2},
      {1, 1006, 1007, 1008, 1009, 1010, 1011, 1012, 1013, 2, 3},
      {1, 4, 2, 3},
      {1, 5},
  };
  for (int i = 0; i < 4; ++i) {
    ShowWindow(pages_[i], SW_SHOWNA);
    EXPECT_EQ(TabCycle(pages_[i]), want[i]) << "page " << IDD_LICENSE + i;
    ShowWindow(pages_[i], SW_HIDE);
  }
  HWND spare = GetDlgItem(pages_[1], IDC_COMPONENT_SPARE);
  EXPECT_FALSE(IsWindowEnabled(spare));
  EXPECT_FALSE(GetWindowLongW(spare, GWL_STYLE) & WS_VISIBLE);
}

}  // namespace
