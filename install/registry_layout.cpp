#include "registry_layout.h"

#include "wide_text.h"

const wchar_t kAppPathValue[] = L"AppPath";

namespace {

const wchar_t kClasses[] = L"Classes";
const wchar_t kShell[] = L"shell";
const wchar_t kCommand[] = L"command";
const wchar_t kOpen[] = L"open";
const wchar_t kDefaultIcon[] = L"DefaultIcon";
const wchar_t kPlayVerb[] = L"Play with Tunebridge";

}  // namespace

const RegistryRow kAppPathRow = {8, {L"Velunora"}, kAppPathValue, kRegSz, InstallFolder, nullptr, 0, 0};

// A verb for folders and for every audio file (step 4), then three file
// types of one five-value pattern: extension -> ProgID -> description, icon,
// default verb and its command (steps 5-7).
const RegistryRow kShellRegistrationRows[] = {
    {4, {kClasses, L"Directory", kShell, L"Tunebridge"}, nullptr, kRegSz, FixedText, kPlayVerb, 0, 42},
    {4, {kClasses, L"Directory", kShell, L"Tunebridge", kCommand}, nullptr, kRegSz, ProgramOpenCommand, nullptr, 0, 0},
    {4,
     {kClasses, L"SystemFileAssociations", L"audio", kShell, L"Tunebridge"},
     nullptr,
     kRegSz,
     FixedText,
     kPlayVerb,
     0,
     42},
    {4,
     {kClasses, L"SystemFileAssociations", L"audio", kShell, L"Tunebridge", kCommand},
     nullptr,
     kRegSz,
     ProgramOpenCommand,
     nullptr,
     0,
     0},

    {5, {kClasses, L".ntxt"}, nullptr, kRegSz, FixedText, L"Notelocker.Document", 0, 40},
    {5, {kClasses, L"Notelocker.Document"}, nullptr, kRegSz, FixedText, L"Notelocker Document", 0, 40},
    {5, {kClasses, L"Notelocker.Document", kDefaultIcon}, nullptr, kRegSz, ProgramIconText, nullptr, 0, 0},
    {5, {kClasses, L"Notelocker.Document", kShell}, nullptr, kRegSz, FixedText, kOpen, 0, 10},
    {5,
     {kClasses, L"Notelocker.Document", kShell, kOpen, kCommand},
     nullptr,
     kRegSz,
     ProgramOpenCommand,
     nullptr,
     0,
     0},

    {6, {kClasses, L".kvx"}, nullptr, kRegSz, FixedText, L"Wardbin.File", 0, 26},
    {6, {kClasses, L"Wardbin.File"}, nullptr, kRegSz, FixedText, L"KVX Encrypted File", 0, 38},
    {6, {kClasses, L"Wardbin.File", kDefaultIcon}, nullptr, kRegSz, ProgramIconText, nullptr, 0, 0},
    {6, {kClasses, L"Wardbin.File", kShell}, nullptr, kRegSz, FixedText, kOpen, 0, 10},
    {6, {kClasses, L"Wardbin.File", kShell, kOpen, kCommand}, nullptr, kRegSz, ProgramOpenCommand, nullptr, 0, 0},

    {7, {kClasses, L".dft"}, nullptr, kRegSz, FixedText, L"Drifthub.File", 0, 28},
    {7, {kClasses, L"Drifthub.File"}, nullptr, kRegSz, FixedText, L"Drifthub Archive", 0, 34},
    {7, {kClasses, L"Drifthub.File", kDefaultIcon}, nullptr, kRegSz, ProgramIconText, nullptr, 0, 0},
    {7, {kClasses, L"Drifthub.File", kShell}, nullptr, kRegSz, FixedText, kOpen, 0, 10},
    {7, {kClasses, L"Drifthub.File", kShell, kOpen, kCommand}, nullptr, kRegSz, ProgramOpenCommand, nullptr, 0, 0},
};
const uint32_t kShellRegistrationRowCount = sizeof kShellRegistrationRows / sizeof kShellRegistrationRows[0];

#define UNINSTALL_KEY \
  { L"Microsoft", L"Windows", L"CurrentVersion", L"Uninstall", L"Velunora" }
const RegistryRow kUninstallRows[] = {
    {8, UNINSTALL_KEY, L"DisplayIcon", kRegSz, UninstallIconText, nullptr, 0, 0},
    {8, UNINSTALL_KEY, L"DisplayName", kRegSz, FixedText, L"Velunora App Pack (All Users)", 0, 60},
    {8, UNINSTALL_KEY, L"DisplayVersion", kRegSz, FixedText, L"2308", 0, 10},
    {8, UNINSTALL_KEY, L"Publisher", kRegSz, FixedText, L"Velunora", 0, 18},
    {8, UNINSTALL_KEY, L"UninstallString", kRegSz, UninstallCommand, nullptr, 0, 0},
    {8, UNINSTALL_KEY, L"EstimatedSize", kRegDword, EstimatedKilobytes, nullptr, 0, 4},
    {8, UNINSTALL_KEY, L"NoModify", kRegDword, FixedNumber, nullptr, 1, 4},
    {8, UNINSTALL_KEY, L"NoRepair", kRegDword, FixedNumber, nullptr, 1, 4},
};
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

uint32_t TextBytes(const wchar_t* text) { return uint32_t(2 * (WideLength(text) + 1)); }
