// The walk's folders to skip: how their names are matched, and what a walk
// that skips some of them enters and hands on, at every depth.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "FakeFileSystem.h"
#include "FolderWalk.h"

namespace sorvik {
namespace {

using test::TFakeFileSystem;

TEST(FolderSkip, NamesAndMasksWithoutRegardToCase) {
  const TFolderSkip skip(" .git ;;node_modules;\tb?n ; OBJ*;  ;caf\xC3\xA9;\xCE\xA3\xCE\xA9*");  // café; ΣΩ*
  EXPECT_FALSE(skip.Empty());
  for (const char* name : {".git", ".GIT", "node_modules", "Node_Modules", "bin", "BAN", "obj", "objects", "Obj.x64",
                           "CAF\xC3\x89",                       // CAFÉ
                           "\xCF\x83\xCF\x89\xCF\x84\xCE\xB1"})  // σωτα
    EXPECT_TRUE(skip.Skips(name)) << name;
  for (const char* name : {"git", ".git2", "node_modules.old", "bn", "bins", "ob", "cafe", "\xCF\x83", "", ".", ".."})
    EXPECT_FALSE(skip.Skips(name)) << name;
  // Windows' mask rules: "*.*" also takes names without a dot, a trailing dot
  // the end of the name, and "?" one character however many bytes it takes.
  const TFolderSkip dots("*.*");
  EXPECT_TRUE(dots.Skips("plain"));
  EXPECT_FALSE(dots.Skips(".."));
  EXPECT_TRUE(TFolderSkip("tmp.").Skips("TMP"));
  EXPECT_TRUE(TFolderSkip("?t?").Skips("\xC3\xA9t\xC3\xA9"));  // été
  EXPECT_FALSE(TFolderSkip("?t?").Skips("\xC3\xA9tt\xC3\xA9"));
  // Blanks, ';' alone and nothing are no folders at all.
  for (const char* none : {"", "   ", " ; ;\t;", ";"}) {
    EXPECT_TRUE(TFolderSkip(none).Empty()) << "[" << none << "]";
    EXPECT_FALSE(TFolderSkip(none).Skips("x"));
  }
}

TEST(FolderSkip, AnItemWithADelimiterIsAPath) {
  EXPECT_EQ(TFolderSkip(".git; node_modules").PathItem(), "");
  EXPECT_EQ(TFolderSkip("bin;  src\\obj ; a/b").PathItem(), "src\\obj");
  EXPECT_EQ(TFolderSkip(" ./build ").PathItem(), "./build");
  EXPECT_EQ(TFolderSkip("\\").PathItem(), "\\");
}

// ---- walks over generated trees ---------------------------------------------

// A tree the test writes down, and what the walk must do with it, worked out
// from the tree alone.
struct TModelFolder {
  std::string Name;
  std::vector<std::string> Files;
  std::vector<TModelFolder> Folders;
};

// '*' any run, '?' one character, letters without regard to case (ASCII only:
// the generated names are).
bool Glob(const char* name, const char* mask) {
  if (*mask == '\0') return *name == '\0';
  if (*mask == '*') return Glob(name, mask + 1) || (*name != '\0' && Glob(name + 1, mask));
  if (*name == '\0') return false;
  const auto upper = [](char c) { return std::toupper(static_cast<unsigned char>(c)); };
  return (*mask == '?' || upper(*mask) == upper(*name)) && Glob(name + 1, mask + 1);
}

struct TVisit {
  bool Enter;  // a folder entered, or an entry handed on
  std::string Path;
  bool operator==(const TVisit&) const = default;
};

class TRecordingVisitor : public TFolderWalk::IVisitor {
 public:
  std::vector<TVisit> Visits;
  void EnterFolder(const std::string& folder) override { Visits.push_back({true, folder}); }
  void Entry(const std::string& folder, const TDirEntry& entry, IDirEnum&) override {
    Visits.push_back({false, folder + entry.Name});
  }
  bool Stopped() override { return false; }
};

std::string Describe(const std::vector<TVisit>& visits) {
  std::string out;
  for (const TVisit& v : visits) out += (v.Enter ? "enter " : "  ") + v.Path + "\n";
  return out;
}

// Random trees of folders and files whose names repeat at every depth, walked
// with random lists of folders to skip (masks, blanks, empty items, names in
// another case), for several file masks: the walk enters exactly the folders
// outside every skipped one, the start folder always, and hands on exactly the
// entries of those folders that match the mask, but for skipped folders, in
// depth-first order with a folder's entries before its subfolders.
TEST(FolderWalkSkip, GeneratedTreesAgainstAModelWalk) {
  std::mt19937 random(20240611);
  const std::vector<std::string> folderNames = {"bin", "Obj", "src", "node_modules", "a", "ab", "BIN"};
  const std::vector<std::string> skipItems = {"bin", "OBJ", "a?", "*_*", "s*", "  bin  ", "", "x", "*", "b*n"};
  const auto pick = [&](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  // A folder's subfolders have names of their own; the start folder is "bin".
  std::function<TModelFolder(const std::string&, int)> makeFolder = [&](const std::string& name, int depth) {
    TModelFolder folder{name, {}, {}};
    const int files = std::uniform_int_distribution<int>(0, 3)(random);
    for (int i = 0; i < files; ++i)
      folder.Files.push_back(std::string(1, 'f').append(std::to_string(i)).append(i % 2 ? ".txt" : ".log"));
    const int subfolders = depth < 4 ? std::uniform_int_distribution<int>(0, 3)(random) : 0;
    for (int i = 0; i < subfolders; ++i) {
      const std::string sub = pick(folderNames);
      bool taken = false;
      for (const TModelFolder& f : folder.Folders) taken = taken || Glob(f.Name.c_str(), sub.c_str());
      if (!taken) folder.Folders.push_back(makeFolder(sub, depth + 1));
    }
    return folder;
  };
  // The fake disk: "." and "..", then files and folders mixed in a fixed order.
  std::function<void(TFakeFileSystem&, const std::string&, const TModelFolder&)> write =
      [&](TFakeFileSystem& fs, const std::string& path, const TModelFolder& folder) {
        fs.AddFolder(path);
        for (std::size_t i = 0; i < std::max(folder.Files.size(), folder.Folders.size()); ++i) {
          if (i < folder.Folders.size()) fs.Add(path, folder.Folders[i].Name, faDirectory);
          if (i < folder.Files.size()) fs.Add(path, folder.Files[i], faArchive);
        }
        for (const TModelFolder& sub : folder.Folders) write(fs, path + sub.Name + "\\", sub);
      };

  int skippedSomewhere = 0, deepSkips = 0;
  for (int round = 0; round < 300; ++round) {
    const TModelFolder root = makeFolder("bin", 0);
    TFakeFileSystem fs;
    write(fs, "C:\\bin\\", root);
    std::string skipText;
    std::vector<std::string> items;
    for (int i = std::uniform_int_distribution<int>(0, 3)(random); i > 0; --i) {
      const std::string item = pick(skipItems);
      skipText += item + (random() % 2 ? ";" : " ; ");
      std::string trimmed = item;
      trimmed.erase(0, trimmed.find_first_not_of(' '));
      trimmed.erase(trimmed.find_last_not_of(' ') + 1);
      if (!trimmed.empty()) items.push_back(trimmed);
    }
    const auto skipped = [&](const std::string& name) {
      for (const std::string& item : items)
        if (Glob(name.c_str(), item.c_str())) return true;
      return false;
    };
    for (const char* maskText : {"*.*", "*.txt", "f1*;*.log"}) {
      const std::string mask = maskText;
      const auto listed = [&](const std::string& name) {
        if (mask == "*.*") return true;
        if (mask == "*.txt") return Glob(name.c_str(), "*.txt");
        return Glob(name.c_str(), "f1*") || Glob(name.c_str(), "*.log");
      };
      std::vector<TVisit> expected;
      std::function<void(const std::string&, const TModelFolder&, int)> model = [&](const std::string& path,
                                                                                    const TModelFolder& folder,
                                                                                    int depth) {
        expected.push_back({true, path});
        for (const char* dot : {".", ".."})
          if (listed(dot)) expected.push_back({false, path + dot});
        for (std::size_t i = 0; i < std::max(folder.Files.size(), folder.Folders.size()); ++i) {
          if (i < folder.Folders.size()) {
            const std::string& name = folder.Folders[i].Name;
            if (skipped(name)) {
              ++skippedSomewhere;
              deepSkips += depth > 0;
            } else if (listed(name)) {
              expected.push_back({false, path + name});
            }
          }
          if (i < folder.Files.size() && listed(folder.Files[i])) expected.push_back({false, path + folder.Files[i]});
        }
        for (const TModelFolder& sub : folder.Folders)
          if (!skipped(sub.Name)) model(path + sub.Name + "\\", sub, depth + 1);
      };
      model("C:\\bin\\", root, 0);

      TRecordingVisitor visitor;
      const TFolderSkip skip(skipText);
      TFolderWalk(fs).Walk("C:\\bin", mask, true, faAnyFile, visitor, &skip);
      ASSERT_EQ(visitor.Visits, expected) << "skip [" << skipText << "] mask " << mask << "\nwalked:\n"
                                          << Describe(visitor.Visits) << "expected:\n" << Describe(expected);
      // No skipped folder is even listed.
      for (const std::string& listing : fs.Listed) {
        const std::string folder = listing.substr(0, listing.rfind('\\') + 1);
        bool entered = false;
        for (const TVisit& v : expected) entered = entered || (v.Enter && v.Path == folder);
        ASSERT_TRUE(entered) << listing << " listed, skip [" << skipText << "]";
      }
      fs.Listed.clear();
    }
  }
  // The trees did skip folders, below the start folder's own too.
  EXPECT_GT(skippedSomewhere, 100);
  EXPECT_GT(deepSkips, 30);
}

}  // namespace
}  // namespace sorvik
