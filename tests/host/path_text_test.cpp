// Paths as the programs compose and compare them, whatever they came from:
// the install folder, a command read back, a system folder.
#include "path_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const wchar_t kFolder[] = L"C:\\Program Files\\Velunora\\";
const wchar_t kUninstaller[] = L"C:\\Program Files\\Velunora\\uninstall.exe";

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text; ++text) out.push_back(*text < 128 ? char(*text) : '?');
  return out;
}

TEST(PathText, CompareAsTheFileSystemDoes) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    bool same;
  } cases[] = {
      {L"C:\\Program Files\\Velunora\\", L"c:\\PROGRAM FILES\\velunora\\", true},
      {L"C:\\Program Files\\Velunora\\", L"C:/Program Files/Velunora/", true},
      {L"C:\\Program Files\\Velunora\\", L"C:\\Program Files\\Velunora", true},  // trailing separator
      {L"C:\\Apps\\\\Velunora\\x.exe", L"C:\\Apps\\Velunora\\x.exe", true},      // a run counts as one
      {L"C:\\Programme\\\u00c9t\u00e9\\", L"C:\\programme\\\u00e9T\u00c9\\", true},
      {L"C:\\\u0141\u00f3d\u017a\\", L"C:\\\u0142\u00d3D\u0179\\", true},
      {L"C:\\\u041f\u0440\u043e\u0433\\", L"C:\\\u043f\u0420\u041e\u0413\\", true},
      {L"C:\\Apps\\Velunora\\", L"C:\\Apps\\Velunora Two\\", false},
      {L"C:\\Apps\\Velunora\\", L"C:\\Apps\\Velunor\\", false},
      {L"C:\\Apps\\Velunora\\", L"D:\\Apps\\Velunora\\", false},
      {L"\\\\server\\share\\Apps\\", L"\\server\\share\\Apps\\", false},  // a share is no rooted path
      {L"\\\\server\\share\\Apps\\", L"//SERVER/share/apps", true},
      {L"C:\\a\\b", L"C:\\ab", false},
      {L"", L"", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SamePath(c.a, c.b), c.same) << Narrow(c.a) << " vs " << Narrow(c.b);
    EXPECT_EQ(SamePath(c.b, c.a), c.same) << Narrow(c.b) << " vs " << Narrow(c.a);
  }
}

TEST(PathText, AProgramIsInAFolderOnlyDirectly) {
  EXPECT_TRUE(IsInFolder(L"C:\\Program Files\\Velunora\\Talvex.exe", kFolder));
  EXPECT_TRUE(IsInFolder(L"c:/program files/velunora/Talvex.exe", kFolder));
  EXPECT_TRUE(IsInFolder(L"C:\\Program Files\\Velunora\\Talvex.exe", L"C:\\Program Files\\Velunora"));
  EXPECT_FALSE(IsInFolder(L"C:\\Program Files\\Velunora\\bin\\Talvex.exe", kFolder));
  EXPECT_FALSE(IsInFolder(L"C:\\Program Files\\Velunora Two\\Talvex.exe", kFolder));
  EXPECT_FALSE(IsInFolder(L"C:\\Program Files\\Talvex.exe", kFolder));
  EXPECT_FALSE(IsInFolder(L"C:\\Program Files\\Velunora\\", kFolder));  // the folder itself
  EXPECT_FALSE(IsInFolder(L"Talvex.exe", kFolder));

  wchar_t folder[kFolderUnits];
  ASSERT_TRUE(FolderOfPath(kUninstaller, folder, kFolderUnits));
  EXPECT_EQ(std::wstring(folder), kFolder);
  EXPECT_FALSE(FolderOfPath(L"uninstall.exe", folder, kFolderUnits));
  EXPECT_FALSE(FolderOfPath(kUninstaller, folder, 10));
  EXPECT_EQ(folder[0], 0);
}

TEST(PathText, RootsAreNeverRemovable) {
  for (const wchar_t* root : {L"C:\\", L"C:", L"c:/", L"\\", L"\\\\server\\share\\", L"\\\\server\\share"}) {
    EXPECT_TRUE(IsRootFolder(root)) << Narrow(root);
  }
  for (const wchar_t* folder : {L"C:\\Apps\\", L"\\Apps\\", L"\\\\server\\share\\Apps\\"}) {
    EXPECT_FALSE(IsRootFolder(folder)) << Narrow(folder);
  }
}

TEST(PathText, EndsAFolderInExactlyOneRewrittenLastUnit) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"", L"\\"},
      {L"C:", L"C:\\"},
      {L"C:\\", L"C:\\"},
      {L"a/b/", L"a/b\\"},
      {L"x\\\\", L"x\\\\"},
      {L"D:\\Apps/", L"D:\\Apps\\"},
      {L"D:\\Apps", L"D:\\Apps\\"},
  };
  for (const Case& c : cases) {
    wchar_t path[kFolderUnits] = {};
    std::wcscpy(path, c.in);
    EXPECT_TRUE(EndWithSeparator(path, kFolderUnits)) << Narrow(c.in);
    EXPECT_STREQ(path, c.out) << Narrow(c.in);
  }
}

TEST(PathText, NeverEndsAFolderPastItsBuffer) {
  wchar_t path[6] = {L'a', L'b', L'c', L'd', L'e', 0};
  EXPECT_FALSE(EndWithSeparator(path, 6));  // would need 7 units
  EXPECT_STREQ(path, L"abcde");
  wchar_t fits[7] = {L'a', L'b', L'c', L'd', L'e', 0, L'#'};
  EndWithSeparator(fits, 7);
  EXPECT_STREQ(fits, L"abcde\\");
  wchar_t rewrite[3] = {L'a', L'/', 0};  // the last unit is rewritten in place
  EndWithSeparator(rewrite, 3);
  EXPECT_STREQ(rewrite, L"a\\");
}

TEST(PathText, AFinalPathIsThePathOnlyWhereTheSystemFoundIt) {
  struct Case {
    const wchar_t* finalPath;
    const wchar_t* path;
    bool same;
  } cases[] = {
      {L"\\\\?\\C:\\Program Files\\Velunora\\Talvex.exe", L"c:\\program files\\velunora\\TALVEX.EXE", true},
      {L"\\\\?\\C:\\Program Files\\Velunora", L"C:\\Program Files\\Velunora\\", true},
      {L"\\\\?\\UNC\\server\\share\\Apps\\x.exe", L"\\\\server\\share\\Apps\\x.exe", true},
      // The folder on the way is a link: the file is elsewhere.
      {L"\\\\?\\C:\\Windows\\System32\\Talvex.exe", L"C:\\Apps\\Velunora\\Talvex.exe", false},
      {L"\\\\?\\D:\\Apps\\x.exe", L"C:\\Apps\\x.exe", false},
      {L"\\\\?\\UNC\\server\\share\\x.exe", L"C:\\server\\share\\x.exe", false},
      {L"\\\\?\\C:\\server\\share\\x.exe", L"\\\\server\\share\\x.exe", false},
      {L"\\\\?\\Volume{0c3b}\\Apps\\x.exe", L"Volume{0c3b}\\Apps\\x.exe", false},
      {L"C:\\Apps\\x.exe", L"C:\\Apps\\x.exe", false},  // not as the system reports it
  };
  for (const Case& c : cases) {
    wchar_t plain[kFolderUnits];
    EXPECT_EQ(PlainFinalPath(c.finalPath, plain, kFolderUnits) && SamePath(plain, c.path), c.same)
        << Narrow(c.finalPath);
  }
}

}  // namespace
