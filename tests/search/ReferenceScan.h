// A plain reference scan for the word finder: splits the words text by the
// splitting rules and tests every position byte by byte. Shared by the
// differential test and the finder's fuzz target.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "Locale.h"
#include "uFinder.h"

namespace sorvik::test {

inline bool RefSeparator(unsigned char c) {
  static const std::string seps = std::string("\t\n\r !\"#$%'()*+,./:;<=>?@\\|");
  return seps.find(static_cast<char>(c)) != std::string::npos;
}

// Words of the any and all modes, by the splitting rules.
inline std::vector<std::string> RefSplit(const std::string& t) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (true) {
    while (i < t.size() && static_cast<unsigned char>(t[i]) <= 32) ++i;
    if (i == t.size()) return out;
    std::string w;
    if (t[i] == '"') {
      for (++i; i < t.size(); ++i) {
        if (t[i] != '"') {
          w += t[i];
        } else if (i + 1 < t.size() && t[i + 1] == '"') {
          w += '"';
          ++i;
        } else {
          ++i;
          break;
        }
      }
    } else {
      while (i < t.size() && static_cast<unsigned char>(t[i]) > 32) w += t[i++];
    }
    out.push_back(w);
  }
}

// 1-based starts of every accepted occurrence of w.
inline std::vector<std::int64_t> RefAll(const std::string& text, const std::string& w, bool ignoreCase, bool whole) {
  const auto fold = [&](unsigned char c) { return ignoreCase ? UpperCaseTable()[c] : c; };
  std::vector<std::int64_t> out;
  if (w.empty() || w.size() > text.size()) return out;
  for (std::size_t s = 0; s + w.size() <= text.size(); ++s) {
    bool eq = true;
    for (std::size_t k = 0; k < w.size() && eq; ++k) eq = fold(static_cast<unsigned char>(text[s + k])) ==
                                                           static_cast<unsigned char>(w[k]);
    if (!eq) continue;
    const std::size_t e = s + w.size();
    if (whole && !((s == 0 || RefSeparator(static_cast<unsigned char>(text[s - 1]))) &&
                   (e == text.size() || RefSeparator(static_cast<unsigned char>(text[e])))))
      continue;
    out.push_back(static_cast<std::int64_t>(s) + 1);
  }
  return out;
}

inline std::int64_t RefFirst(const std::string& text, const std::string& w, bool ignoreCase, bool whole) {
  const auto all = RefAll(text, w, ignoreCase, whole);
  return all.empty() ? 0 : all.front();
}

// The words in the order the finder searches them (as RefFind orders them).
inline std::vector<std::string> RefWordList(std::string words, int mode, bool ignoreCase) {
  if (ignoreCase)
    for (char& c : words) c = static_cast<char>(UpperCaseTable()[static_cast<unsigned char>(c)]);
  std::vector<std::string> list = mode == 2 ? std::vector<std::string>{words} : RefSplit(words);
  std::stable_sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() > b.size() : CompareAnsiIgnoreCase(a, b) < 0;
  });
  return list;
}

// What Find gives: the first position of the first word found (any, exact),
// or of the last word when every word is found (all); 0 when none is.
inline std::int64_t RefFind(const std::string& text, const std::string& words, int mode, bool ignoreCase,
                            bool whole) {
  std::int64_t result = 0;
  for (const std::string& w : RefWordList(words, mode, ignoreCase)) {
    if (w.empty()) continue;
    result = RefFirst(text, w, ignoreCase, whole);
    if (mode == 1) {
      if (result == 0) return 0;
    } else if (result > 0) {
      return result;
    }
  }
  return result;
}

}  // namespace sorvik::test
