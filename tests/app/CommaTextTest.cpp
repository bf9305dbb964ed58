// Comma text, the history lists' rule and the settings' integers.
#include <gtest/gtest.h>

#include <cctype>

#include "CommaText.h"

namespace sorvik {
namespace {

using V = std::vector<std::string>;

// The profile reader drops a pair of double or single quotes enclosing the whole value.
std::string AsProfileReads(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

TEST(CommaText, Reading) {
  EXPECT_EQ(ReadCommaText("*.txt,*.pas"), (V{"*.txt", "*.pas"}));
  EXPECT_EQ(ReadCommaText("*.txt, *.pas"), (V{"*.txt", "*.pas"}));  // a blank after the comma
  EXPECT_EQ(ReadCommaText("*.txt *.pas"), (V{"*.txt", "*.pas"}));   // a bare blank splits too
  EXPECT_EQ(ReadCommaText("  \"a b\",\"say \"\"hi\"\"\""), (V{"a b", "say \"hi\""}));
  EXPECT_EQ(ReadCommaText("a,"), (V{"a", ""}));   // a trailing comma: one empty entry
  EXPECT_EQ(ReadCommaText("a, "), (V{"a"}));
  EXPECT_EQ(ReadCommaText("a,,b"), (V{"a", "", "b"}));
  EXPECT_EQ(ReadCommaText("\"\""), (V{""}));
  EXPECT_EQ(ReadCommaText(""), V{});
  EXPECT_EQ(ReadCommaText("\"open"), (V{"open"}));  // no closing quote: to the end
  // A NUL ends the text (it once made the reader add empty entries for ever).
  EXPECT_EQ(ReadCommaText(std::string("a,b\0,c", 6)), (V{"a", "b"}));
  EXPECT_EQ(ReadCommaText(std::string("x,\"y\0z\"", 7)), (V{"x", "y"}));
}

TEST(CommaText, WritingAndTheRoundTripThroughTheProfileReader) {
  EXPECT_EQ(WriteCommaText({"*.txt", "*.pas"}), "*.txt,*.pas");
  EXPECT_EQ(WriteCommaText({"a b", "c"}), "\"a b\",c");
  EXPECT_EQ(WriteCommaText({"x,y", "q\"q", "z"}), "\"x,y\",\"q\"\"q\",z");
  EXPECT_EQ(WriteCommaText({}), "");
  // Both ends quoted: one more pair, which the profile reader takes off again.
  EXPECT_EQ(WriteCommaText({"a b", "c d"}), "\"\"a b\",\"c d\"\"");
  for (const V& list : {V{"a b", "c d"}, V{"only one"}, V{""}, V{"x", ""}, V{"\"q\""}, V{"a", "b c", "\"d\""},
                        V{"tab\there", "*.*"}, V{"'x'"}, V{"'a", "b'"}, V{"'", "'"}, V{"", "a", ""}, V{",a,"},
                        V{"\""}, V{"", ""}, V{"\"", "x", "\""}}) {
    // Read by the profile reader (older builds, other programs) and as the file holds it (this one).
    EXPECT_EQ(ReadCommaText(AsProfileReads(WriteCommaText(list))), list) << WriteCommaText(list);
    EXPECT_EQ(ReadCommaText(CommaTextFromProfile(WriteCommaText(list))), list) << WriteCommaText(list);
  }
}

TEST(CommaText, AValueTypedInTheFileReadsAsTheCommaTextItIs) {
  // Values as the file holds them: typed by hand or written before the extra pair of quotes
  // (these lost a pair to the profile reader), and the extra pair as this program writes it.
  const std::pair<std::string, V> values[] = {
      {"\"\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC \xCE\xBA\xCE\xB5\xCE\xAF\xCE\xBC\xCE\xB5\xCE\xBD\xCE\xBF\","
       "keepme,\"x,y \"\"z\"\"\"",
       V{"\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC \xCE\xBA\xCE\xB5\xCE\xAF\xCE\xBC\xCE\xB5\xCE\xBD\xCE\xBF",
         "keepme", "x,y \"z\""}},
      {"\"Gr\xC3\xB6\xC3\x9F" "e\"", V{"Gr\xC3\xB6\xC3\x9F" "e"}},
      {"\"a b\",\"c d\"", V{"a b", "c d"}},
      {"\"\"", V{""}},
      {"'x y'", V{"'x", "y'"}},
      {"\"x,y\",q", V{"x,y", "q"}},
      {"*.txt,*.pas", V{"*.txt", "*.pas"}},
      {"\"", V{""}},
      {"", V{}},
      // Written with the extra pair.
      {"\"\"a b\",\"c d\"\"", V{"a b", "c d"}},
      {"\"\"\"\"", V{""}},
      {"\"'x'\"", V{"'x'"}},
      {"\"\"\"\"\"\"", V{"\""}},
      // The one kind of value both could have written (its inside read alone writes it so) is taken as written here.
      {"\"\",a,\"\"", V{",a,"}},
  };
  for (const auto& [raw, list] : values) EXPECT_EQ(ReadCommaText(CommaTextFromProfile(raw)), list) << raw;
}

TEST(HistoryList, NewTextsOnTopAndTheLimit) {
  V list{"c", "b", "a"};
  UpdateHistoryList("d", list, 3, true, SameIgnoringCase);
  EXPECT_EQ(list, (V{"d", "c", "b"}));
  UpdateHistoryList("B", list, 3, true, SameIgnoringCase);  // listed in another case: moved, kept as listed
  EXPECT_EQ(list, (V{"b", "d", "c"}));
  UpdateHistoryList("c", list, 3, false, SameIgnoringCase);
  EXPECT_EQ(list, (V{"b", "d", "c"}));
  UpdateHistoryList("e", list, 2, false, SameIgnoringCase);  // at the bottom, trimmed from the top
  EXPECT_EQ(list, (V{"c", "e"}));
  V many{"1", "2", "3", "4"};
  UpdateHistoryList("2", many, 3, true, SameIgnoringCase);  // a listed text never trims
  EXPECT_EQ(many, (V{"2", "1", "3", "4"}));
  UpdateHistoryList("new", many, 0, true, SameIgnoringCase);  // limit 0 empties the list
  EXPECT_EQ(many, V{});
}

TEST(HistoryList, TwoWindowsClosingKeepBothWindowsEntries) {
  // B saved its words; A, closed later, puts its own first and keeps B's it lacks.
  EXPECT_EQ(MergeHistoryLists({"alpha", "shared"}, {"beta_B", "SHARED", "gamma"}, 20, SameIgnoringCase),
            (V{"alpha", "shared", "beta_B", "gamma"}));
  EXPECT_EQ(MergeHistoryLists({"a", "b"}, {"c", "d"}, 3, SameIgnoringCase), (V{"a", "b", "c"}));
  EXPECT_EQ(MergeHistoryLists({"a", "b", "c"}, {"d"}, 2, SameIgnoringCase), (V{"a", "b"}));
  EXPECT_EQ(MergeHistoryLists({}, {"x", "X", "y"}, 5, SameIgnoringCase), (V{"x", "y"}));
  EXPECT_EQ(MergeHistoryLists({"a"}, {"b"}, 0, SameIgnoringCase), V{});
}

TEST(ProfileIntegers, DecimalHexadecimalAndFallbacks) {
  EXPECT_EQ(ReadProfileInteger("70000", 1), 70000);
  EXPECT_EQ(static_cast<std::int16_t>(ReadProfileInteger("70000", 1)), 4464);
  EXPECT_EQ(static_cast<std::uint8_t>(ReadProfileInteger("300", 1)), 44);
  EXPECT_EQ(ReadProfileInteger("0x10", 1), 16);
  EXPECT_EQ(ReadProfileInteger("$ff", 1), 255);
  EXPECT_EQ(ReadProfileInteger("0xFFFFFFFF", 1), -1);
  EXPECT_EQ(ReadProfileInteger("-12", 1), -12);
  EXPECT_EQ(ReadProfileInteger("  7", 1), 7);
  EXPECT_EQ(ReadProfileInteger("0x", 9), 9);
  EXPECT_EQ(ReadProfileInteger("12px", 9), 9);
  EXPECT_EQ(ReadProfileInteger("", 9), 9);
  EXPECT_EQ(ReadProfileInteger("2147483648", 9), 9);
  EXPECT_EQ(ReadProfileInteger("-2147483648", 9), INT32_MIN);
  EXPECT_FALSE(ReadColumnWidths("100,150").has_value());
  EXPECT_EQ(ReadColumnWidths("100,x,75,75,75,75"), (std::array<int, 6>{100, 50, 75, 75, 75, 75}));
}

}  // namespace
}  // namespace sorvik
