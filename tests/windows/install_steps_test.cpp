// The nine install steps run for real: the carried payload, scratch install
// and Start-menu folders, the prefix's registry, and the components and
// progress pages created hidden from setup.exe's own templates.
#include "install_steps.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "carried_payload.h"
#include "packer_input.h"
#include "payload_loader.h"
#include "progress_page.h"
#include "registry.h"
#include "resource.h"
#include "shell_files.h"
#include "test_support.h"
#include "wizard.h"

namespace {

const wchar_t* const kWrittenKeys[] = {
    L"Software\\Velunora",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora",
    L"Software\\Classes\\Directory\\shell\\Tunebridge",
    L"Software\\Classes\\SystemFileAssociations\\audio\\shell\\Tunebridge",
    L"Software\\Classes\\.ntxt",
    L"Software\\Classes\\Notelocker.Document",
    L"Software\\Classes\\.kvx",
    L"Software\\Classes\\Wardbin.File",
    L"Software\\Classes\\.dft",
    L"Software\\Classes\\Drifthub.File",
};

struct Installation : TestContext {
  ScratchFolder scratch;
  HWND receiver = nullptr;  // stands in for the frame: receives the chain of steps
  bool ready = false;       // the payload is loaded and the pages exist

  explicit Installation(uint32_t selection) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // as wWinMain does: shortcuts need it
    for (const wchar_t* key : kWrittenKeys) RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
    PayloadResource resource;
    ready = LoadPayload(context.instance, kCarriedPayload, &resource, &context.payload, context.entries) ==
            PayloadStatus::Ok;
    wcscpy(context.installDir, scratch.Path(L"Program Files\\Velunora\\").c_str());
    wcscpy(context.startMenuDir, scratch.Path(L"Start Menu\\Velunora\\").c_str());
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    receiver = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    context.frameWindow = receiver;
    for (uint32_t page : {1u, 3u}) {
      context.pages[page] =
          CreateDialogParamW(context.instance, MAKEINTRESOURCEW(IDD_LICENSE + page), receiver, PageDialogProc, 0);
    }
    context.detailsList = GetDlgItem(context.pages[3], IDC_DETAILS_LIST);
    ready = ready && context.pages[1] && context.detailsList;
    bool selected[8];
    for (uint32_t k = 0; k < 8; ++k) {
      selected[k] = (selection >> k & 1) != 0;
      CheckDlgButton(context.pages[1], IDC_COMPONENT_FIRST + k, selected[k] ? BST_CHECKED : BST_UNCHECKED);
    }
    context.requiredBytes = 0;
    for (uint32_t k = 0; k < 8; ++k) context.requiredBytes += selected[k] ? context.entries[k + 1].size : 0;
    if (context.requiredBytes) context.requiredBytes += context.entries[9].size;
  }

  ~Installation() {
    for (const wchar_t* key : kWrittenKeys) RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
    DestroyWindow(receiver);
    CoUninitialize();
  }

  // Runs the chain as the frame would: each step must clear pendingStep,
  // post the next step and leave the folders as it found them.
  void Run() {
    std::wstring install = context.installDir, startMenu = context.startMenuDir;
    for (uint32_t step = 0; step <= 8; ++step) {
      context.pendingStep = step + 1;
      RunInstallStep(&context, step);
      EXPECT_EQ(context.pendingStep, 0u);
      MSG m;
      bool posted = PeekMessageW(&m, receiver, kInstallStepMessage, kInstallStepMessage, PM_REMOVE) != 0;
      EXPECT_EQ(posted, step < 8) << step;
      if (posted) {
        EXPECT_EQ(m.wParam, step + 1);
      }
      EXPECT_EQ(SendDlgItemMessageW(context.pages[3], IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0),
                LRESULT((step + 1) * 100 / 9));
      EXPECT_EQ(std::wstring(context.installDir), install);
      EXPECT_EQ(std::wstring(context.startMenuDir), startMenu);
    }
  }

  std::vector<std::wstring> Lines() const {
    std::vector<std::wstring> lines;
    LRESULT count = SendMessageW(context.detailsList, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t line[512] = {};
      SendMessageW(context.detailsList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
      lines.push_back(line);
    }
    return lines;
  }

  std::string Status() const {
    char text[256] = {};
    GetDlgItemTextA(context.pages[3], IDC_STATUS, text, sizeof text);
    return text;
  }
};

std::wstring Text(const std::vector<BYTE>& data) {
  return std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2 - 1);
}

// What the packer was given, through Wine's drive of the whole host.
std::vector<PackedFile> PackerInput() {
  std::vector<PackedFile> files;
  std::string manifest = VELUNORA_PAYLOAD_MANIFEST;
  EXPECT_TRUE(ReadPackerInput(L"Z:" + std::wstring(manifest.begin(), manifest.end()), L"Z:", &files)) << manifest;
  return files;
}

