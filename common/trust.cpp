#include "trust.h"

bool OthersMayChange(Account owner, const AccessGrant* grants, size_t count) {
  if (!IsMachineAccount(owner)) return true;
  for (size_t i = 0; i < count; ++i) {
    if (!IsMachineAccount(grants[i].grantee) && (grants[i].rights & kChangeRights)) return true;
  }
  return false;
}
