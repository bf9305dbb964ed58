// The list's least height against the hit pane and the panel, over many rooms and shares.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "WindowSplit.h"

namespace sorvik {
namespace {

TEST(WindowSplit, TheListKeepsItsLeastAndThePaneGivesWayFirst) {
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const int room = std::uniform_int_distribution<int>(-20, 2000)(random);
    const int listLeast = std::uniform_int_distribution<int>(0, 300)(random);
    const int paneLeast = std::uniform_int_distribution<int>(0, 120)(random);
    const double share = std::uniform_real_distribution<double>(-0.5, 1.5)(random);
    const TListPaneHeights h = ShareListAndPane(room, share, listLeast, paneLeast);
    SCOPED_TRACE(::testing::Message() << room << " " << share << " " << listLeast << " " << paneLeast);
    ASSERT_GE(h.List, 0);
    ASSERT_GE(h.Pane, 0);
    ASSERT_EQ(h.List + h.Pane, std::max(room, 0));
    // The list has its least whenever the room does; the pane only what is left.
    ASSERT_GE(h.List, std::min(std::max(room, 0), listLeast));
    if (room >= listLeast + paneLeast) {
      ASSERT_GE(h.Pane, paneLeast);
    }
    // Where neither least height binds, the pane has its share.
    const double clamped = std::clamp(share, 0.0, 1.0);
    const long wanted = std::lround(clamped * room);
    if (room > 0 && wanted >= paneLeast && room - wanted >= listLeast) {
      ASSERT_EQ(h.Pane, wanted);
    }
    // A taller room never shrinks either of them.
    const TListPaneHeights taller = ShareListAndPane(room + 37, share, listLeast, paneLeast);
    ASSERT_GE(taller.Pane, h.Pane);
    ASSERT_GE(taller.List, h.List);
  }
}

TEST(WindowSplit, AResizeKeepsTheProportionTheUserLeft) {
  // The pane dragged to 210 of 400: grown or shrunk, the room keeps that share.
  const double share = PaneShareOf(210, 400);
  for (const int room : {300, 400, 650, 1200}) {
    const TListPaneHeights h = ShareListAndPane(room, share, 90, 40);
    EXPECT_NEAR(static_cast<double>(h.Pane) / room, 0.525, 0.5 / room + 1e-9) << room;
  }
  // A small screen: the list still has its several rows, the pane the rest.
  EXPECT_EQ(ShareListAndPane(150, share, 90, 40).List, 90);
  EXPECT_EQ(ShareListAndPane(100, share, 90, 40).Pane, 10);
  EXPECT_EQ(PaneShareOf(5, 0), 0.0);
  // The panel gives way to the list's least, down to its own.
  EXPECT_EQ(PanelHeightShown(161, 60, 400, 90), 161);
  EXPECT_EQ(PanelHeightShown(161, 60, 200, 90), 110);
  EXPECT_EQ(PanelHeightShown(161, 60, 100, 90), 60);
}

}  // namespace
}  // namespace sorvik
