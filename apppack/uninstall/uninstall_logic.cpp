#include "uninstall_logic.h"

#include "number_text.h"
#include "wide_text.h"

// Keys up to Software\Classes belong to the system; below it, every key the
// registrations passed through (Directory\shell on a machine that had none,
// say) goes once nothing is left in it. Of the install folder value and the
// Add/Remove Programs entry only the key named after us is ours.
const LayoutTable kLayoutTables[3] = {
    {kShellRegistrationRows, kShellRegistrationRowCount, 1},
    {&kAppPathRow, 1, 0},
    {kUninstallRows, kUninstallRowCount, 4},
};

namespace {

bool SameText(const wchar_t* a, const wchar_t* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

// The file a command or an icon location names; false when it names none.
bool NamedFile(const FoundValue& value, bool isIcon, wchar_t* file) {
  if (!value.text) return false;
  return isIcon ? IconFile(value.text, file, kFolderUnits) : CommandProgram(value.text, file, kFolderUnits);
}

bool NamesProgramIn(const FoundValue& value, bool isIcon, const wchar_t* folder) {
  wchar_t file[kFolderUnits];
  return NamedFile(value, isIcon, file) && IsInFolder(file, folder);
}

bool NamesExactly(const FoundValue& value, bool isIcon, const wchar_t* path) {
  wchar_t file[kFolderUnits];
  return NamedFile(value, isIcon, file) && SamePath(file, path);
}

void Append(wchar_t* text, size_t capacity, const wchar_t* more) { WideAppend(text, capacity, more); }

void AppendNumber(wchar_t* text, size_t capacity, uint64_t number) {
  wchar_t digits[kNumberUnits];
  WriteNumber(digits, number);
  Append(text, capacity, digits);
}

const wchar_t* FailureReason(uint32_t error) {
  switch (error) {
    case 5:  // ERROR_ACCESS_DENIED
      return L"access denied";
    case 32:  // ERROR_SHARING_VIOLATION
    case 33:  // ERROR_LOCK_VIOLATION
      return L"in use by another program";
    case 145:  // ERROR_DIR_NOT_EMPTY
      return L"not empty";
    case kUninstallerRunning:
      return L"in use by the uninstaller itself; delete it once this message is closed";
    case kReachedThroughLink:
      return L"reached through a link to another place; left as it is";
    case kFolderUnknown:
      return L"the system did not name its folder; nothing was looked at";
    default:
      return nullptr;
  }
}

struct KindNames {
  const wchar_t* one;
  const wchar_t* many;
};
const KindNames kKindNames[kItemKinds] = {
    {L"program file", L"program files"},
    {L"shortcut", L"shortcuts"},
    {L"registry value", L"registry values"},
    {L"folder", L"folders"},
};

// "8 program files, 8 shortcuts and 2 folders"; false when all are zero.
bool AppendCounts(wchar_t* text, size_t capacity, const uint32_t* counts) {
  uint32_t listed = 0, total = 0;
  for (uint32_t k = 0; k < kItemKinds; ++k) total += counts[k] ? 1 : 0;
  for (uint32_t k = 0; k < kItemKinds; ++k) {
    if (!counts[k]) continue;
    if (listed > 0) Append(text, capacity, listed + 1 == total ? L" and " : L", ");
    AppendNumber(text, capacity, counts[k]);
    Append(text, capacity, L" ");
    Append(text, capacity, counts[k] == 1 ? kKindNames[k].one : kKindNames[k].many);
    ++listed;
  }
  return listed > 0;
}

}  // namespace

bool CommandProgram(const wchar_t* command, wchar_t* program, size_t capacity) {
  while (*command == L' ' || *command == L'\t') ++command;
  const wchar_t* start = command;
  const wchar_t* end;
  if (*command == L'"') {
    start = ++command;
    while (*command && *command != L'"') ++command;
    end = command;
  } else {
    while (*command && *command != L' ' && *command != L'\t') ++command;
    end = command;
  }
  if (end == start) {
    if (capacity > 0) program[0] = 0;
    return false;
  }
  return WideCopyCount(program, capacity, start, size_t(end - start));
}

bool IconFile(const wchar_t* location, wchar_t* file, size_t capacity) {
  size_t length = WideLength(location);
  // The index after the last comma, if that is all digits (and a sign).
  size_t comma = length;
  while (comma > 0 && location[comma - 1] != L',') --comma;
  if (comma > 0) {
    const wchar_t* index = location + comma;
    if (*index == L'-') ++index;
    bool digits = *index != 0;
    for (const wchar_t* p = index; *p; ++p) digits = digits && *p >= L'0' && *p <= L'9';
    if (digits) length = comma - 1;
  }
  const wchar_t* start = location;
  if (length >= 2 && start[0] == L'"' && start[length - 1] == L'"') ++start, length -= 2;
  if (length == 0) {
    if (capacity > 0) file[0] = 0;
    return false;
  }
  return WideCopyCount(file, capacity, start, length);
}

bool HoldsWhatSetupWrote(const RegistryRow& row, const FoundValue& value, const Installation& ours) {
  if (!value.present || value.type != row.type) return false;
  switch (row.source) {
    case FixedText:
      return value.text && SameText(value.text, row.text);
    case FixedNumber:
      return value.number == row.number;
    case EstimatedKilobytes:
      return true;  // any size: it depends on what was selected
    case InstallFolder:
      return value.text && SamePath(value.text, ours.folder);
    case ProgramIconText:
      return NamesProgramIn(value, true, ours.folder);
    case ProgramOpenCommand:
      return NamesProgramIn(value, false, ours.folder);
    case UninstallIconText:
      return NamesExactly(value, true, ours.uninstaller);
    case UninstallCommand:
      return NamesExactly(value, false, ours.uninstaller);
    case EditionTitle:
      return value.text && SameText(value.text, ours.edition->title);
  }
  return false;
}

void DecideGroups(const LayoutTable& table, const bool* holds, bool* groupIsOurs) {
  for (uint32_t i = 0; i < table.count; ++i) {
    groupIsOurs[i] = false;
    for (uint32_t d = 0; d < table.count; ++d) {
      const RegistryRow& decider = table.rows[d];
      if (decider.decides && decider.group == table.rows[i].group) groupIsOurs[i] = holds[d];
    }
  }
}

uint32_t KeyDepth(const RegistryRow& row) {
  uint32_t depth = 0;
  while (depth < kKeyComponents && row.key[depth]) ++depth;
  return depth;
}

bool ComposeKeyPrefix(const RegistryRow& row, uint32_t depth, wchar_t* path, size_t capacity) {
  const wchar_t* components[kKeyComponents] = {};
  for (uint32_t i = 0; i < depth && i < kKeyComponents; ++i) components[i] = row.key[i];
  return ComposeKeyPath(path, capacity, components);
}

void NoteRemoved(RemovalReport* report, ItemKind kind) { ++report->removed[kind]; }

void NoteKept(RemovalReport* report, ItemKind kind) { ++report->kept[kind]; }

void NoteFailure(RemovalReport* report, const wchar_t* what, uint32_t error) {
  uint32_t at = report->failureCount++;
  if (at >= kNamedFailures) return;
  wchar_t* line = report->failures[at];
  line[0] = 0;
  // A name too long for the line keeps its end, which tells most.
  size_t length = WideLength(what);
  const size_t room = kFailureUnits - 40;
  if (length > room) {
    Append(line, kFailureUnits, L"...");
    what += length - room;
  }
  Append(line, kFailureUnits, what);
  Append(line, kFailureUnits, L": ");
  const wchar_t* reason = FailureReason(error);
  if (reason) {
    Append(line, kFailureUnits, reason);
  } else {
    Append(line, kFailureUnits, L"error ");
    AppendNumber(line, kFailureUnits, error);
  }
}

void ComposeClosingMessage(const RemovalReport& report, wchar_t* text, size_t capacity) {
  if (capacity == 0) return;
  text[0] = 0;
  Append(text, capacity,
         report.failureCount == 0 ? L"Velunora App Pack has been removed from this computer."
                                  : L"Velunora App Pack could not be removed completely.");
  Append(text, capacity, L"\n\nRemoved: ");
  if (!AppendCounts(text, capacity, report.removed)) Append(text, capacity, L"nothing");
  Append(text, capacity, L".");

  uint32_t kept = 0;
  for (uint32_t k = 0; k < kItemKinds; ++k) kept += report.kept[k];
  if (kept) {
    Append(text, capacity, L"\n\nLeft for the installation that now uses them: ");
    AppendCounts(text, capacity, report.kept);
    Append(text, capacity, L".");
  }

  if (report.failureCount == 0) return;
  Append(text, capacity, L"\n\nCould not remove ");
  AppendNumber(text, capacity, report.failureCount);
  Append(text, capacity, report.failureCount == 1 ? L" item:" : L" items:");
  uint32_t named = report.failureCount < kNamedFailures ? report.failureCount : kNamedFailures;
  for (uint32_t i = 0; i < named; ++i) {
    Append(text, capacity, L"\n");
    Append(text, capacity, report.failures[i]);
  }
  if (report.failureCount > named) {
    Append(text, capacity, L"\nand ");
    AppendNumber(text, capacity, report.failureCount - named);
    Append(text, capacity, L" more.");
  }
}

namespace {

const wchar_t kFinishSwitch[] = L"/finish";
const wchar_t kKeptFinishSwitch[] = L"/finish-kept";

// The next blank-separated token, quotes removed; false when there is none
// or it does not fit.
bool NextToken(const wchar_t** cursor, wchar_t* token, size_t capacity) {
  const wchar_t* p = *cursor;
  while (*p == L' ' || *p == L'\t') ++p;
  if (!*p) return false;
  const wchar_t* start;
  const wchar_t* end;
  if (*p == L'"') {
    start = ++p;
    while (*p && *p != L'"') ++p;
    if (!*p) return false;  // unterminated
    end = p++;
  } else {
    start = p;
    while (*p && *p != L' ' && *p != L'\t') ++p;
    end = p;
  }
  *cursor = p;
  return WideCopyCount(token, capacity, start, size_t(end - start));
}

bool ParseNumber(const wchar_t* text, uint64_t* number) {
  if (!*text) return false;
  uint64_t n = 0;
  for (; *text; ++text) {
    if (*text < L'0' || *text > L'9') return false;
    uint64_t digit = uint64_t(*text - L'0');
    if (n > (UINT64_MAX - digit) / 10) return false;
    n = n * 10 + digit;
  }
  *number = n;
  return true;
}

}  // namespace

bool ComposeFinishCommand(const wchar_t* copy, const FinishRequest& request, wchar_t* command, size_t capacity) {
  if (capacity == 0) return false;
  command[0] = 0;
  bool fits = WideAppend(command, capacity, L"\"") && WideAppend(command, capacity, copy) &&
              WideAppend(command, capacity, L"\" ") &&
              WideAppend(command, capacity, request.kept ? kKeptFinishSwitch : kFinishSwitch) &&
              WideAppend(command, capacity, L" ");
  if (fits) {
    wchar_t number[24] = {};
    AppendNumber(number, 24, request.waitHandle);
    wchar_t file[24] = {};
    AppendNumber(file, 24, request.fileHandle);
    fits = WideAppend(command, capacity, number) && WideAppend(command, capacity, L" ") &&
           WideAppend(command, capacity, file) && WideAppend(command, capacity, L" \"") &&
           WideAppend(command, capacity, request.original) && WideAppend(command, capacity, L"\"");
  }
  if (!fits) command[0] = 0;
  return fits;
}

bool ComposeKeptCommand(const wchar_t* copy, const FinishRequest& request, wchar_t* command, size_t capacity) {
  static const wchar_t kProcessor[] = L"cmd.exe /d /v:off /s /c \"";
  const size_t at = WideLength(kProcessor);
  if (capacity <= at + 1 || !WideCopy(command, capacity, kProcessor)) return false;
  FinishRequest kept = request;
  kept.kept = true;
  bool fits = ComposeFinishCommand(copy, kept, command + at, capacity - at - 1) && WideAppend(command, capacity, L"\"");
  for (const wchar_t* c = command; fits && *c; ++c) fits = *c != L'%';
  if (!fits) command[0] = 0;
  return fits;
}

FinishParse ParseFinishCommand(const wchar_t* commandLine, FinishRequest* request) {
  const wchar_t* cursor = commandLine;
  wchar_t token[kFolderUnits];
  if (!NextToken(&cursor, token, kFolderUnits)) return NotAFinishingRun;  // the program itself
  if (!NextToken(&cursor, token, kFolderUnits)) return NotAFinishingRun;
  FinishRequest parsed = {};
  parsed.kept = SameText(token, kKeptFinishSwitch);
  if (!parsed.kept && !SameText(token, kFinishSwitch)) return NotAFinishingRun;

  if (!NextToken(&cursor, token, kFolderUnits) || !ParseNumber(token, &parsed.waitHandle) ||
      !NextToken(&cursor, token, kFolderUnits) || !ParseNumber(token, &parsed.fileHandle)) {
    return MalformedFinish;
  }
  if (!NextToken(&cursor, parsed.original, kFolderUnits) || parsed.original[0] == 0) return MalformedFinish;
  if (NextToken(&cursor, token, kFolderUnits)) return MalformedFinish;  // nothing may follow
  *request = parsed;
  return FinishingRun;
}
