/* A DLL that stands in for a system DLL in a download folder, copied there
 * under the system DLL's name. When a process loads it, it appends a line
 * naming itself and that process to planted-loads.log beside it, then
 * refuses to load, so nothing of it is ever called. Built without the C
 * runtime: it needs kernel32 alone, which every process already has. */
#include <windows.h>

static void Append(wchar_t* text, DWORD capacity, const wchar_t* more) {
  DWORD length = (DWORD)lstrlenW(text);
  while (*more && length + 1 < capacity) text[length++] = *more++;
  text[length] = 0;
}

BOOL WINAPI PlantedEntry(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t dll[MAX_PATH], log[MAX_PATH], line[3 * MAX_PATH];
  DWORD length = GetModuleFileNameW(self, dll, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return FALSE;
  lstrcpyW(log, dll);
  wchar_t* name = log + length;
  while (name > log && name[-1] != L'\\') --name;
  *name = 0;
  Append(log, MAX_PATH, L"planted-loads.log");

  lstrcpyW(line, dll);
  Append(line, 3 * MAX_PATH, L" loaded by ");
  DWORD at = (DWORD)lstrlenW(line);
  DWORD got = GetModuleFileNameW(NULL, line + at, MAX_PATH);
  line[at + (got < MAX_PATH ? got : 0)] = 0;
  Append(line, 3 * MAX_PATH, L"\r\n");

  HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written;
    WriteFile(file, line, (DWORD)lstrlenW(line) * sizeof(wchar_t), &written, NULL);
    CloseHandle(file);
  }
  return FALSE;
}
