#include <windows.h>

#include "edition.h"
#include "setup_context.h"
#include "system_startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  SetupContext context{};
  InitSetupContext(&context, instance, kProgramEdition);
  SystemStartup startup(&context);
  // The payload block goes back to the heap as the context ends, after COM.
  return RunStartup(startup, kProgramEdition);
}
