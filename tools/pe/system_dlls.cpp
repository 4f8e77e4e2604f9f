#include "system_dlls.h"

#include <cctype>

namespace pe {

bool IsSystemDll(const std::string& name) {
  static const char* const kAllowed[] = {
      "advapi32.dll", "combase.dll",  "comdlg32.dll", "gdi32.dll",    "gdiplus.dll", "imagehlp.dll",
      "imm32.dll",    "kernel32.dll", "msvcrt.dll",   "normaliz.dll", "ole32.dll",   "oleaut32.dll",
      "psapi.dll",    "rpcrt4.dll",   "sechost.dll",  "setupapi.dll", "shcore.dll",  "shell32.dll",
      "shlwapi.dll",  "user32.dll",   "ws2_32.dll",   "comctl32.dll",
  };
  std::string lower;
  for (char c : name) lower.push_back(char(std::tolower(static_cast<unsigned char>(c))));
  for (const char* allowed : kAllowed) {
    if (lower == allowed) return true;
  }
  return false;
}

}  // namespace pe
