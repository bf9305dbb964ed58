#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ShellSteps.h"

namespace sorvik {
namespace {

using K = TShellAnswer;

// A shell that answers each step as told and notes what was asked and said.
class TScriptedShell : public IShellSteps {
 public:
  std::map<std::string, TShellAnswer> Answers;  // by step: "open", "openas", "dialog", "select"
  std::vector<std::string> Steps;
  std::vector<TShellAnswer> Given;
  std::vector<std::string> Said;
  std::uint32_t SaidError = 0;

  TShellAnswer Execute(const TShellCall& call) override {
    EXPECT_EQ(call.File, File);
    return Step(call.Operation);
  }
  TShellAnswer OpenWithDialog(const std::string& path) override {
    EXPECT_EQ(path, File);
    return Step("dialog");
  }
  TShellAnswer ShowSelected(const std::string& path) override {
    EXPECT_EQ(path, Select);
    return Step("select");
  }
  void SayCantReach(const std::string& path) override { Said.push_back("can't reach " + path); }
  void SayRefused(const TShellCall& call, std::uint32_t error) override {
    Said.push_back("refused " + call.File);
    SaidError = error;
  }
  std::string File, Select;

 private:
  TShellAnswer Step(const std::string& name) {
    Steps.push_back(name);
    Given.push_back(Answers.count(name) ? Answers[name] : TShellAnswer{});
    return Given.back();
  }
};

bool Cancelled(const TShellAnswer& a) { return a.Kind == K::Failed && a.Error == kErrorCancelled; }

// Every answer each step may give, for every act and every kind of path: the
// user hears of every failure and of nothing else, once; nothing is tried after
// a success or the user's cancel; the system's choice of a program is offered
// where no program is associated; its dialog gets only paths the shell takes as
// text; Open folder selects the file wherever the shell can be given it, and
// opens the folder alone where it can't.
TEST(ShellSteps, EveryFailureIsSaidOnceAndNothingElse) {
  const std::vector<TShellAnswer> answers = {
      {K::Done}, {K::Failed, kErrorNoAssociation}, {K::Failed, kErrorCancelled}, {K::Failed, 5}, {K::Unreachable}};
  const std::vector<std::pair<std::string, TShellRoute>> paths = {
      {"C:\\A\\b c.txt", TShellRoute::Text},
      {"C:\\" + std::string(300, 'd') + "\\f.txt", TShellRoute::Item},
      {"C:\\A\\doc.txt ", TShellRoute::None}};
  int runs = 0;
  for (const auto& [path, route] : paths) {
    ASSERT_EQ(ShellRoute(path), route);
    const std::string name = path.substr(path.rfind('\\') + 1), folder = path.substr(0, path.size() - name.size());
    for (const TShellCall& call : {OpenSelectedCall("", path), OpenWithCall(path), OpenFolderCall(folder, name)})
      for (const TShellAnswer& first : answers)
        for (const TShellAnswer& dialog : answers)
          for (const TShellAnswer& verb : answers)
            for (const TShellAnswer& select : answers) {
              TScriptedShell shell;
              shell.File = call.File;
              shell.Select = path;
              shell.Answers = {{"open", first}, {"dialog", dialog}, {"openas", verb}, {"select", select}};
              CarryOut(call, shell);
              ++runs;
              const std::string at = path + ", act " + std::to_string(static_cast<int>(call.Act)) + ", steps " +
                                     std::to_string(shell.Steps.size());
              ASSERT_FALSE(shell.Steps.empty()) << at;
              const TShellAnswer& last = shell.Given.back();
              // Silent exactly when the last step did it, or the user cancelled.
              EXPECT_EQ(shell.Said.empty(), last.Kind == K::Done || Cancelled(last)) << at;
              EXPECT_LE(shell.Said.size(), 1u) << at;
              for (std::size_t i = 0; i + 1 < shell.Given.size(); ++i) {
                EXPECT_FALSE(shell.Given[i].Kind == K::Done || Cancelled(shell.Given[i])) << at;
              }
              // The dialog only for a path the shell takes as text.
              for (const std::string& step : shell.Steps) {
                EXPECT_TRUE(step != "dialog" || route == TShellRoute::Text) << at;
              }
              if (call.Act == TShellAct::Open) {
                EXPECT_EQ(shell.Steps[0], "open") << at;
                // A choice of program exactly when no program is associated.
                const bool noProgram = first == TShellAnswer{K::Failed, kErrorNoAssociation};
                EXPECT_EQ(shell.Steps.size() > 1, noProgram) << at;
                // What is said is why the file didn't open.
                if (!shell.Said.empty()) {
                  EXPECT_EQ(shell.Said[0], (first.Kind == K::Unreachable ? "can't reach " : "refused ") + path) << at;
                }
                if (shell.SaidError) {
                  EXPECT_EQ(shell.SaidError, first.Error) << at;
                }
              } else if (call.Act == TShellAct::OpenWith) {
                const std::vector<std::string> both = {"dialog", "openas"};
                const bool dialogDid = dialog.Kind == K::Done || Cancelled(dialog);
                EXPECT_EQ(shell.Steps, route != TShellRoute::Text ? std::vector<std::string>{"openas"}
                                       : dialogDid                ? std::vector<std::string>{"dialog"}
                                                                  : both)
                    << at;
                // Both refused: the dialog's reason, the verb being the older way.
                if (shell.Steps == both && dialog.Kind == K::Failed && verb.Kind == K::Failed && !Cancelled(verb)) {
                  EXPECT_EQ(shell.SaidError, dialog.Error) << at;
                }
              } else {
                // The folder's window with the file selected; the folder alone where
                // that can't be had; never a path with a name the system would change.
                const bool selected = select.Kind == K::Done || Cancelled(select);
                const std::vector<std::string> both = {"select", "open"};
                EXPECT_EQ(shell.Steps, (route == TShellRoute::None ? std::vector<std::string>{"open"}
                                        : selected                 ? std::vector<std::string>{"select"}
                                                                   : both))
                    << at;
                if (!shell.Said.empty()) {
                  EXPECT_EQ(shell.Said[0], (first.Kind == K::Unreachable ? "can't reach " : "refused ") + folder) << at;
                }
              }
            }
  }
  EXPECT_EQ(runs, 3 * 3 * 625);
}

TEST(ShellSteps, TheErrorOfAFailedShellExecute) {
  // Wine: no program for the file, with an unrelated last error.
  EXPECT_EQ(ShellExecuteError(31, 193), kErrorNoAssociation);
  EXPECT_EQ(ShellExecuteError(27, 0), kErrorNoAssociation);
  EXPECT_EQ(ShellExecuteError(2, 2), 2u);
  EXPECT_EQ(ShellExecuteError(26, 0), 32u);  // sharing violation
  EXPECT_EQ(ShellExecuteError(5, kErrorCancelled), kErrorCancelled);  // the user said no to the elevation
  EXPECT_EQ(ShellExecuteError(0, 87), 87u);  // no SE_ERR_ code: the last error
  EXPECT_EQ(ShellExecuteError(42, 0), 31u);  // nothing says why: a general failure, never success
}

}  // namespace
}  // namespace sorvik
