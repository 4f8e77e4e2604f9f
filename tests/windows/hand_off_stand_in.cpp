// Stands in for the command processor the finishing copy hands its delete
// handle to. It stays until the test sets its event, so that the test can
// see what it holds meanwhile.
#include <windows.h>

int wmain() {
  HANDLE done = OpenEventW(SYNCHRONIZE, FALSE, L"VelunoraHandOffStandIn");
  if (!done) return 1;
  WaitForSingleObject(done, 60000);
  CloseHandle(done);
  return 0;
}
