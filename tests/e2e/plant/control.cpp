// The control of the DLL-planting test: a program that loads DLLs by their
// bare names, as a program without setup.exe's hardening does. Started from
// the download folder, it must pick up the planted copies there; with
// --hardened it first restricts the search as setup.exe does, and must not.
//
//   plant-control [--hardened] NAME.dll...
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  int first = 1;
  if (argc > 1 && lstrcmpW(argv[1], L"--hardened") == 0) {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    first = 2;
  }
  for (int i = first; i < argc; ++i) {
    HMODULE module = LoadLibraryW(argv[i]);
    if (module) FreeLibrary(module);
  }
  return 0;
}
