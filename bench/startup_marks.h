// The clock readings startup-probe takes while it starts, in the order they
// are taken (first-page-floor takes the first alone), and the name of the
// shared block they are handed over in: an array of kStartupMarkCount
// LARGE_INTEGER performance-counter values.
#pragma once

#include <windows.h>

enum StartupMark {
  MarkEntered,         // wWinMain: the process and its DLLs are up
  MarkControlsReady,   // COM and the common controls initialised
  MarkPayloadLoaded,   // LoadPayload returned
  MarkFoldersSettled,  // InitPaths returned
  MarkAdminChecked,    // IsUserAdmin returned
  MarkFrameShown,      // the frame and its pages created, the first page and the frame shown
  kStartupMarkCount,
};

constexpr wchar_t kStartupMarksName[] = L"Local\\VelunoraStartupMarks";

// Copies `count` readings into the block the benchmark made, if it made one.
inline void HandOverMarks(const LARGE_INTEGER* marks, int count) {
  HANDLE block = OpenFileMappingW(FILE_MAP_WRITE, FALSE, kStartupMarksName);
  if (!block) return;
  if (void* view = MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, sizeof *marks * count)) {
    CopyMemory(view, marks, sizeof *marks * count);
    UnmapViewOfFile(view);
  }
  CloseHandle(block);
}
