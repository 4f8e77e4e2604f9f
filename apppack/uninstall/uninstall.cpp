// Stand-in for the App Pack's uninstaller, so that the payload carries a real
// program of the right kind in the uninstaller's entries. Built twice: for
// the all-users installation, and with APPPACK_SINGLE_USER for the
// single-user edition. It tells the user that it cannot remove anything yet.
#include <windows.h>

namespace {

#ifdef APPPACK_SINGLE_USER
const wchar_t kMessage[] =
    L"The uninstaller of the Velunora App Pack (single user) is not available in this build.\n\n"
    L"Nothing has been removed.";
#else
const wchar_t kMessage[] =
    L"The uninstaller of the Velunora App Pack is not available in this build.\n\n"
    L"Nothing has been removed.";
#endif
const wchar_t kCaption[] = L"Velunora App Pack Uninstall";

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, kMessage, kCaption, MB_OK | MB_ICONINFORMATION);
  return 0;
}
