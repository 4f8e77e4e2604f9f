// Every registry value the installer writes or reads, held as data: key,
// value name, type, where the data comes from and its byte count. All keys
// lie below Software in the edition's registry root. Platform neutral, so
// the rows a step writes can be computed and compared without a registry.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kRegSz = 1;     // REG_SZ
constexpr uint32_t kRegDword = 4;  // REG_DWORD
constexpr uint32_t kKeyComponents = 6;
constexpr size_t kKeyPathUnits = 256;  // the scratch area, as UTF-16, terminator included

extern const wchar_t kAppPathValue[];  // L"AppPath"

// Where a value's data comes from.
enum RegistrySource : uint32_t {
  FixedText,           // `text`, `bytes` long
  FixedNumber,         // `number`, a REG_DWORD
  InstallFolder,       // installDir with its trailing backslash
  ProgramIconText,     // program path + ",0"
  ProgramOpenCommand,  // "program path" "%1"
  UninstallIconText,   // uninstaller path + ",0"
  UninstallCommand,    // "uninstaller path"
  EstimatedKilobytes,  // requiredBytes >> 10, a REG_DWORD
  EditionTitle,        // the edition's title, with its byte count
};

// The values one installation writes together, and a later installation
// elsewhere rewrites together. One row of each group decides whose the group
// is: the command, which names the program, or the value itself when it is
// alone.
enum RegistryGroup : uint32_t {
  FolderVerbGroup,      // Tunebridge's verb on folders
  AudioVerbGroup,       // Tunebridge's verb on audio files
  NotelockerTypeGroup,  // .ntxt and its file type
  WardbinTypeGroup,     // .kvx and its file type
  DrifthubTypeGroup,    // .dft and its file type
  AppPathGroup,         // the install folder value
  UninstallEntryGroup,  // the Add/Remove Programs entry
  kRegistryGroupCount,
};

struct RegistryRow {
  uint32_t step;  // the install step that writes it
  RegistryGroup group;
  bool decides;                        // whether this row's value decides its group
  const wchar_t* key[kKeyComponents];  // components after "Software"; unused ones null
  const wchar_t* valueName;            // null for the key's default value
  uint32_t type;                       // kRegSz or kRegDword
  RegistrySource source;
  const wchar_t* text;  // FixedText only
  uint32_t number;      // FixedNumber only
  uint32_t bytes;       // byte count of fixed data; 0 when composed
};

extern const RegistryRow kAppPathRow;
extern const RegistryRow kShellRegistrationRows[];  // steps 4-7, in writing order
extern const uint32_t kShellRegistrationRowCount;
extern const RegistryRow kUninstallRows[];  // step 8, in writing order
extern const uint32_t kUninstallRowCount;

// Composes "Software" and the present components, each after a backslash,
// stopping at the first absent one. Returns false, with `path` empty, when
// the result does not fit `capacity` units.
bool ComposeKeyPath(wchar_t* path, size_t capacity, const wchar_t* const* components);

// Composes "Software" and the present components, each after a backslash,
// stopping at the first absent one, into `path` (kKeyPathUnits) and returns
// it. Returns null when the path does not fit.
const wchar_t* BuildKeyPath(wchar_t* path, const wchar_t* c1, const wchar_t* c2 = nullptr, const wchar_t* c3 = nullptr,
                            const wchar_t* c4 = nullptr, const wchar_t* c5 = nullptr, const wchar_t* c6 = nullptr);

// The key path of a layout row, composed as BuildKeyPath does.
const wchar_t* BuildRowKeyPath(wchar_t* path, const RegistryRow& row);

// A key as the details list and the closing message name it: the root's
// name, a backslash and the key path ("HKEY_LOCAL_MACHINE\Software\...").
// False, with `name` empty, when it does not fit.
bool NameKey(const wchar_t* rootName, const wchar_t* keyPath, wchar_t* name, size_t capacity);

// Byte count of REG_SZ data: the characters and the terminator, in UTF-16.
uint32_t TextBytes(const wchar_t* text);
