// Questions the programs ask the file system before they act on a path.
#pragma once

// True when something, file or folder, exists at `path`.
bool PathExists(const wchar_t* path);

// True when `path` names an existing folder.
bool IsExistingFolder(const wchar_t* path);

// What others may do with a file while this program has it open: anything,
// as DeleteFileW and the shell allow them.
constexpr unsigned long kShareAll = 0x00000001 | 0x00000002 | 0x00000004;  // read, write, delete
