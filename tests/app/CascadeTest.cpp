// A second window steps off the first, as the system cascades windows.
#include <gtest/gtest.h>

#include <random>

#include "Cascade.h"

namespace sorvik {
namespace {

TEST(Cascade, ANewWindowStepsOffTheOthersAndStaysInTheWorkArea) {
  EXPECT_EQ(CascadePlace({200, 119}, 596, 529, {}, 26, 0, 0, 1280, 1000), (TCorner{200, 119}));
  EXPECT_EQ(CascadePlace({200, 119}, 596, 529, {{200, 119}}, 26, 0, 0, 1280, 1000), (TCorner{226, 145}));
  EXPECT_EQ(CascadePlace({200, 119}, 596, 529, {{226, 145}, {200, 119}}, 26, 0, 0, 1280, 1000), (TCorner{252, 171}));
  // The next step would leave the work area: its top left corner.
  EXPECT_EQ(CascadePlace({600, 400}, 596, 529, {{600, 400}}, 26, 10, 20, 1280, 940), (TCorner{10, 20}));
  // A window as large as the work area: one step off, past its edge.
  EXPECT_EQ(CascadePlace({0, 0}, 1280, 1000, {{0, 0}}, 26, 0, 0, 1280, 1000), (TCorner{26, 26}));
  // Any number of windows anywhere: the place is free, in the work area, or the one asked.
  std::mt19937 random(3);
  for (int i = 0; i < 5000; ++i) {
    std::vector<TCorner> taken;
    const int n = std::uniform_int_distribution<int>(0, 30)(random);
    const TCorner asked{std::uniform_int_distribution<int>(0, 8)(random) * 26,
                        std::uniform_int_distribution<int>(0, 8)(random) * 26};
    for (int k = 0; k < n; ++k)
      taken.push_back({std::uniform_int_distribution<int>(0, 12)(random) * 26,
                       std::uniform_int_distribution<int>(0, 12)(random) * 26});
    const TCorner place = CascadePlace(asked, 300, 200, taken, 26, 0, 0, 640, 480);
    const bool free = std::find(taken.begin(), taken.end(), place) == taken.end();
    if (place == asked) continue;  // free, or no free place on the way
    EXPECT_TRUE(free);
    if (place == TCorner{asked.X + 26, asked.Y + 26}) continue;  // the step past the edge
    EXPECT_LE(place.X + 300, 640);
    EXPECT_LE(place.Y + 200, 480);
  }
}

}  // namespace
}  // namespace sorvik
