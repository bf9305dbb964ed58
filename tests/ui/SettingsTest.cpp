// sorvik.ini through the window: what a missing, an odd and an unwritable file do.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "TestFolder.h"
#include "CommaText.h"
#include "WinText.h"
#include "Pump.h"
#include "formMain.h"
#include "uSettings.h"

namespace sorvik {
namespace {

class SettingsFile : public testing::Test {
 protected:
  void SetUp() override {
    Previous = sorvik::SettingsFile();
    Path = Dir.Path("sorvik.ini");
    SetSettingsFile(Widen(Path));
  }
  void TearDown() override { SetSettingsFile(Previous); }

  void Write(const std::string& lines) { Dir.File("sorvik.ini", "[formMain]\r\n" + lines); }
  std::string Read() {
    std::ifstream in(Path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static RECT Rect(const TfrmMain& f) {
    RECT r;
    GetWindowRect(f.Handle(), &r);
    return r;
  }
  // The file's text in UTF-8, from UTF-16 LE after a byte-order mark.
  std::string ReadUnicode() {
    const std::string bytes = Read();
    if (bytes.compare(0, 2, "\xFF\xFE") != 0) return {};
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    std::memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
    return Narrow(text);
  }
  static std::vector<std::string> Items(HWND combo) {
    std::vector<std::string> out;
    for (int i = 0, n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)); i < n; ++i) {
      std::wstring text(static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, L'\0');
      SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
      out.push_back(Narrow(text.c_str()));
    }
    return out;
  }
  static void SetItems(HWND combo, const std::vector<std::string>& items) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
  static int ColumnWidth(const TfrmMain& f, int i) {
    return static_cast<int>(SendMessageW(f.lvwResults, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
  }
  // The window as on a monitor of another scale.
  static void MoveToDpi(TfrmMain& f, UINT dpi) {
    RECT r = Rect(f);
    SendMessageW(f.Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
    ASSERT_EQ(f.Dpi(), dpi);
  }
  static void Close(TfrmMain& f) {
    SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
    test::DrainQuit();
  }

  test::TTestFolder Dir;
  std::string Path;
  std::wstring Previous;
  TCommandObject None;
};

TEST_F(SettingsFile, NoFileGivesTheDefaultsAndTheFirstCloseWritesAllKeys) {
  TfrmMain f(None, false);
  const RECT r = Rect(f);
  EXPECT_EQ(r.left, 200);
  EXPECT_EQ(r.top, 119);
  EXPECT_EQ(r.right - r.left, 596);
  EXPECT_EQ(r.bottom - r.top, 529);
  EXPECT_EQ(f.InitialShowCommand(), SW_SHOWNORMAL);
  EXPECT_TRUE(Items(f.General().cboFilemask).empty());
  // The design widths; the date columns at least as wide as the locale's dates need.
  const int design[] = {100, 150, 75, 75, 75, 75};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ColumnWidth(f, i), design[i]);
  const int dates = ColumnWidth(f, 3);
  EXPECT_GE(dates, 75);
  for (int i = 4; i < 6; ++i) EXPECT_EQ(ColumnWidth(f, i), dates);
  // Two masks typed; the box's exit puts each on top.
  for (const char* mask : {"*.pas", "*.txt", "*.TXT", ""}) {
    SetText(f.General().cboFilemask, mask);
    f.cboFilemaskExit();
  }
  EXPECT_EQ(Items(f.General().cboFilemask), (std::vector<std::string>{"*.txt", "*.pas"}));
  Close(f);
  EXPECT_EQ(Read(),
            "[formMain]\r\nMainWindowState=0\r\nMainLeft=200\r\nMainTop=119\r\nMainWidth=596\r\nMainHeight=529\r\n"
            "MaxListItems=20\r\nMaskList=*.txt,*.pas\r\nWordList=\r\nSkipList=\r\nColumnSizes=100,150,75," +
                std::to_string(dates) + "," + std::to_string(dates) + "," + std::to_string(dates) +
                "\r\nSearchInside=1\r\nHitPaneShown=1\r\nHitPaneHeight=110\r\nPixelsPerInch=96\r\n");
}

// The folders to skip keep a history as the mask and the words do: what is left
// in the box goes on top (once, whatever its case), the list is kept in
// sorvik.ini whole, ';', commas, quotes and letters outside the code page
// included, and the box itself opens empty.
TEST_F(SettingsFile, TheFoldersToSkipKeepAHistory) {
  const std::vector<std::string> typed{".git; node_modules", "bin,obj", "\"out\"",
                                       "\xCE\xB4\xCE\xB5\xCE\xBB\xCF\x84\xCE\xAF\xCE\xBF"};  // δελτίο
  {
    TfrmMain f(None, false);
    EXPECT_TRUE(Items(f.General().cboSkipFolders).empty());
    for (const std::string& text : typed) {
      SetText(f.General().cboSkipFolders, text);
      SendMessageW(f.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(f.General().cboSkipFolders), CBN_KILLFOCUS),
                   reinterpret_cast<LPARAM>(f.General().cboSkipFolders));
    }
    SetText(f.General().cboSkipFolders, ".GIT; Node_Modules");  // there already
    f.cboSkipFoldersExit();
    SetText(f.General().cboSkipFolders, "");
    f.cboSkipFoldersExit();
    EXPECT_EQ(Items(f.General().cboSkipFolders), (std::vector<std::string>{typed.rbegin(), typed.rend()}));
    EXPECT_TRUE(Items(f.General().cboFilemask).empty());
    EXPECT_TRUE(Items(f.General().cboKeyWords).empty());
    Close(f);
  }
  EXPECT_NE(ReadUnicode().find("SkipList="), std::string::npos) << "Greek needs the UTF-16 file";
  for (int round = 0; round < 2; ++round) {
    TfrmMain f(None, false);
    EXPECT_EQ(Items(f.General().cboSkipFolders), (std::vector<std::string>{typed.rbegin(), typed.rend()}))
        << "round " << round;
    EXPECT_EQ(GetText(f.General().cboSkipFolders), "");
    Close(f);
  }
  // At most MaxListItems, the newest first.
  Write("MaxListItems=2\r\nSkipList=a,b\r\n");
  TfrmMain f(None, false);
  SetText(f.General().cboSkipFolders, "c");
  f.cboSkipFoldersExit();
  EXPECT_EQ(Items(f.General().cboSkipFolders), (std::vector<std::string>{"c", "a"}));
}

// Searching inside documents and archives is a preference: on by default,
// kept through a new search and from one run to the next.
TEST_F(SettingsFile, TheSwitchForDocumentsIsKept) {
  const auto checked = [](HWND h) { return SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED; };
  {
    TfrmMain f(None, false);
    EXPECT_TRUE(checked(f.General().chkInside));
    EXPECT_TRUE(f.General().Read().InsideDocuments);
    SendMessageW(f.General().chkInside, BM_SETCHECK, BST_UNCHECKED, 0);
    ASSERT_TRUE(f.Execute(TActionId::FileClearScreen));
    EXPECT_FALSE(checked(f.General().chkInside));
    Close(f);
  }
  EXPECT_NE(Read().find("SearchInside=0\r\n"), std::string::npos);
  TfrmMain g(None, false);
  EXPECT_FALSE(checked(g.General().chkInside));
  EXPECT_FALSE(g.General().Read().InsideDocuments);
}

TEST_F(SettingsFile, OddValuesAreCutOrIgnored) {
  Write("MainLeft=0x10\r\nMainTop=$40\r\nMainWidth=wide\r\nMainHeight=600\r\nMaxListItems=300\r\n"
        "ColumnSizes=120,x,80,81,82,83\r\n");
  {
    TfrmMain f(None, false);
    const RECT r = Rect(f);
    EXPECT_EQ(r.left, 16);
    EXPECT_EQ(r.top, 64);
    EXPECT_EQ(r.right - r.left, 596);  // not a number: the default
    EXPECT_EQ(r.bottom - r.top, 600);
    EXPECT_EQ(Settings.MaxListItems, 44);  // 300 in 8 bits
    EXPECT_EQ(ColumnWidth(f, 0), 120);
    EXPECT_EQ(ColumnWidth(f, 1), 50);
    EXPECT_EQ(ColumnWidth(f, 5), 83);
  }
  Write("ColumnSizes=120,130\r\nMainWindowState=2\r\nMainLeft=5\r\n");
  {
    TfrmMain f(None, false);
    EXPECT_EQ(ColumnWidth(f, 0), 100);  // two entries: no width changes
    EXPECT_EQ(f.InitialShowCommand(), SW_SHOWMAXIMIZED);
    EXPECT_EQ(Rect(f).left, TfrmMain::kDesignLeft);  // placement ignored: restores to the design
  }
  Write("MainWindowState=7\r\nMainLeft=-5000\r\nMainTop=70000\r\n");
  {
    TfrmMain f(None, false);
    EXPECT_EQ(Settings.MainTop, 4464);  // 70000 in 16 bits
    EXPECT_EQ(f.InitialShowCommand(), SW_SHOWNORMAL);  // an unknown state opens normal
    const RECT r = Rect(f);  // where no monitor shows it: the design position
    EXPECT_EQ(r.left, TfrmMain::kDesignLeft);
    EXPECT_EQ(r.top, TfrmMain::kDesignTop);
    EXPECT_EQ(r.right - r.left, TfrmMain::kDesignWidth);
  }
}

TEST_F(SettingsFile, HistoriesWithBlanksSurviveARoundTrip) {
  Write("MaskList=\"*.a b\",\"*.c d\"\r\nMaxListItems=3\r\nWordList=\"caf\xE9 au lait\",x\r\n");
  std::vector<std::string> words;
  {
    TfrmMain f(None, false);
    // Written before the extra pair of quotes: read as the comma text it is, not without its outer quotes.
    EXPECT_EQ(Items(f.General().cboFilemask), (std::vector<std::string>{"*.a b", "*.c d"}));
    EXPECT_EQ(Items(f.General().cboKeyWords), (std::vector<std::string>{"caf\xC3\xA9 au lait", "x"}));  // ANSI in the file
    SendMessageW(f.General().cboFilemask, CB_RESETCONTENT, 0, 0);
    for (const char* m : {"*.x y", "*.z w"}) SendMessageW(f.General().cboFilemask, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(m).c_str()));
    Close(f);
  }
  // The file's "*.a b" is kept after the window's own, to the list's length.
  EXPECT_NE(Read().find("MaskList=\"\"*.x y\",\"*.z w\",\"*.a b\"\"\r\n"), std::string::npos) << Read();
  EXPECT_NE(Read().find("caf\xE9 au lait"), std::string::npos);  // kept in ANSI
  {
    TfrmMain again(None, false);
    EXPECT_EQ(Items(again.General().cboFilemask), (std::vector<std::string>{"*.x y", "*.z w", "*.a b"}));
    EXPECT_EQ(Items(again.General().cboKeyWords), (std::vector<std::string>{"caf\xC3\xA9 au lait", "x"}));
    // A list whose text begins and ends with a single quote, which the profile reader also takes off.
    SendMessageW(again.General().cboFilemask, CB_RESETCONTENT, 0, 0);
    for (const wchar_t* m : {L"'*.q", L"*.r'"}) SendMessageW(again.General().cboFilemask, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m));
    Write("MaxListItems=3\r\n");  // nothing of the file's to merge in
    Close(again);
  }
  TfrmMain third(None, false);
  EXPECT_EQ(Items(third.General().cboFilemask), (std::vector<std::string>{"'*.q", "*.r'"}));
}

// A list typed in the file that begins and ends with a quoted entry keeps its
// quotes (the profile reader takes a pair off), in each encoding the file may have,
// and the window writes it back whole.
TEST_F(SettingsFile, HistoriesTypedInTheFileReadAsTheyStandInEveryEncoding) {
  const std::string greek = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC "
                            "\xCE\xBA\xCE\xB5\xCE\xAF\xCE\xBC\xCE\xB5\xCE\xBD\xCE\xBF";  // Ελληνικά κείμενο
  const std::string latin = "caf\xC3\xA9 au lait", size = "Gr\xC3\xB6\xC3\x9F" "e";  // café au lait, Größe
  const auto lines = [](const std::string& first) {
    return "[formMain]\r\nWordList=\"" + first + "\",keepme,\"x,y \"\"z\"\"\"\r\nMaskList=\"Gr\xC3\xB6\xC3\x9F" "e\"\r\n";
  };
  const std::wstring utf16 = L'\xFEFF' + Widen(lines(greek));
  const struct {
    const char* Encoding;
    std::string Bytes, First;
  } files[] = {
      {"ANSI", "[formMain]\r\nWordList=\"caf\xE9 au lait\",keepme,\"x,y \"\"z\"\"\"\r\nMaskList=\"Gr\xF6\xDF" "e\"\r\n", latin},
      {"UTF-8", "\xEF\xBB\xBF" + lines(greek), greek},
      {"UTF-16", std::string(reinterpret_cast<const char*>(utf16.data()), utf16.size() * sizeof(wchar_t)), greek},
  };
  for (const auto& file : files) {
    Dir.File("sorvik.ini", file.Bytes);
    const std::vector<std::string> words{file.First, "keepme", "x,y \"z\""};
    for (int round = 0; round < 2; ++round) {
      TfrmMain f(None, false);
      EXPECT_EQ(Items(f.General().cboKeyWords), words) << file.Encoding << ", round " << round;
      EXPECT_EQ(Items(f.General().cboFilemask), std::vector<std::string>{size}) << file.Encoding << ", round " << round;
      Close(f);
    }
  }
}

// What the program writes reads back whole, whichever encoding the file takes.
TEST_F(SettingsFile, EveryListWrittenReadsBackWhole) {
  using V = std::vector<std::string>;
  const V lists[] = {V{"a b", "c d"}, V{""}, V{"\"q\""}, V{"'x'"}, V{"'a", "b'"}, V{",a,"}, V{"\"", "x", "\""},
                     V{"", "a", ""}, V{"\"a\" b", "\"c\""}, V{"\xCE\xB1 \xCE\xB2", "keepme", "x,y \"z\""} /* α β */,
                     V{"a b", "c d"}, V{"\"q\""}, V{",a,"}};
  for (const V& list : lists) {
    Settings.WordList = WriteCommaText(list);
    Settings.MaskList = WriteCommaText(V{list.rbegin(), list.rend()});
    SaveSettings();
    Settings.WordList = Settings.MaskList = "lost";
    LoadSettings();
    EXPECT_EQ(ReadCommaText(Settings.WordList), list) << Read();
    EXPECT_EQ(ReadCommaText(Settings.MaskList), (V{list.rbegin(), list.rend()})) << Read();
  }
  EXPECT_FALSE(ReadUnicode().empty()) << "the last lists were read from a UTF-16 file";
}

TEST_F(SettingsFile, AHistoryOfAnyLengthComesBackWhole) {
  // Twenty phrases of 150 characters: a value of more than 3,000 characters.
  std::vector<std::string> words;
  for (int i = 0; i < 20; ++i) {
    std::string phrase = "phrase " + std::to_string(i);
    while (phrase.size() < 150) phrase.append(" word").append(std::to_string(phrase.size()));
    words.push_back(phrase.substr(0, 150));
  }
  {
    TfrmMain f(None, false);
    SetItems(f.General().cboKeyWords, words);
    Close(f);
  }
  for (int round = 0; round < 2; ++round) {
    TfrmMain f(None, false);
    EXPECT_GT(Settings.WordList.size(), 3000u);
    EXPECT_EQ(Items(f.General().cboKeyWords), words) << "round " << round;
    Close(f);
  }
}

TEST_F(SettingsFile, EntriesOutsideTheCodePageAreKeptAndTheFileIsAnsiUntilOneNeedsMore) {
  // Another program's section, ANSI, which the change of encoding must keep.
  Dir.File("sorvik.ini", "[other]\r\nName=caf\xE9\r\n[formMain]\r\nMaskList=*.txt\r\n");
  {
    TfrmMain f(None, false);
    SetItems(f.General().cboKeyWords, {"caf\xC3\xA9"});
    Close(f);
  }
  EXPECT_EQ(Read().compare(0, 7, "[other]"), 0) << "a value the code page holds keeps the file ANSI";
  EXPECT_NE(Read().find("WordList=caf\xE9\r\n"), std::string::npos) << Read();
  const std::vector<std::string> masks{"\xE4\xB8\xAD\xE6\x96\x87*", "*.txt"};  // 中文*
  const std::vector<std::string> words{"\xE4\xB8\xAD\xE6\x96\x87", "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1",
                                       "caf\xC3\xA9"};  // 中文, Ελλάδα, café
  {
    TfrmMain f(None, false);
    SetItems(f.General().cboFilemask, masks);
    SetItems(f.General().cboKeyWords, words);
    Close(f);
  }
  for (int round = 0; round < 2; ++round) {
    const std::string text = ReadUnicode();
    ASSERT_FALSE(text.empty()) << "not UTF-16 with a byte-order mark, round " << round;
    EXPECT_NE(text.find("[other]\r\nName=caf\xC3\xA9\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("MaskList=\xE4\xB8\xAD\xE6\x96\x87*,*.txt\r\n"), std::string::npos) << text;
    TfrmMain f(None, false);
    EXPECT_EQ(Items(f.General().cboFilemask), masks) << "round " << round;
    EXPECT_EQ(Items(f.General().cboKeyWords), words) << "round " << round;
    Close(f);
  }
}

// Sizes are stored with the DPI they were measured at and follow the window's.
TEST_F(SettingsFile, StoredSizesFollowTheWindowsDpi) {
  TfrmMain f(None, false);
  const auto moveTo = [&](UINT dpi) {
    RECT r = Rect(f);
    SendMessageW(f.Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
    ASSERT_EQ(f.Dpi(), dpi);
  };
  const auto expectPlaced = [&](int left, int top, int width, int height, const std::vector<int>& columns) {
    const RECT r = Rect(f);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ColumnWidth(f, i), columns[static_cast<std::size_t>(i)]) << "column " << i;
  };
  // Written at 96 (no DPI in the file), applied at 192: doubled; widths of 0 and 1 get the minimum.
  Write("MainLeft=100\r\nMainTop=50\r\nMainWidth=540\r\nMainHeight=350\r\nColumnSizes=100,150,1,0,75,60\r\n");
  moveTo(192);
  f.ApplySettings();
  expectPlaced(200, 100, 1080, 700, {200, 300, 40, 40, 150, 120});
  // Written at 192, applied at 96: halved; a width below the layout's minimum opens at the minimum.
  Write("MainLeft=300\r\nMainTop=200\r\nMainWidth=500\r\nMainHeight=900\r\nColumnSizes=200,300,150,150,150,150\r\n"
        "PixelsPerInch=192\r\n");
  moveTo(96);
  f.ApplySettings();
  MINMAXINFO least{};
  SendMessageW(f.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&least));
  EXPECT_GT(least.ptMinTrackSize.x, 250);
  expectPlaced(150, 100, least.ptMinTrackSize.x, 450, {100, 150, 75, 75, 75, 75});
  // Closed at 192, the file holds that DPI with the pixels measured at it, and reads back at 96 as they were.
  moveTo(192);
  SetWindowPos(f.Handle(), nullptr, 240, 160, 1100, 800, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(f.lvwResults, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(260, 0));
  Close(f);
  EXPECT_NE(Read().find("MainLeft=240\r\nMainTop=160\r\nMainWidth=1100\r\nMainHeight=800\r\n"), std::string::npos)
      << Read();
  EXPECT_NE(Read().find("PixelsPerInch=192\r\n"), std::string::npos) << Read();
  TfrmMain again(None, false);
  ASSERT_EQ(again.Dpi(), 96u);
  const RECT r = Rect(again);
  EXPECT_EQ(r.left, 120);
  EXPECT_EQ(r.right - r.left, 550);
  EXPECT_EQ(ColumnWidth(again, 0), 130);
}

// The hit pane's height, stored with the DPI it was measured at, and whether it shows.
TEST_F(SettingsFile, TheHitPaneKeepsItsHeightAndWhetherItShows) {
  const auto height = [](TfrmMain& f) {
    RECT r;
    GetWindowRect(f.HitPane().Handle(), &r);
    return r.bottom - r.top;
  };
  Write("HitPaneHeight=240\r\nHitPaneShown=0\r\nPixelsPerInch=192\r\n");
  {
    TfrmMain f(None, false);
    ASSERT_EQ(f.Dpi(), 96u);
    EXPECT_FALSE(f.HitPaneShown());
    EXPECT_FALSE(IsWindowVisible(f.HitPane().Handle()));
    f.SetHitPaneShown(true);
    EXPECT_EQ(height(f), 120);
    // Its splitter drawn up by 30 pixels: the pane grows by as much.
    SendMessageW(f.splHitSplitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 1));
    SendMessageW(f.splHitSplitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 1 - 30));
    SendMessageW(f.splHitSplitter, WM_LBUTTONUP, 0, MAKELPARAM(5, 1 - 30));
    EXPECT_EQ(height(f), 150);
    Close(f);
  }
  for (const char* key : {"HitPaneShown=1\r\n", "HitPaneHeight=150\r\n", "PixelsPerInch=96\r\n"})
    EXPECT_NE(Read().find(key), std::string::npos) << Read();
  {
    TfrmMain f(None, false);
    EXPECT_TRUE(f.HitPaneShown());
    EXPECT_EQ(height(f), 150);
    // A larger window keeps the pane's share of the height; a new scale keeps its height.
    SetWindowPos(f.Handle(), nullptr, 0, 0, 1200, 1000, SWP_NOZORDER | SWP_NOACTIVATE);  // room for it at 192
    const int grown = height(f);
    EXPECT_GT(grown, 150);
    MoveToDpi(f, 192);
    // Unless the list needs the room for its least rows.
    if (std::abs(height(f) - 2 * grown) > 1) {
      EXPECT_LT(height(f), 2 * grown);
      EXPECT_LE(SendMessageW(f.lvwResults, LVM_GETCOUNTPERPAGE, 0, 0), 5);
    }
    const int shown = height(f);
    f.SetHitPaneShown(false);
    Close(f);
    // What is stored is the height asked at this size, which the pane shows where the list leaves it room.
    const std::size_t at = Read().find("HitPaneHeight=");
    ASSERT_NE(at, std::string::npos);
    EXPECT_GE(std::stoi(Read().substr(at + 14)), shown);
  }
  for (const char* key : {"HitPaneShown=0\r\n", "PixelsPerInch=192\r\n"})
    EXPECT_NE(Read().find(key), std::string::npos) << Read();
  TfrmMain f(None, false);
  EXPECT_FALSE(f.HitPaneShown());
}

// A pane stored taller than the window holds leaves the list its rows.
TEST_F(SettingsFile, AStoredTallPaneLeavesTheListItsRows) {
  Write("HitPaneHeight=400\r\n");
  TfrmMain f(None, false);
  EXPECT_GE(SendMessageW(f.lvwResults, LVM_GETCOUNTPERPAGE, 0, 0), 4);
  RECT pane{};
  GetWindowRect(f.HitPane().Handle(), &pane);
  EXPECT_GT(pane.bottom - pane.top, 40);
}

// A window asked taller than the screen and fitted into it shares its height
// as the asked one would: the pane smaller, the list keeping the rows.
TEST_F(SettingsFile, AFittedWindowSharesItsHeightAsTheAskedOneWould) {
  Write("MainTop=0\r\nMainHeight=3000\r\nHitPaneHeight=300\r\n");
  TfrmMain f(None, false);
  RECT pane{}, list{};
  GetWindowRect(f.HitPane().Handle(), &pane);
  GetWindowRect(f.lvwResults, &list);
  EXPECT_LT(Rect(f).bottom - Rect(f).top, 3000);
  EXPECT_LT(pane.bottom - pane.top, 300 / 2);
  EXPECT_GT(list.bottom - list.top, pane.bottom - pane.top);
}

// Two windows open at once: the second doesn't stand on the first, and the
// one closed last keeps the lists the other stored, after its own.
TEST_F(SettingsFile, TwoWindowsKeepEachOthersHistoriesAndDontStack) {
  Write("MaskList=*.old\r\nWordList=old\r\nMaxListItems=4\r\n");
  TfrmMain a(None, true);
  {
    TfrmMain b(None, true);
    EXPECT_GT(Rect(b).left, Rect(a).left);
    EXPECT_GT(Rect(b).top, Rect(a).top);
    SetItems(b.General().cboKeyWords, {"beta_B", "old"});
    SetItems(b.General().cboFilemask, {"*.fromB", "*.old"});
    Close(b);
  }
  EXPECT_NE(Read().find("WordList=beta_B,old"), std::string::npos) << Read();
  SetItems(a.General().cboKeyWords, {"alpha_A", "OLD", "a2", "a3"});
  SetItems(a.General().cboFilemask, {"*.fromA"});
  const RECT placeA = Rect(a);
  Close(a);
  // A's first, then B's that A lacks, to the list's length; A's place, as asked, is stored.
  EXPECT_NE(Read().find("WordList=alpha_A,OLD,a2,a3\r\n"), std::string::npos) << Read();
  EXPECT_NE(Read().find("MaskList=*.fromA,*.fromB,*.old\r\n"), std::string::npos) << Read();
  EXPECT_NE(Read().find("MainLeft=" + std::to_string(placeA.left) + "\r\n"), std::string::npos) << Read();
}

// A place and size the program chose to fit the window into the screen at one
// scale are not the user's: back at a scale where the window fits, it opens
// where and as large as the user had it; what the user changes after the fit is kept.
TEST_F(SettingsFile, AWindowFittedIntoTheScreenKeepsTheUsersPlacement) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
  const RECT work = info.rcWork;
  const int width = (work.right - work.left) * 3 / 4, height = (work.bottom - work.top) * 3 / 4;
  const auto expectAt = [&](const TfrmMain& f, int left, int top, int cx, int cy, const char* when) {
    const RECT r = Rect(f);
    EXPECT_EQ(r.left, left) << when;
    EXPECT_EQ(r.top, top) << when;
    EXPECT_EQ(r.right - r.left, cx) << when;
    EXPECT_EQ(r.bottom - r.top, cy) << when;
  };
  {
    TfrmMain f(None, false);  // at 96: three quarters of the screen, a little way in
    SetWindowPos(f.Handle(), nullptr, work.left + 40, work.top + 30, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    Close(f);
  }
  {
    TfrmMain f(None, false);  // at 192 that is larger than the screen: fitted into it
    MoveToDpi(f, 192);
    f.ApplySettings();
    const RECT r = Rect(f);
    EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom);
    EXPECT_LT(r.right - r.left, 2 * width);
    Close(f);
  }
  {
    TfrmMain f(None, false);  // back at 96: as the user left it
    expectAt(f, work.left + 40, work.top + 30, width, height, "back at 96");
    MoveToDpi(f, 192);
    f.ApplySettings();
    const RECT fitted = Rect(f);
    // The user makes the fitted window smaller, where it stands.
    SetWindowPos(f.Handle(), nullptr, 0, 0, 1100, 800, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(Rect(f).left, fitted.left);
    Close(f);
  }
  TfrmMain f(None, false);
  expectAt(f, work.left + 40, work.top + 30, 550, 400, "sized by the user at 192");
}

std::wstring BoxText;
void CALLBACK CloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND box = FindWindowW(L"#32770", L"Sorvik");
  if (!box) return;
  KillTimer(nullptr, timer);
  wchar_t text[512] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 512);
  BoxText = text;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(SettingsFile, AnUnwritableFileIsSaidAndTheWindowStillCloses) {
  Write("MainLeft=300\r\n");
  SetFileAttributesW(Widen(Path).c_str(), FILE_ATTRIBUTE_READONLY);
  TfrmMain f(None, true);
  BoxText.clear();
  test::DrainQuit();
  SetTimer(nullptr, 0, 100, CloseBox);
  SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(f.Handle(), nullptr);
  EXPECT_EQ(Narrow(BoxText), "Unable to write to " + Path);
  SetFileAttributesW(Widen(Path).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(Read(), "[formMain]\r\nMainLeft=300\r\n");
  test::DrainQuit();
}

}  // namespace
}  // namespace sorvik
