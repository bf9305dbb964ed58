#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ExplorerCommand.h"
#include "LongPath.h"

namespace sorvik {
namespace {

// What Explorer runs: each %V of the command replaced by the folder's path, in
// one pass that never reads what it put.
std::string AsExplorerRuns(const std::string& command, const std::string& folder) {
  std::string run;
  for (std::size_t i = 0; i < command.size(); ++i) {
    if (command[i] == '%' && i + 1 < command.size() && (command[i + 1] == 'V' || command[i + 1] == 'v')) {
      run += folder;
      ++i;
    } else {
      run += command[i];
    }
  }
  return run;
}

// Folders with parts the generator draws from every character a Windows name
// may hold (no control characters, no \ / : * ? " < > |), blanks and "%" often,
// at any place; no part ends in a dot, which the system's path rules take off
// a part a delimiter follows. No "--" either: the command line reads an
// option's name ("--msk") wherever it stands in an argument.
std::vector<std::string> DrawnFolders(int count) {
  const std::vector<std::string> pieces = {"a", "Z", "7", " ", "  ", "%", "%V", "%1", "%PATH%", ".", "-", "=", "&",
                                           "^", ",", ";", "!", "'", "(", ")", "[", "]", "{", "}", "~", "#", "$",
                                           "@", "+", "_", "`", "\xC3\xA9", "\xE2\x82\xAC", "\xE4\xB8\xAD"};
  std::mt19937 random(20240611);
  std::vector<std::string> folders;
  while (static_cast<int>(folders.size()) < count) {
    std::string folder = random() % 4 ? "C:" : "\\\\server\\share";
    const int parts = 1 + static_cast<int>(random() % 6);
    for (int p = 0; p < parts; ++p) {
      std::string part;
      const int length = 1 + static_cast<int>(random() % 25);
      for (int i = 0; i < length; ++i) part += pieces[random() % pieces.size()];
      while (part.ends_with('.')) part.pop_back();
      if (part.empty()) part.push_back('x');
      folder += "\\" + part;
    }
    if (folder.size() <= 300 && folder.find("--") == std::string::npos) folders.push_back(folder);
  }
  return folders;
}

// Every folder Explorer may hand over reaches the program whole, as the one
// argument "--dir=" and the folder with a delimiter, and the search starts in
// exactly that folder: with "%" and what looks like a placeholder in it, blanks
// at the ends of its names, 300 characters, a share, a root; whatever the
// program's own path holds but a "%".
TEST(ExplorerCommand, EveryFolderArrivesWhole) {
  const std::vector<std::string> programs = {"C:\\Program Files\\Sorvik\\sorvik.exe",
                                             "\\\\server\\tools\\my sorvik\\sorvik.exe",
                                             "C:\\x y\\s\xC3\xB6rvik (2).exe"};
  std::vector<std::pair<std::string, std::string>> folders = {
      {"C:\\", "C:\\"},
      {"C:\\My Files", "C:\\My Files"},
      {"\\\\server\\share", "\\\\server\\share\\"},
      {"\\\\server\\share\\d x", "\\\\server\\share\\d x"},
      {"C:\\100% %V %1 %PATH% sure", "C:\\100% %V %1 %PATH% sure"},
      {"C:\\trail ", "C:\\trail "},
      {"C:\\two  blanks  \\end  ", "C:\\two  blanks  \\end  "},
      {"C:\\a&b^c,d;e=f!g(h)'i", "C:\\a&b^c,d;e=f!g(h)'i"},
  };
  std::string long300 = "C:\\";
  while (long300.size() < 280) long300 += std::string(40, 'l') + "\\";
  long300 += std::string(299 - long300.size(), 'e') + " ";
  ASSERT_EQ(long300.size(), 300u);
  folders.emplace_back(long300, long300);
  for (const std::string& drawn : DrawnFolders(400)) folders.emplace_back(drawn, drawn);
  for (const std::string& program : programs) {
    ASSERT_TRUE(FitsExplorerCommand(program)) << program;
    for (const auto& [folder, start] : folders) {
      const std::string run = AsExplorerRuns(ExplorerEntryCommand(program), folder);
      // The program's path is the first word (the splitter drops it: put one before it).
      const std::vector<std::string> words = SplitCommandLine("x " + run);
      ASSERT_EQ(words.size(), 2u) << run;
      EXPECT_EQ(words[0], program);
      EXPECT_EQ(words[1], "--dir=" + folder + "\\") << run;
      TCommandObject object;
      ApplyCommandLine(object, SplitCommandLine(run));
      EXPECT_TRUE(object.HasValues) << run;
      EXPECT_FALSE(object.RunAtOnce) << run;
      EXPECT_EQ(object.Mask, "*.*");
      EXPECT_EQ(object.Words, "");
      EXPECT_EQ(NormalWindowsFolder(object.Folder, "D:\\elsewhere"), start) << run;
    }
  }
}

TEST(ExplorerCommand, AProgramPathExplorerWouldReadOtherwiseIsRefused) {
  EXPECT_FALSE(FitsExplorerCommand("C:\\100%\\sorvik.exe"));
  EXPECT_FALSE(FitsExplorerCommand("C:\\%V\\sorvik.exe"));
  EXPECT_FALSE(FitsExplorerCommand("C:\\a\"b\\sorvik.exe"));
  EXPECT_FALSE(FitsExplorerCommand(""));
}

}  // namespace
}  // namespace sorvik
