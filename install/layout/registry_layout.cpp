#include "registry_layout.h"

#include "components.h"
#include "path_text.h"
#include "wide_text.h"

const wchar_t kAppPathValue[] = L"AppPath";

namespace {

const wchar_t kClasses[] = L"Classes";
const wchar_t kShell[] = L"shell";
const wchar_t kCommand[] = L"command";
const wchar_t kOpen[] = L"open";
const wchar_t kDefaultIcon[] = L"DefaultIcon";
const wchar_t kPlayVerb[] = L"Play with Tunebridge";
const wchar_t kAudio[] = L"SystemFileAssociations";

// Whether a row decides its group.
constexpr bool kDecides = true;
constexpr bool kFollows = false;

}  // namespace

// A fixed REG_SZ text with its byte count, the characters and the
// terminator in UTF-16, counted by the compiler (two bytes a unit, also
// where wchar_t is wider, as in the native tests).
#define FIXED_TEXT(text) FixedText, text, 0, uint32_t(sizeof(text) / sizeof(wchar_t) * 2)
// Data composed as the value is written, counted then.
#define COMPOSED(source) source, nullptr, 0, 0

// The value is alone in its group.
// clang-format off
const RegistryRow kAppPathRow = {8, AppPathGroup, kDecides, {kMakerFolder}, kAppPathValue, kRegSz,
                                 COMPOSED(InstallFolder)};
// clang-format on

// A verb for folders and for every audio file (step 4), then three file
// types of one five-value pattern: extension -> ProgID -> description, icon,
// default verb and its command (steps 5-7). Each verb and each file type is
// one group, decided by its command.
// clang-format off
const RegistryRow kShellRegistrationRows[] = {
    {4, FolderVerbGroup, kFollows, {kClasses, L"Directory", kShell, L"Tunebridge"}, nullptr, kRegSz,
     FIXED_TEXT(kPlayVerb)},
    {4, FolderVerbGroup, kDecides, {kClasses, L"Directory", kShell, L"Tunebridge", kCommand}, nullptr, kRegSz,
     COMPOSED(ProgramOpenCommand)},
    {4, AudioVerbGroup, kFollows, {kClasses, kAudio, L"audio", kShell, L"Tunebridge"}, nullptr, kRegSz,
     FIXED_TEXT(kPlayVerb)},
    {4, AudioVerbGroup, kDecides, {kClasses, kAudio, L"audio", kShell, L"Tunebridge", kCommand}, nullptr, kRegSz,
     COMPOSED(ProgramOpenCommand)},

    {5, NotelockerTypeGroup, kFollows, {kClasses, L".ntxt"}, nullptr, kRegSz, FIXED_TEXT(L"Notelocker.Document")},
    {5, NotelockerTypeGroup, kFollows, {kClasses, L"Notelocker.Document"}, nullptr, kRegSz,
     FIXED_TEXT(L"Notelocker Document")},
    {5, NotelockerTypeGroup, kFollows, {kClasses, L"Notelocker.Document", kDefaultIcon}, nullptr, kRegSz,
     COMPOSED(ProgramIconText)},
    {5, NotelockerTypeGroup, kFollows, {kClasses, L"Notelocker.Document", kShell}, nullptr, kRegSz, FIXED_TEXT(kOpen)},
    {5, NotelockerTypeGroup, kDecides, {kClasses, L"Notelocker.Document", kShell, kOpen, kCommand}, nullptr, kRegSz,
     COMPOSED(ProgramOpenCommand)},

    {6, WardbinTypeGroup, kFollows, {kClasses, L".kvx"}, nullptr, kRegSz, FIXED_TEXT(L"Wardbin.File")},
    {6, WardbinTypeGroup, kFollows, {kClasses, L"Wardbin.File"}, nullptr, kRegSz, FIXED_TEXT(L"KVX Encrypted File")},
    {6, WardbinTypeGroup, kFollows, {kClasses, L"Wardbin.File", kDefaultIcon}, nullptr, kRegSz,
     COMPOSED(ProgramIconText)},
    {6, WardbinTypeGroup, kFollows, {kClasses, L"Wardbin.File", kShell}, nullptr, kRegSz, FIXED_TEXT(kOpen)},
    {6, WardbinTypeGroup, kDecides, {kClasses, L"Wardbin.File", kShell, kOpen, kCommand}, nullptr, kRegSz,
     COMPOSED(ProgramOpenCommand)},

    {7, DrifthubTypeGroup, kFollows, {kClasses, L".dft"}, nullptr, kRegSz, FIXED_TEXT(L"Drifthub.File")},
    {7, DrifthubTypeGroup, kFollows, {kClasses, L"Drifthub.File"}, nullptr, kRegSz, FIXED_TEXT(L"Drifthub Archive")},
    {7, DrifthubTypeGroup, kFollows, {kClasses, L"Drifthub.File", kDefaultIcon}, nullptr, kRegSz,
     COMPOSED(ProgramIconText)},
    {7, DrifthubTypeGroup, kFollows, {kClasses, L"Drifthub.File", kShell}, nullptr, kRegSz, FIXED_TEXT(kOpen)},
    {7, DrifthubTypeGroup, kDecides, {kClasses, L"Drifthub.File", kShell, kOpen, kCommand}, nullptr, kRegSz,
     COMPOSED(ProgramOpenCommand)},
};
// clang-format on
const uint32_t kShellRegistrationRowCount = sizeof kShellRegistrationRows / sizeof kShellRegistrationRows[0];

