#include <gtest/gtest.h>

#include "ActionRules.h"

namespace sorvik {
namespace {

TEST(ActionRules, EnabledStatesByStateAndSelection) {
  using A = TActionId;
  using S = TSearchState;
  struct Row {
    A Action;
    bool Idle, Running, Paused;
  };
  const Row rows[] = {{A::SearchStart, true, false, false},   {A::SearchPause, false, true, true},
                      {A::SearchStop, false, true, false},    {A::FileClearScreen, true, false, false},
                      {A::HelpAbout, true, true, true}};
  for (const Row& r : rows) {
    EXPECT_EQ(IsActionEnabled(r.Action, S::Idle, 0), r.Idle) << static_cast<int>(r.Action);
    EXPECT_EQ(IsActionEnabled(r.Action, S::Running, 0), r.Running) << static_cast<int>(r.Action);
    EXPECT_EQ(IsActionEnabled(r.Action, S::Paused, 0), r.Paused) << static_cast<int>(r.Action);
  }
  for (S s : {S::Idle, S::Running, S::Paused}) {
    EXPECT_FALSE(IsActionEnabled(A::SearchOpenFileSelected, s, 0));
    EXPECT_TRUE(IsActionEnabled(A::SearchOpenSelectedFolder, s, 1));
    EXPECT_TRUE(IsActionEnabled(A::SearchOpenFileWith, s, 2));
    EXPECT_TRUE(IsActionEnabled(A::SearchFileproperties, s, 1));
    EXPECT_FALSE(IsActionEnabled(A::SearchFileproperties, s, 2));
  }
}

TEST(ActionRules, PauseGoesBothWaysOnlyWithAHaltedWorker) {
  auto p = PauseStep(TSearchState::Running, false);
  EXPECT_EQ(p.NewState, TSearchState::Paused);
  EXPECT_TRUE(p.Halt);
  p = PauseStep(TSearchState::Paused, true);
  EXPECT_EQ(p.NewState, TSearchState::Running);
  EXPECT_TRUE(p.Continue);
  p = PauseStep(TSearchState::Paused, false);  // not in fact halted: nothing changes
  EXPECT_EQ(p.NewState, TSearchState::Paused);
  EXPECT_FALSE(p.Continue || p.Halt);
  p = PauseStep(TSearchState::Idle, false);
  EXPECT_EQ(p.NewState, TSearchState::Idle);
}

TEST(ActionRules, PrefillOnlyWithValues) {
  TCommandObject run;
  run.RunAtOnce = true;  // "--run" alone: HasValues false
  TSearchPanel panel;
  panel.Mask = "keep";
  EXPECT_FALSE(PrefillFromCommand(run, panel));
  EXPECT_EQ(panel.Mask, "keep");

  TCommandObject words;
  words.Words = "abc";
  words.HasValues = true;
  words.RunAtOnce = true;
  TSearchPanel p2;
  EXPECT_TRUE(PrefillFromCommand(words, p2));
  EXPECT_EQ(p2.Mask, "*.*");
  EXPECT_EQ(p2.Folder, "C:\\");
  EXPECT_TRUE(p2.Recursive);
  EXPECT_FALSE(p2.WholeWords);
  EXPECT_EQ(p2.MatchMode, 0);
  EXPECT_EQ(p2.Words, "abc");

  TCommandObject flags;
  flags.HasValues = true;
  flags.Options = coWholeWords;
  flags.MatchMode = 7;
  TSearchPanel p3;
  p3.Recursive = true;  // an absent flag never unticks
  p3.MatchMode = 1;
  EXPECT_FALSE(PrefillFromCommand(flags, p3));
  EXPECT_TRUE(p3.Recursive);
  EXPECT_TRUE(p3.WholeWords);
  EXPECT_EQ(p3.MatchMode, 1);
}

// The panel makes the request field for field, the match mode by its index;
// what the panel doesn't hold stays.
TEST(ActionRules, ThePanelMakesTheRequest) {
  TSearchRequest r;
  r.Icons = true;
  ApplyPanel({"m*", "C:\\f\\", "w x", true, false, true, 2}, r);
  EXPECT_EQ(r.Mask, "m*");
  EXPECT_EQ(r.Folder, "C:\\f\\");
  EXPECT_EQ(r.Words, "w x");
  EXPECT_TRUE(r.Recursive);
  EXPECT_FALSE(r.WholeWords);
  EXPECT_TRUE(r.CaseSensitive);
  EXPECT_EQ(r.MatchMode, TMatchMode::Exact);
  ApplyPanel({"", "", "", false, true, false, 1}, r);
  EXPECT_FALSE(r.Recursive);
  EXPECT_TRUE(r.WholeWords);
  EXPECT_FALSE(r.CaseSensitive);
  EXPECT_EQ(r.MatchMode, TMatchMode::All);
  ApplyPanel({"", "", "", false, false, false, 0}, r);
  EXPECT_EQ(r.MatchMode, TMatchMode::Any);
  EXPECT_TRUE(r.Icons);
}

}  // namespace
}  // namespace sorvik
