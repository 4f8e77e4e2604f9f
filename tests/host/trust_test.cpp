// Whom the programs trust: which links they follow, and when someone other
// than the machine's accounts may change a folder. The rights are the
// documented access-mask bits, written out here.
#include "trust.h"

#include <gtest/gtest.h>

namespace {

TEST(LinkRule, AnElevatedProgramFollowsOnlyTheMachinesLinks) {
  struct Case {
    LinkTrust trust;
    Account owner;
    bool follows;
  } cases[] = {
      {LinkTrust::AdministratorsOnly, Account::System, true},
      {LinkTrust::AdministratorsOnly, Account::Administrators, true},
      {LinkTrust::AdministratorsOnly, Account::TrustedInstaller, true},
      {LinkTrust::AdministratorsOnly, Account::Other, false},
      {LinkTrust::AnyOwner, Account::Other, true},
      {LinkTrust::AnyOwner, Account::Administrators, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MayFollowLink(c.trust, c.owner), c.follows) << int(c.trust) << " " << int(c.owner);
  }
}

TEST(ChangeRights, OnlyARightToChangeGivenToSomeoneElseCounts) {
  const uint32_t kFullControl = 0x1f01ff, kReadAndExecute = 0x1200a9, kModify = 0x1301bf;
  const uint32_t kWriteAttributes = 0x100, kWriteExtendedAttributes = 0x10;
  // Program Files as Windows ships it: nobody else changes anything.
  const AccessGrant programFiles[] = {{Account::TrustedInstaller, kFullControl},
                                      {Account::System, kModify},
                                      {Account::Administrators, kModify},
                                      {Account::Other, kReadAndExecute}};
  EXPECT_FALSE(OthersMayChange(Account::TrustedInstaller, programFiles, 4));
  // The same list, owned by the user who made the folder: an owner may
  // always rewrite the permissions.
  EXPECT_TRUE(OthersMayChange(Account::Other, programFiles, 4));
  // A folder made below C:\ (Authenticated Users: Modify) or under Wine
  // with bits 0777 (Everyone: 0x1301ff).
  const AccessGrant belowRoot[] = {{Account::Administrators, kFullControl}, {Account::Other, kModify}};
  EXPECT_TRUE(OthersMayChange(Account::Administrators, belowRoot, 2));
  const AccessGrant everyone[] = {{Account::Other, 0x1301ff}};
  EXPECT_TRUE(OthersMayChange(Account::Administrators, everyone, 1));

  // Each right to change counts on its own: write data (add a file), append
  // data (add a folder), delete a child, delete, change permissions, change
  // owner, and the generic rights that hold them.
  for (uint32_t right : {0x2u, 0x4u, 0x40u, 0x10000u, 0x40000u, 0x80000u, 0x10000000u, 0x40000000u}) {
    const AccessGrant one[] = {{Account::Administrators, kFullControl}, {Account::Other, kReadAndExecute | right}};
    EXPECT_TRUE(OthersMayChange(Account::System, one, 2)) << std::hex << right;
  }
  // Attributes are not the folder's contents.
  const AccessGrant attributes[] = {{Account::Other, kReadAndExecute | kWriteAttributes | kWriteExtendedAttributes}};
  EXPECT_FALSE(OthersMayChange(Account::Administrators, attributes, 1));
}

}  // namespace
