// What the uninstaller may remove, decided from what it reads back: whether
// a path, a command line or an icon location names a program of its folder,
// which registry values still hold what setup.exe wrote for this
// installation, which keys may go once they are empty, and the text of the
// closing message. Platform neutral, so every decision is tested without a
// registry or a file system; the program around it only reads and deletes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "edition.h"
#include "path_text.h"
#include "registry_layout.h"
#include "trust.h"

// ---- Paths ---------------------------------------------------------------

// The program a command line starts, as Windows reads it: the quoted text,
// or the text up to the first blank when unquoted. False when there is none
// or it does not fit.
bool CommandProgram(const wchar_t* command, wchar_t* program, size_t capacity);

// The file of an icon location "path,index". False when there is none.
bool IconFile(const wchar_t* location, wchar_t* file, size_t capacity);

// ---- Registry --------------------------------------------------------------

// What this uninstaller stands for.
struct Installation {
  const wchar_t* folder;       // the install folder, ending with a separator
  const wchar_t* uninstaller;  // the uninstaller's full path in that folder
  const Edition* edition;      // whose values, below which root, with which Start menu
};

// A registry value as read back.
struct FoundValue {
  bool present;
  uint32_t type;
  const wchar_t* text;  // REG_SZ data, terminated; null for other types
  uint32_t number;      // REG_DWORD data
};

// A table of layout rows and how far the system's own keys reach in it:
// keys up to that depth (components after "Software") are never removed,
// deeper keys of a row go when they are left empty.
struct LayoutTable {
  const RegistryRow* rows;
  uint32_t count;
  uint32_t systemDepth;
};

// The shell registrations (below Software\Classes), the install folder value
// and the Add/Remove Programs entry, in the order they are removed.
extern const LayoutTable kLayoutTables[3];

// True when `value` still holds what setup.exe writes into `row` for this
// installation: the same fixed text or number, a command or icon naming a
// program of our folder, our folder, a command naming our uninstaller, or
// our edition's title.
bool HoldsWhatSetupWrote(const RegistryRow& row, const FoundValue& value, const Installation& ours);

// Whether the group of each row is still ours: its deciding row holds what
// setup.exe wrote. `holds` and `groupIsOurs` have an entry for each row; a
// group without a deciding row in the table is never ours.
void DecideGroups(const LayoutTable& table, const bool* holds, bool* groupIsOurs);

// Number of key components of `row` (after "Software").
uint32_t KeyDepth(const RegistryRow& row);

// Composes "Software" and the first `depth` components of the row's key.
// False, with `path` empty, when it does not fit.
bool ComposeKeyPrefix(const RegistryRow& row, uint32_t depth, wchar_t* path, size_t capacity);

// ---- The closing message ---------------------------------------------------

enum ItemKind : uint32_t { ProgramKind, ShortcutKind, RegistryKind, FolderKind, kItemKinds };

constexpr uint32_t kNamedFailures = 12;  // a longer list is counted, not named
constexpr size_t kFailureUnits = 340;    // a path or a key path with its value name, and the reason

struct RemovalReport {
  uint32_t removed[kItemKinds];
  uint32_t kept[kItemKinds];  // of ours by name, but another installation's by content
  uint32_t failureCount;
  wchar_t failures[kNamedFailures][kFailureUnits];
};

void NoteRemoved(RemovalReport* report, ItemKind kind);
void NoteKept(RemovalReport* report, ItemKind kind);
// Names `what` and why it could not be removed: a system error code, or
// one of the reasons below.
void NoteFailure(RemovalReport* report, const wchar_t* what, uint32_t error);
// Reasons of the uninstaller's own; bit 29 marks codes of an application's
// own, which the system never uses.
// The running uninstaller, which no program can delete while it runs.
constexpr uint32_t kUninstallerRunning = 0x20000001;
// A folder the system could not name (the Start menu's), so nothing in it
// could be looked at.
constexpr uint32_t kFolderUnknown = 0x20000003;

constexpr size_t kMessageUnits = 6000;
// The one message shown at the end: what was removed, counted by kind; what
// was left for another installation; each item that could not be removed.
void ComposeClosingMessage(const RemovalReport& report, wchar_t* text, size_t capacity);

// ---- Self-removal ------------------------------------------------------------

// The finishing run: a copy of the uninstaller outside the install folder,
// started by the uninstaller with the handle of the uninstaller's process
// (to wait for its end), the handle that deletes the copy's own file when
// it is closed (0: none), and the uninstaller's path.
struct FinishRequest {
  uint64_t waitHandle;
  uint64_t fileHandle;
  wchar_t original[kFolderUnits];
  // Started by a process that holds the file handle too and ends only
  // after the copy: the file goes then, and the copy hands nothing on.
  bool kept;
};

// "copy" /finish PROCESS FILE "original", with /finish-kept for a kept
// copy. False when it does not fit.
bool ComposeFinishCommand(const wchar_t* copy, const FinishRequest& request, wchar_t* command, size_t capacity);

// The command line that has the command processor keep a copy:
// cmd.exe /d /v:off /s /c ""copy" /finish-kept PROCESS FILE "original"", without
// its AutoRun commands and without expanding anything it can help. False
// when it does not fit, or when a path holds a percent sign, which the
// command processor would read as a variable.
bool ComposeKeptCommand(const wchar_t* copy, const FinishRequest& request, wchar_t* command, size_t capacity);

enum FinishParse { NotAFinishingRun, FinishingRun, MalformedFinish };
// Reads a command line as composed above. Any command line without the
// switch is an ordinary start.
FinishParse ParseFinishCommand(const wchar_t* commandLine, FinishRequest* request);
