#include <windows.h>

#include "edition.h"
#include "setup_context.h"
#include "system_startup.h"
#include "trusted_paths.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Right after the entry point has limited the DLL search: an elevated
  // setup follows no link a standard user made, wherever the system can
  // enforce that itself.
  if (kProgramEdition.needsAdministrator) EnableRedirectionGuard();
  SetupContext context{};
  InitSetupContext(&context, instance, kProgramEdition);
  SystemStartup startup(&context);
  // The payload block goes back to the heap as the context ends, after COM.
  return RunStartup(startup, kProgramEdition);
}
