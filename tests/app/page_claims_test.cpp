#include "app/page_claims.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace qm {
namespace {

// Two processes map the same claims; here the second is this process mapping them again.
TEST(PageClaims, EachPageGoesToWhoeverClaimsItFirst) {
    PageClaims mine;
    ASSERT_TRUE(mine.create(5, 14));
    ASSERT_GE(mine.fd(), 0);
    PageClaims theirs;
    ASSERT_TRUE(theirs.attach(::dup(mine.fd()), 5, 14));
    EXPECT_EQ(theirs.fd(), -1);
    EXPECT_TRUE(mine.claim(5));
    EXPECT_FALSE(theirs.claim(5));
    EXPECT_TRUE(theirs.claim(14));
    EXPECT_FALSE(mine.claim(14));
    EXPECT_FALSE(mine.claim(14));
    // Pages outside the range are nobody's.
    EXPECT_FALSE(mine.claim(4));
    EXPECT_FALSE(theirs.claim(15));

    // Claims of another range, or what is not claims at all, are refused.
    PageClaims wrongRange;
    EXPECT_FALSE(wrongRange.attach(::dup(mine.fd()), 1, 3));
    EXPECT_FALSE(wrongRange.active());
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[1]);
    PageClaims notClaims;
    EXPECT_FALSE(notClaims.attach(pipeEnds[0], 5, 14));

    // Without claims every page is one's own.
    PageClaims none;
    EXPECT_TRUE(none.claim(1));
    EXPECT_TRUE(none.claim(1));
}

}  // namespace
}  // namespace qm
