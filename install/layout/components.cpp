#include "components.h"

#define WIDE_TEXT_(text) L##text
#define WIDE_TEXT(text) WIDE_TEXT_(text)

const Component kComponentTable[kComponentCount] = {
#define COMPONENT_ROW(name, entry, bytes, time, shell) {WIDE_TEXT(name), entry, bytes, shell},
#define UNINSTALLER_ROW COMPONENT_ROWS_IGNORE_UNINSTALLERS
#include "component_rows.inc"
#undef COMPONENT_ROW
#undef UNINSTALLER_ROW
};

const wchar_t kUninstallerComponentName[] = L"Uninstall";

const wchar_t kUninstallerFileName[] = L"uninstall.exe";
const wchar_t kMakerFolder[] = L"Velunora";
