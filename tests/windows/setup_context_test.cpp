#include "setup_context.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(AppendSeparator, EndsAPathInExactlyOneRewrittenLastUnit) {
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
    AppendSeparator(path, kFolderUnits);
    EXPECT_STREQ(path, c.out) << c.in;
  }
}

TEST(AppendSeparator, NeverWritesPastTheBuffer) {
  wchar_t path[6] = {L'a', L'b', L'c', L'd', L'e', 0};
  AppendSeparator(path, 6);  // would need 7 units
  EXPECT_STREQ(path, L"abcde");
  wchar_t fits[7] = {L'a', L'b', L'c', L'd', L'e', 0, L'#'};
  AppendSeparator(fits, 7);
  EXPECT_STREQ(fits, L"abcde\\");
  wchar_t rewrite[3] = {L'a', L'/', 0};  // the last unit is rewritten in place
  AppendSeparator(rewrite, 3);
  EXPECT_STREQ(rewrite, L"a\\");
}

}  // namespace

namespace {

// Wine runs every program with an elevated administrator's token, so only
// the member side of the test can be seen here; the other side's handling is
// checked natively with the start-up order.
TEST(IsUserAdmin, SeesTheAdministratorsMembershipOfTheToken) { EXPECT_NE(IsUserAdmin(), 0); }

}  // namespace
