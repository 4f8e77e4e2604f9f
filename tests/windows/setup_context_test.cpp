#include "setup_context.h"

#include <gtest/gtest.h>

namespace {

// Wine runs every program with an elevated administrator's token, so only
// the member side of the test can be seen here; the other side's handling is
// checked natively with the start-up order.
TEST(IsUserAdmin, SeesTheAdministratorsMembershipOfTheToken) { EXPECT_NE(IsUserAdmin(), 0); }

}  // namespace
