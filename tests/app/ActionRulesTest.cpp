#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "ActionRules.h"
#include "TestFolder.h"
#include "search/SearchRecorder.h"

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

  // The folders to skip: set when the command line names some, else as they were.
  TSearchPanel p4;
  p4.SkipFolders = ".git";
  PrefillFromCommand(words, p4);
  EXPECT_EQ(p4.SkipFolders, ".git");
  words.SkipFolders = "bin;obj";
  PrefillFromCommand(words, p4);
  EXPECT_EQ(p4.SkipFolders, "bin;obj");
  TCommandObject skipOnly;  // "--skip" alone: HasValues false
  skipOnly.SkipFolders = "x";
  EXPECT_FALSE(PrefillFromCommand(skipOnly, p4));
  EXPECT_EQ(p4.SkipFolders, "bin;obj");
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
  // Blanks alone are no words (names only), but as the exact text.
  ApplyPanel({"*", "C:\\", " \t ", false, false, false, 1}, r);
  EXPECT_EQ(r.Words, "");
  ApplyPanel({"*", "C:\\", " \t ", false, false, false, 2}, r);
  EXPECT_EQ(r.Words, " \t ");
  TSearchPanel skip;
  skip.SkipFolders = " .git ; bin";
  ApplyPanel(skip, r);
  EXPECT_EQ(r.SkipFolders, " .git ; bin");
  ApplyPanel({}, r);
  EXPECT_EQ(r.SkipFolders, "");
}

// Masks as users type them into the panel, searched on the real file system:
// several masks separated by ';' list what each mask lists alone (by the
// system's rules, on Windows also through 8.3 names), each file once, in the
// order the folder lists every name; a blank mask is no mask.
TEST(ActionRules, ThePanelsMasksFindWhatEachMaskFinds) {
  test::TTestFolder dir;
  for (const char* name : {"a.txt", "b.md", "C.TXT", "d.log", "longfilename.text", "notes.md.bak", "sub/e.md",
                           "sub/f.txt", "sub/deeper/g.MD", "sub/deeper/h.c"})
    dir.File(name, "needle");
  // The rows of a search for `mask` from the panel, each as folder + name; the error, if any.
  auto search = [&](const std::string& mask, std::string* error = nullptr) {
    test::TSearchRecorder rec;
    TSearchRun run(rec);
    TSearchRequest request;
    ApplyPanel({mask, dir.Root(), "needle", true, false, false, 0}, request);
    run.Worker().SetRequest(request);
    run.Worker().Resume();
    run.Worker().WaitFor();
    if (error) *error = run.Worker().ErrorMessage();
    std::vector<std::string> rows;
    for (const TFoundFile& f : rec.Files) rows.push_back(f.Folder + f.Name);
    return rows;
  };
  const std::vector<std::string> everything = search("*");
  ASSERT_EQ(everything.size(), 10u);
  struct TCase {
    std::string Masks;
    std::vector<std::string> Alone;
  } cases[] = {
      {"*.txt;*.md", {"*.txt", "*.md"}},
      {" *.md ;; *.txt\t;", {"*.md", "*.txt"}},
      {"*.tex;*.MD;*.md", {"*.tex", "*.MD", "*.md"}},
      {"?.c;*.*", {"?.c", "*.*"}},
  };
  for (const TCase& c : cases) {
    std::set<std::string> any;
    for (const std::string& mask : c.Alone)
      for (const std::string& row : search(mask)) any.insert(row);
    std::vector<std::string> expected;
    std::copy_if(everything.begin(), everything.end(), std::back_inserter(expected),
                 [&](const std::string& row) { return any.count(row) != 0; });
    EXPECT_EQ(search(c.Masks), expected) << c.Masks;
  }
  const std::vector<std::string> textsAndNotes = search("*.txt;*.md");
  EXPECT_EQ(textsAndNotes.size(), 6u);  // a, b, C, e, f, g
#ifdef _WIN32
  // The system matches "*.tex" on the 8.3 name of longfilename.text, as for the mask alone.
  const std::vector<std::string> tex = search("*.tex;*.md");
  EXPECT_NE(std::find(tex.begin(), tex.end(), dir.Path("longfilename.text")), tex.end());
#endif
  for (const char* blank : {"", "   ", " \t", ";", " ; ; "}) {
    std::string error;
    EXPECT_TRUE(search(blank, &error).empty());
    EXPECT_EQ(error, "Enter a file mask, such as *.*") << "[" << blank << "]";
  }
}

}  // namespace
}  // namespace sorvik
