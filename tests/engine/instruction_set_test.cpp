// Which kernel builds run here, and that each family's build for a set is
// the one of that name.
#include "instruction_set.h"

#include <gtest/gtest.h>

#include <string>

#include "stream_kernels.h"
#include "tour_kernels.h"

namespace wendra {
namespace {

TEST(InstructionSetTest, ScalarAndBaselineAlwaysRunAndTheFastestIsChosen) {
  const auto sets = runnableSets();
  ASSERT_GE(sets.size(), 2u);
  EXPECT_EQ(sets[0], InstructionSet::kScalar);
  EXPECT_EQ(sets[1], InstructionSet::kBaseline);
  EXPECT_EQ(fastestSet(), sets.back());
  for (InstructionSet set : sets) {
    EXPECT_TRUE(runs(set));
    EXPECT_EQ(std::string(kernelsFor<StreamKernels>(set).name), nameOf(set));
    EXPECT_EQ(std::string(kernelsFor<TourKernels>(set).name), nameOf(set));
  }
}

}  // namespace
}  // namespace wendra
