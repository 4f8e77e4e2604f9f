// Facts and helpers of the paths the programs compose and compare. Platform
// neutral, but for the comparison of names, which follows the system's own
// rule (path_compare_win.cpp; the native tree has a stand-in of its own).
#pragma once

#include <cstddef>
#include <cstdint>

// A folder field, and every path composed in one, holds this many UTF-16
// units, terminator included: the install folder picked at the longest path
// the folder picker returns, its backslash and the maker's folder fit.
constexpr uint32_t kFolderUnits = 300;

// Windows takes either slash as a separator.
constexpr bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// "\\server\share...": a share, not a path rooted on the current drive.
inline bool IsSharePath(const wchar_t* path) { return IsSeparator(path[0]) && IsSeparator(path[1]); }

inline const wchar_t* SkipSeparators(const wchar_t* p) {
  while (IsSeparator(*p)) ++p;
  return p;
}

// The units of the name at `p`, up to the next separator or the end.
inline size_t NameLength(const wchar_t* p) {
  size_t n = 0;
  while (p[n] && !IsSeparator(p[n])) ++n;
  return n;
}

// Composes the parts, one after the other, into `path` (capacity units,
// terminator included). False, with `path` empty, when they do not fit.
bool ComposePath(wchar_t* path, size_t capacity, const wchar_t* a, const wchar_t* b, const wchar_t* c = L"",
                 const wchar_t* d = L"");

// Makes a folder path end in exactly its own trailing backslash: a trailing
// "/" becomes "\", a trailing "\" stays, anything else gets one appended.
// False, with `path` unchanged, when there is no room for it.
bool EndWithSeparator(wchar_t* path, size_t capacity);

// The folder part of `path`, up to and including its last separator. False,
// with `folder` empty, when there is none or it does not fit.
bool FolderOfPath(const wchar_t* path, wchar_t* folder, size_t capacity);

// True when `path` names a file directly inside `folder` (not below it).
bool IsInFolder(const wchar_t* path, const wchar_t* folder);

// True when both name the same file or folder as the file system would
// compare them: letters in either case, "\" and "/" alike, a run of
// separators as one, a trailing separator ignored.
bool SamePath(const wchar_t* a, const wchar_t* b);

// A drive path ("D:\...") or a share ("\\server\..."): one that means the
// same wherever the program is started, unlike "C:" (the current folder of
// drive C) or a relative name.
bool IsFullyQualified(const wchar_t* path);

// Where an open file really is, as the system reports it ("\\?\C:\...",
// "\\?\UNC\server\share\..."), as the plain path that names it. False for
// a place no plain path names (a volume without a letter) or that does not
// fit.
bool PlainFinalPath(const wchar_t* finalPath, wchar_t* path, size_t capacity);

// The length of the root part of a fully qualified path: 3 for "C:\", up to
// and including the separator after the share for "\\server\share\"
// (or its end); 0 for any other path.
size_t RootLength(const wchar_t* path);

// True for a drive or share root ("C:\", "\\server\share\"), which is never
// removed even when it holds nothing else.
bool IsRootFolder(const wchar_t* folder);

// True when the two names (no separators in them) are one name to the file
// system, which ignores case by its own upper-case table.
bool SameName(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength);
