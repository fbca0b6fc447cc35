// Built only with the sanitizers: proof that a sanitizer report stops the
// process instead of being printed and passed over, which would let every
// other test pass on a fault. Each deliberate fault below runs in a death
// test's child, and only there.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

TEST(SanitizerDeathTest, AnOutOfBoundsReadStopsTheProcess) {
  EXPECT_DEATH(
      {
        std::vector<int> four(4);
        volatile size_t past = four.size();
        volatile int read = four.data()[past];
        (void)read;
      },
      "AddressSanitizer: heap-buffer-overflow");
}

TEST(SanitizerDeathTest, ASignedOverflowStopsTheProcess) {
  EXPECT_DEATH(
      {
        volatile int largest = INT_MAX;
        volatile int sum = largest + 1;
        (void)sum;
      },
      "signed integer overflow");
}

}  // namespace