#define UNINSTALL_KEY \
  { L"Microsoft", L"Windows", L"CurrentVersion", L"Uninstall", kMakerFolder }
// The entry is one group, decided by the uninstaller it names.
// clang-format off
const RegistryRow kUninstallRows[] = {
    {8, UninstallEntryGroup, kFollows, UNINSTALL_KEY, L"DisplayIcon", kRegSz, COMPOSED(UninstallIconText)},
    {8, UninstallEntryGroup, kFollows, UNINSTALL_KEY, L"DisplayName", kRegSz, COMPOSED(EditionTitle)},
    {8, UninstallEntryGroup, kFollows, UNINSTALL_KEY, L"DisplayVersion", kRegSz, FIXED_TEXT(L"2308")},
    {8, UninstallEntryGroup, kFollows, UNINSTALL_KEY, L"Publisher", kRegSz, FIXED_TEXT(L"Velunora")},
    {8, UninstallEntryGroup, kDecides, UNINSTALL_KEY, L"UninstallString", kRegSz, COMPOSED(UninstallCommand)},
    {8, UninstallEntryGroup, kFollows, UNINSTALL_KEY, L"EstimatedSize", kRegDword, EstimatedKilobytes, nullptr, 0, 4},
    {8, UninstallEntryGroup, kFollows, UNINSTALL_KEY, L"NoModify", kRegDword, FixedNumber, nullptr, 1, 4},
    {8, UninstallEntryGroup, kFollows, UNINSTALL_KEY, L"NoRepair", kRegDword, FixedNumber, nullptr, 1, 4},
};
// clang-format on
#undef UNINSTALL_KEY
const uint32_t kUninstallRowCount = sizeof kUninstallRows / sizeof kUninstallRows[0];

bool ComposeKeyPath(wchar_t* path, size_t capacity, const wchar_t* const* components) {
  bool fits = WideCopy(path, capacity, L"Software");
  for (uint32_t i = 0; fits && i < kKeyComponents && components[i]; ++i) {
    fits = WideAppend(path, capacity, L"\\") && WideAppend(path, capacity, components[i]);
  }
  if (!fits && capacity > 0) path[0] = 0;
  return fits;
}

const wchar_t* BuildKeyPath(wchar_t* path, const wchar_t* c1, const wchar_t* c2, const wchar_t* c3, const wchar_t* c4,
                            const wchar_t* c5, const wchar_t* c6) {
  const wchar_t* components[kKeyComponents] = {c1, c2, c3, c4, c5, c6};
  return ComposeKeyPath(path, kKeyPathUnits, components) ? path : nullptr;
}

const wchar_t* BuildRowKeyPath(wchar_t* path, const RegistryRow& row) {
  return ComposeKeyPath(path, kKeyPathUnits, row.key) ? path : nullptr;
}

bool NameKey(const wchar_t* rootName, const wchar_t* keyPath, wchar_t* name, size_t capacity) {
  return ComposePath(name, capacity, rootName, L"\\", keyPath);
}

uint32_t TextBytes(const wchar_t* text) { return uint32_t(2 * (WideLength(text) + 1)); }
