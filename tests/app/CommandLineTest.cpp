#include <gtest/gtest.h>

#include "CommandLine.h"

namespace sorvik {
namespace {

TCommandObject Parse(const std::vector<std::string>& args, bool* result = nullptr) {
  TCommandObject o;
  const bool r = ParseCommandLine(&o, args);
  if (result) *result = r;
  return o;
}

TEST(CommandObject, DefaultsAndNoObject) {
  TCommandObject o;
  EXPECT_EQ(o.Mask, "*.*");
  EXPECT_EQ(o.Folder, "C:\\");
  EXPECT_EQ(o.Words, "");
  EXPECT_EQ(o.Options, coSubfolders);
  EXPECT_EQ(o.MatchMode, 0);
  EXPECT_FALSE(o.HasValues);
  EXPECT_FALSE(o.RunAtOnce);
  EXPECT_FALSE(ParseCommandLine(nullptr, {"--msk=*.c"}));
}

TEST(ExtractOptionValue, StateMachine) {
  EXPECT_EQ(ExtractOptionValue("--msk=*.txt"), "*.txt");
  EXPECT_EQ(ExtractOptionValue("--msk"), "");
  EXPECT_EQ(ExtractOptionValue("--msk*.txt"), "");
  EXPECT_EQ(ExtractOptionValue("--msk:*.txt"), "");
  EXPECT_EQ(ExtractOptionValue("--msk==*.txt"), "*.txt");
  EXPECT_EQ(ExtractOptionValue("--qry=-x"), "");
  EXPECT_EQ(ExtractOptionValue("--qry=-=x"), "x");  // a "-" before the value calls for another "="
  EXPECT_EQ(ExtractOptionValue("--qry=   a b  "), "a b  ");  // leading blanks dropped, trailing kept
  EXPECT_EQ(ExtractOptionValue("--qry=a=-b -c"), "a=-b -c");
}

TEST(ParseCommandLine, TableExamples) {
  EXPECT_EQ(Parse({"--msk=*.txt"}).Mask, "*.txt");
  EXPECT_EQ(Parse({"--dir=C:\\My Files"}).Folder, "C:\\My Files");
  for (const char* a : {"--msk", "--msk*.txt", "--msk:*.txt"}) {
    bool r = true;
    EXPECT_EQ(Parse({a}, &r).Mask, "*.*") << a;
    EXPECT_FALSE(r) << a;
  }
  EXPECT_EQ(Parse({"--msk==*.txt"}).Mask, "*.txt");
  EXPECT_EQ(Parse({"--qry=-x"}).Words, "");
  EXPECT_EQ(Parse({"--mskall=*.c"}).Mask, "*.c");
  EXPECT_EQ(Parse({"/--dir=D:\\"}).Folder, "D:\\");
  EXPECT_EQ(Parse({"--cmd=WC"}).Options, coWholeWords | coCaseSensitive);
  EXPECT_EQ(Parse({"--cmd=swc"}).Options, 0);
  EXPECT_EQ(Parse({"--mtc=all"}).MatchMode, 0);
  EXPECT_EQ(Parse({"--mtc=ALL", "--mtc=EXACTLY"}).MatchMode, 1);
  EXPECT_EQ(Parse({"--mtc=EXACT"}).MatchMode, 2);
  const TCommandObject q = Parse({"--qry=a b --run"});
  EXPECT_EQ(q.Words, "a b --run");
  EXPECT_TRUE(q.RunAtOnce);
  const TCommandObject r = Parse({"--run--msk=*.c"});
  EXPECT_EQ(r.Mask, "*.c");
  EXPECT_FALSE(r.RunAtOnce);
}

TEST(ParseCommandLine, ResultAndOverwrites) {
  bool r = false;
  TCommandObject o = Parse({"--run"}, &r);
  EXPECT_FALSE(r);
  EXPECT_TRUE(o.RunAtOnce);
  Parse({"--cmd=W", "--mtc=ALL"}, &r);
  EXPECT_FALSE(r);  // only mask, folder and words count
  o = Parse({"--qry=abc"}, &r);
  EXPECT_TRUE(r);
  EXPECT_EQ(o.Mask, "*.*");
  EXPECT_EQ(o.Folder, "C:\\");
  EXPECT_EQ(o.Options, coSubfolders);
  EXPECT_EQ(Parse({"--msk=a", "--msk=b"}).Mask, "b");
  EXPECT_EQ(Parse({"--cmd=S", "--cmd=W"}).Options, coWholeWords);
  EXPECT_EQ(Parse({"--cmd=S", "--cmd="}).Options, coSubfolders);  // empty value changes nothing
  o = Parse({"--MSK=*.txt", "hello", "-msk=x"}, &r);
  EXPECT_FALSE(r);
  EXPECT_EQ(o.Mask, "*.*");
  // Within one argument the cut at a later name drops the earlier ones' text.
  o = Parse({"--dir=x --msk=y"});
  EXPECT_EQ(o.Mask, "y");
  EXPECT_EQ(o.Folder, "C:\\");
  o = Parse({"--msk=y --dir=x"});
  EXPECT_EQ(o.Mask, "y --dir=x");
  EXPECT_EQ(o.Folder, "x");
}

// "--skip" sets the folders to skip as "--cmd" sets the options: later ones
// win, an empty value changes nothing, and alone it asks for no search.
TEST(ParseCommandLine, FoldersToSkip) {
  bool r = true;
  TCommandObject o = Parse({"--skip=.git; node_modules"}, &r);
  EXPECT_EQ(o.SkipFolders, ".git; node_modules");
  EXPECT_FALSE(r);
  EXPECT_EQ(TCommandObject{}.SkipFolders, "");
  EXPECT_EQ(Parse({"--skip=bin", "--skip=obj"}).SkipFolders, "obj");
  EXPECT_EQ(Parse({"--skip=bin", "--skip="}).SkipFolders, "bin");
  EXPECT_EQ(Parse({"--skip"}).SkipFolders, "");
  EXPECT_EQ(Parse({"--SKIP=bin"}).SkipFolders, "");
  EXPECT_EQ(Parse({"--skip==  a b ; c "}).SkipFolders, "a b ; c ");
  o = Parse({"--dir=D:\\src", "--skip=obj", "--run"}, &r);
  EXPECT_TRUE(r);
  EXPECT_EQ(o.Folder, "D:\\src");
  EXPECT_EQ(o.SkipFolders, "obj");
  EXPECT_TRUE(o.RunAtOnce);
  // Within one argument it is read last, from what the other names left.
  o = Parse({"--qry=needle --skip=bin"});
  EXPECT_EQ(o.Words, "needle --skip=bin");
  EXPECT_EQ(o.SkipFolders, "bin");
  o = Parse({"--skip=bin --msk=*.c"});
  EXPECT_EQ(o.Mask, "*.c");
  EXPECT_EQ(o.SkipFolders, "");
  TCommandObject split;
  ApplyCommandLine(split, SplitCommandLine("s.exe --dir=C:\\x \"--skip=.git; My Stuff\""));
  EXPECT_TRUE(split.HasValues);
  EXPECT_EQ(split.SkipFolders, ".git; My Stuff");
}

TEST(ApplyCommandLine, HasValuesOnlyFromArguments) {
  TCommandObject o;
  ApplyCommandLine(o, {});
  EXPECT_FALSE(o.HasValues);
  ApplyCommandLine(o, {"--run"});
  EXPECT_FALSE(o.HasValues);
  EXPECT_TRUE(o.RunAtOnce);
  ApplyCommandLine(o, {"--dir=D:\\x"});
  EXPECT_TRUE(o.HasValues);
}

TEST(SplitCommandLine, RuntimeRules) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("prog.exe"), V{});
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\s.exe\" a  b\tc"), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitCommandLine("s.exe \"--dir=C:\\My Files\""), V{"--dir=C:\\My Files"});
  EXPECT_EQ(SplitCommandLine("s.exe --dir=\"C:\\My Files\""), V{"--dir=C:\\My Files"});
  EXPECT_EQ(SplitCommandLine("s.exe a\"b c\"d e"), (V{"ab cd", "e"}));
  EXPECT_EQ(SplitCommandLine("s.exe \"\"x \"\" y"), (V{"x", "y"}));
  EXPECT_EQ(SplitCommandLine("s.exe x \"unclosed y"), (V{"x", "unclosed y"}));
  EXPECT_EQ(SplitCommandLine("s.exe \"--qry=  lead\""), V{"--qry=  lead"});
  for (const std::string& a : SplitCommandLine("s.exe \"a\"\"b\" \"\"\"\" q\"\"")) EXPECT_EQ(a.find('"'), std::string::npos);
  // Quotes around a value with blanks: the parser gets no quote.
  TCommandObject o;
  ApplyCommandLine(o, SplitCommandLine("s.exe --qry=\"  two words \" --run"));
  EXPECT_EQ(o.Words, "two words ");
  EXPECT_TRUE(o.RunAtOnce);
}

}  // namespace
}  // namespace sorvik