TEST(RunInstallStep, InstallsEverySelectedComponentForReal) {
  std::vector<PackedFile> packed = PackerInput();
  ASSERT_EQ(packed.size(), kPayloadEntryCount);
  Installation i(0xFF);
  ASSERT_TRUE(i.ready);
  FILETIME before;
  GetSystemTimeAsFileTime(&before);
  i.Run();
  EXPECT_EQ(i.Status(), "Installation completed successfully.");
  EXPECT_EQ(i.context.state, InstallState::Finished);
  EXPECT_EQ(i.context.errorCount, 0u);
  std::wstring install = i.context.installDir, startMenu = i.context.startMenuDir;

  std::vector<std::wstring> expected;
  for (uint32_t k = 0; k < 8; ++k) {
    std::wstring program = install + kComponentTable[k].name + L".exe";
    std::wstring shortcut = startMenu + kComponentTable[k].name + L".lnk";
    expected.push_back(program);
    expected.push_back(shortcut);
    const PackedFile& input = packed[kComponentTable[k].payloadEntry];
    std::vector<BYTE> bytes;
    ASSERT_TRUE(ReadFileBytes(program, &bytes)) << k;
    EXPECT_TRUE(bytes == input.bytes) << k << ": " << bytes.size() << " bytes, packed " << input.bytes.size();
    WIN32_FILE_ATTRIBUTE_DATA info;
    ASSERT_TRUE(GetFileAttributesExW(program.c_str(), GetFileExInfoStandard, &info));
    ULARGE_INTEGER time = {{info.ftLastWriteTime.dwLowDateTime, info.ftLastWriteTime.dwHighDateTime}};
    EXPECT_NE(input.lastWrite, 0u) << k;
    EXPECT_EQ(time.QuadPart, input.lastWrite) << k;
    EXPECT_NE(GetFileAttributesW(shortcut.c_str()), INVALID_FILE_ATTRIBUTES) << k;
  }
  std::wstring uninstaller = install + L"uninstall.exe";
  expected.push_back(uninstaller);
  EXPECT_EQ(i.Lines(), expected);

  // The uninstaller carries the time of writing.
  WIN32_FILE_ATTRIBUTE_DATA info;
  ASSERT_TRUE(GetFileAttributesExW(uninstaller.c_str(), GetFileExInfoStandard, &info));
  ULARGE_INTEGER written = {{info.ftLastWriteTime.dwLowDateTime, info.ftLastWriteTime.dwHighDateTime}};
  ULARGE_INTEGER start = {{before.dwLowDateTime, before.dwHighDateTime}};
  EXPECT_GE(written.QuadPart + 20000000ull, start.QuadPart);

  DWORD type;
  std::vector<BYTE> data;
  ASSERT_TRUE(ReadHklmValue(L"Software\\Velunora", L"AppPath", &type, &data));
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(Text(data), install);
  EXPECT_EQ(data.size(), 2 * (install.size() + 1));
  ASSERT_TRUE(ReadHklmValue(L"Software\\Classes\\Wardbin.File\\shell\\open\\command", nullptr, &type, &data));
  EXPECT_EQ(Text(data), L"\"" + install + L"Wardbin.exe\" \"%1\"");
  ASSERT_TRUE(ReadHklmValue(L"Software\\Classes\\.ntxt", nullptr, &type, &data));
  EXPECT_EQ(data.size(), 40u);
  const wchar_t* arp = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velunora";
  ASSERT_TRUE(ReadHklmValue(arp, L"UninstallString", &type, &data));
  EXPECT_EQ(Text(data), L"\"" + uninstaller + L"\"");
  ASSERT_TRUE(ReadHklmValue(arp, L"EstimatedSize", &type, &data));
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(*reinterpret_cast<DWORD*>(data.data()), 2396u);
}

TEST(RunInstallStep, ReportsALockedProgramAndGoesOn) {
  Installation i((1 << 0) | (1 << 1));
  ASSERT_TRUE(i.ready);
  ASSERT_EQ(CreateDirectoryChain(i.context.installDir), 1);
  std::wstring talvex = std::wstring(i.context.installDir) + L"Talvex.exe";
  ASSERT_TRUE(WriteFileBytes(talvex, "old", 3));
  HANDLE holder = CreateFileW(talvex.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  i.Run();
  CloseHandle(holder);
  std::wstring startMenu = i.context.startMenuDir;
  EXPECT_EQ(i.Lines(), (std::vector<std::wstring>{
                           talvex, L"ERROR: Write failed.", std::wstring(i.context.installDir) + L"Glimmerdex.exe",
                           startMenu + L"Glimmerdex.lnk", std::wstring(i.context.installDir) + L"uninstall.exe"}));
  EXPECT_EQ(i.Status(), "Installation failed.");
  EXPECT_EQ(i.context.errorCount, 1u);
  EXPECT_EQ(GetFileAttributesW((startMenu + L"Talvex.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
