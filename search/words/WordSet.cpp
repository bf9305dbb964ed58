#include "WordSet.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "Ascii.h"
#include "Locale.h"
#include "UnicodeText.h"

namespace sorvik {

namespace {

// a..z to A..Z: the Unicode fold of ASCII characters, byte by byte.
const std::uint8_t* AsciiFoldTable() {
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = AsciiUpper(static_cast<unsigned char>(b));
    return t;
  }();
  return table.data();
}

std::string Folded(std::string bytes, const std::uint8_t* fold) {
  for (char& c : bytes) c = static_cast<char>(fold[static_cast<std::uint8_t>(c)]);
  return bytes;
}

TWordForm ByteForm(std::uint8_t encodings, std::string bytes, const std::uint8_t* fold) {
  TWordForm form;
  form.Encodings = encodings;
  form.Length = bytes.size();
  form.Pattern = fold ? Folded(std::move(bytes), fold) : std::move(bytes);
  form.Fold = fold;
  return form;
}

// The ANSI form in a double-byte code page: bytes that end inside a character
// have none. A two-byte character matches only itself; ignoring case, a
// one-byte character matches the one-byte characters of its upper-case form (a
// lead or trail byte never does: the code page's upper-casing of a lone lead
// byte may be anything, "?" in some).
std::optional<TWordForm> CharsForm(const std::string& ansi, bool ignoreCase, std::shared_ptr<const TLeadBytes> lead) {
  const TLeadBytes& isLead = *lead;
  const auto& upper = UpperCaseTable();
  auto fold = [&](std::uint8_t b) { return isLead[b] || isLead[upper[b]] ? b : upper[b]; };
  TWordForm form;
  form.Encodings = kEncAnsi;
  form.Length = ansi.size();
  form.Lead = std::move(lead);
  bool oneEach = true;
  for (std::size_t k = 0; k < ansi.size();) {
    const auto b = static_cast<std::uint8_t>(ansi[k]);
    TWordForm::TChar ch;
    ch.Offset = k;
    if (isLead[b]) {
      if (k + 1 == ansi.size()) return std::nullopt;
      ch.Length = 2;
      ch.Forms.push_back(ansi.substr(k, 2));
    } else {
      ch.Length = 1;
      for (int c = 0; c < 256; ++c)
        if (c == b || (ignoreCase && !isLead[c] && fold(static_cast<std::uint8_t>(c)) == fold(b)))
          ch.Forms.emplace_back(1, static_cast<char>(c));
      oneEach = oneEach && ch.Forms.size() == 1;
    }
    k += ch.Length;
    form.Chars.push_back(std::move(ch));
  }
  // Characters that match only themselves: compared as bytes.
  if (oneEach) {
    form.Chars.clear();
    form.Pattern = ansi;
  }
  return form;
}

// A word in one Unicode encoding, each character standing for all its case forms.
TWordForm CharForm(std::uint8_t encoding, const std::u32string& chars) {
  TWordForm form;
  form.Encodings = encoding;
  for (char32_t c : chars) {
    TWordForm::TChar ch;
    ch.Offset = form.Length;
    for (char32_t f : CaseForms(SimpleUpper(c))) {
      std::string bytes;
      if (encoding == kEncUtf8)
        AppendUtf8(bytes, f);
      else
        AppendUtf16(bytes, f, encoding == kEncUtf16Be);
      ch.Forms.push_back(std::move(bytes));
    }
    ch.Length = ch.Forms[0].size();  // case forms take the same room (see SimpleUpper)
    form.Length += ch.Length;
    form.Chars.push_back(std::move(ch));
  }
  return form;
}

std::string Utf16(const std::u32string& chars, bool bigEndian) {
  std::string out;
  for (char32_t c : chars) AppendUtf16(out, c, bigEndian);
  return out;
}

// Whether two forms accept exactly the same bytes.
bool SameBytes(const TWordForm& a, const TWordForm& b) {
  if (a.Length != b.Length) return false;
  for (std::size_t k = 0; k < a.Length; ++k)
    if (a.BytesAt(k) != b.BytesAt(k)) return false;
  return true;
}

// The encodings of one word: the ANSI bytes where the code page holds every
// character, UTF-8, UTF-16 LE and BE. Ignoring case, the ANSI bytes go through
// the upper-case table (in a double-byte code page, those of one-byte
// characters); the Unicode encodings compare characters by their upper-case
// forms (byte by byte where the word is ASCII).
std::vector<TWordForm> FormsOf(const std::u32string& chars, bool ignoreCase,
                               const std::shared_ptr<const TLeadBytes>& lead) {
  std::vector<TWordForm> forms;
  if (chars.empty()) return forms;
  const std::string utf8 = EncodeUtf8(chars);
  std::string ansi;
  if (Utf8ToAnsiExact(utf8, ansi) && !ansi.empty()) {
    if (!lead)
      forms.push_back(ByteForm(kEncAnsi, ansi, ignoreCase ? UpperCaseTable().data() : nullptr));
    else if (std::optional<TWordForm> form = CharsForm(ansi, ignoreCase, lead))
      forms.push_back(std::move(*form));
  }
  const bool ascii = std::all_of(chars.begin(), chars.end(), [](char32_t c) { return c < 0x80; });
  if (!ignoreCase || ascii) {
    const std::uint8_t* fold = ignoreCase ? AsciiFoldTable() : nullptr;
    forms.push_back(ByteForm(kEncUtf8, utf8, fold));
    forms.push_back(ByteForm(kEncUtf16Le, Utf16(chars, false), fold));
    forms.push_back(ByteForm(kEncUtf16Be, Utf16(chars, true), fold));
  } else {
    for (std::uint8_t e : {kEncUtf8, kEncUtf16Le, kEncUtf16Be}) forms.push_back(CharForm(e, chars));
  }
  // An ASCII word's ANSI and UTF-8 bytes are one form, scanned once.
  if (forms.size() == 4 && SameBytes(forms[0], forms[1])) {
    forms[0].Encodings |= kEncUtf8;
    forms.erase(forms.begin() + 1);
  }
  return forms;
}

// The one encoding of a word in extracted text (a document's): UTF-8 alone,
// with UTF-8's whole-word rules, folded as the Unicode encodings are.
std::vector<TWordForm> TextFormsOf(const std::u32string& chars, bool ignoreCase) {
  std::vector<TWordForm> forms;
  if (chars.empty()) return forms;
  const bool ascii = std::all_of(chars.begin(), chars.end(), [](char32_t c) { return c < 0x80; });
  if (!ignoreCase || ascii)
    forms.push_back(ByteForm(kEncUtf8, EncodeUtf8(chars), ignoreCase ? AsciiFoldTable() : nullptr));
  else
    forms.push_back(CharForm(kEncUtf8, chars));
  return forms;
}

}  // namespace

