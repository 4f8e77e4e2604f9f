// How the uninstaller removes itself. A running program's file cannot be
// deleted, so once the user has said Yes the uninstaller copies itself to a
// temporary place and starts the copy (the finishing run), which waits for
// the uninstaller to end and removes the installation, the uninstaller
// included. The copy's own file is held by a handle that deletes it when
// closed; just before the copy ends it hands that handle to a short-lived
// system process, because a process's handles close before its image is
// unmapped, and a mapped image cannot be deleted. The copy is started by
// the command processor, which holds that handle as well and ends only
// after the copy: the file goes as soon as the copy is gone. Where that
// cannot be done the copy is started alone and hands its handle on to a
// short-lived process at its end; for all users the restart deletes what
// that leaves.
//
// For all users the copy lives in a new, randomly named folder below the
// Windows folder's Temp that only administrators may use, and is also its
// working folder: nothing an unelevated process left anywhere can reach the
// elevated copy. A copy that could not be handed off is deleted at the next
// restart. The single-user edition has no right to delete at restart: its
// copy stays in the user's temporary folder until either uninstaller starts
// again and sweeps it away.
#pragma once

#include <windows.h>

#include <cstdint>

#include "trust.h"
#include "uninstall_logic.h"

// The program's own full path, in its long form, so that it compares with
// the paths setup.exe wrote. False when it does not fit.
bool OwnPath(wchar_t* path);

// True when both open files hold the same bytes, read from where each
// handle stands (a fresh handle: the start).
bool SameContent(HANDLE a, HANDLE b);

// True when `process` is a process handle whose image is the file `path`.
bool IsProcessOf(HANDLE process, const wchar_t* path);

// Starts the finishing copy of the uninstaller `self` with the command line
// that makes it the finishing run. `machineWide`: the copy goes below the
// Windows folder's Temp, otherwise into the user's temporary folder. False,
// with nothing left behind, when it cannot be done.
bool StartFinishingCopy(const wchar_t* self, bool machineWide);

// Deletes files at the next restart; a test hands in a recorder.
class RestartDeletes {
 public:
  virtual bool Schedule(const wchar_t* path) = 0;  // false when refused

 protected:
  ~RestartDeletes() = default;
};

class SystemRestartDeletes final : public RestartDeletes {
 public:
  bool Schedule(const wchar_t* path) override;
};

enum CopyEnd {
  HandedOff,         // a short-lived process holds the handle; the file goes when it ends
  RemovedAtRestart,  // the file (and its folder) are scheduled for the next restart
  LeftForNextStart,  // stays until an uninstaller starts again and sweeps it
};

// The last thing the finishing copy does. `copy` is its own file and
// `deleteOnClose` the handle that deletes it (null when it has none; it must
// be inheritable); `kept` when the process that started the copy holds that
// handle too and outlives it. For all users the copy's folder goes too. `handOff` is
// the program the handle is handed to. Success is never assumed: what could
// not be handed off is scheduled for the restart where that is allowed, and
// only the copy and its folder, never anything of the installation.
CopyEnd EndFinishingCopy(const wchar_t* copy, HANDLE deleteOnClose, bool kept, bool machineWide, const wchar_t* handOff,
                         RestartDeletes& restart);

// The program the delete handle is handed to: the command processor of the
// system folder, told to end at once. False when its path does not fit.
bool HandOffProgram(wchar_t* path, size_t capacity);

// Deletes the finishing copies a run left in `folder` (ending with a
// separator, reached as `trust` allows): files named vlu*.exe of an
// uninstaller's size that no process holds open, so never a copy that is
// still running.
void SweepStaleCopies(const wchar_t* folder, LinkTrust trust);

// The folders finishing copies are kept in: the user's temporary folder,
// and the Windows folder's Temp. False when the path does not fit.
bool UserTempFolder(wchar_t* folder, size_t capacity);
bool WindowsTempFolder(wchar_t* folder, size_t capacity);
