// Questions the programs ask the file system before they act on a path.
#pragma once

// True when something, file or folder, exists at `path`.
bool PathExists(const wchar_t* path);

// True when `path` names an existing folder.
bool IsExistingFolder(const wchar_t* path);
