#include <windows.h>

#include "setup_context.h"
#include "system_startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: setup.exe usually runs elevated from a
  // download folder, where anyone may have left a DLL named like a system
  // one. From here on every load, ours and the system's on our behalf,
  // searches System32 only, never the program's folder or the current one.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

  SetupContext context{};
  InitSetupContext(&context, instance);
  SystemStartup startup(&context);
  // The payload block goes back to the heap as the context ends, after COM.
  return RunStartup(startup);
}
