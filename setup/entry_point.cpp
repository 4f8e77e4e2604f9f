// Where the process starts. setup.exe does without the C runtime's start-up
// code: it reads no command line or environment and needs no exit handlers,
// so all that is left to do is to limit the DLL search, run the static
// constructors a library may bring and hand wWinMain its instance.
// wWinMain's result becomes the exit code.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show);

extern "C" {

// The linker lays out the constructors as a list that starts with -1 and
// ends with 0; they run last to first, as the runtime's own start-up would.
using Constructor = void (*)();
extern Constructor __CTOR_LIST__[];

// The linker's name for the start of the image, which is the instance.
extern IMAGE_DOS_HEADER __ImageBase;

void SetupEntryPoint() {
  // Before anything can load a DLL, a constructor included: setup.exe
  // usually runs elevated from a download folder, where anyone may have left
  // a DLL named like a system one. From here on every load, ours and the
  // system's on our behalf, searches System32 only, never the program's
  // folder or the current one.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

  size_t count = 0;
  while (__CTOR_LIST__[count + 1]) ++count;
  for (size_t i = count; i > 0; --i) __CTOR_LIST__[i]();

  wchar_t noArguments[] = L"";
  ExitProcess(UINT(wWinMain(reinterpret_cast<HINSTANCE>(&__ImageBase), nullptr, noArguments, SW_SHOWDEFAULT)));
}

}  // extern "C"