// The text is UTF-8, where no byte of a character beyond ASCII is a blank or a
// double quote, so the split goes byte by byte (a code page's lead byte test
// would take the byte after a character for its trail byte).
std::vector<std::string> SplitWords(const std::string& text) {
  std::vector<std::string> words;
  const std::size_t n = text.size();
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  std::size_t i = 0;
  for (;;) {
    // Byte 0 is skipped too: as a word's first byte it would give an empty run
    // that never advances.
    while (i < n && byte(i) <= 32) ++i;
    if (i >= n) break;
    std::string word;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            word += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        word += text[i++];
      }
    } else {
      while (i < n && byte(i) > 32) word += text[i++];
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::size_t TypedLength(const std::string& word) {
  const std::u32string chars = DecodeWordText(word);
  std::string ansi;
  if (Utf8ToAnsiExact(EncodeUtf8(chars), ansi)) return ansi.size();
  std::size_t units = 0;
  for (char32_t c : chars) units += c >= 0x10000 ? 2 : 1;
  return units;
}

const std::array<std::uint8_t, 256>& UpperCaseTable() {
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = UpperAnsiByte(static_cast<std::uint8_t>(b));
    return t;
  }();
  return table;
}

const TLeadBytes& AnsiLeadBytes() {
  static const TLeadBytes table = [] {
    TLeadBytes t{};
    for (int b = 0; b < 256; ++b) t[b] = IsAnsiLeadByte(static_cast<std::uint8_t>(b));
    return t;
  }();
  return table;
}

TWordSet::TWordSet(TWordQuery query, bool widest, const TLeadBytes& leadBytes) : Query_(std::move(query)) {
  const std::string& text = Query_.Text;
  const bool ignoreCase = Query_.IgnoreCase;
  // Decided once: single-byte code pages keep the plain byte forms.
  std::shared_ptr<const TLeadBytes> lead;
  if (std::find(leadBytes.begin(), leadBytes.end(), true) != leadBytes.end())
    lead = std::make_shared<const TLeadBytes>(leadBytes);
  std::vector<std::string> typed = Query_.Mode == TMatchMode::Exact ? std::vector<std::string>{text} : SplitWords(text);
  struct TWord {
    std::u32string Chars;
    std::string Utf8;  // upper-cased while ignoring case
    std::size_t Length = 0;
    std::string Ansi;  // for the order
  };
  std::vector<TWord> words;
  for (const std::string& w : typed) {
    TWord word{DecodeWordText(w), {}, TypedLength(w), {}};
    if (word.Length > kMaxWordLength) throw EPatternTooLarge(kPatternTooLargeMessage);
    std::u32string shown = word.Chars;
    if (ignoreCase)
      for (char32_t& c : shown) c = SimpleUpper(c);
    word.Utf8 = EncodeUtf8(shown);
    word.Ansi = Utf8ToAnsi(word.Utf8);
    words.push_back(std::move(word));
  }
  // Longest first; equal lengths in the locale's order ignoring case; empty words last.
  std::stable_sort(words.begin(), words.end(), [](const TWord& a, const TWord& b) {
    if (a.Length != b.Length) return a.Length > b.Length;
    const int c = CompareAnsiIgnoreCase(a.Ansi, b.Ansi);
    return c != 0 ? c < 0 : a.Utf8 < b.Utf8;
  });
  for (TWord& w : words) {
    // The least of the shortest forms that can occur at all (a word with no form has 0).
    const auto least = [](std::size_t& shortest, std::size_t m) {
      if (m > 0) shortest = shortest == 0 ? m : std::min(shortest, m);
    };
    Scans_.emplace_back().Prepare(FormsOf(w.Chars, ignoreCase, lead), widest);
    Longest_ = std::max(Longest_, Scans_.back().LongestForm());
    least(Shortest_, Scans_.back().ShortestForm());
    TextScans_.emplace_back().Prepare(TextFormsOf(w.Chars, ignoreCase), widest);
    LongestText_ = std::max(LongestText_, TextScans_.back().LongestForm());
    least(ShortestText_, TextScans_.back().ShortestForm());
    Words_.push_back(std::move(w.Utf8));
  }
}

}  // namespace sorvik
