// Characters of the words: decoding the words text, the three Unicode encodings
// the finder looks for, and the simple upper-case mapping it folds them by.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {

// The characters of a words text in UTF-8. A byte that starts no valid UTF-8
// sequence stands for its character in the ANSI code page, so a text in the
// code page's own bytes means what it always meant.
std::u32string DecodeWordText(const std::string& text);

void AppendUtf8(std::string& out, char32_t c);
std::string EncodeUtf8(const std::u32string& chars);
// UTF-16 bytes, little or big end first; characters above U+FFFF as surrogate pairs.
void AppendUtf16(std::string& out, char32_t c, bool bigEndian);

// The simple upper-case form of c from the Unicode character database (c
// itself when it has none, or when its upper-case form takes a different number
// of UTF-8 bytes, as dotless i and long s do: such letters match only themselves).
char32_t SimpleUpper(char32_t c);

// Every character whose simple upper-case form is `upper` (an upper-case form
// as SimpleUpper gives it), `upper` itself first. At most three.
std::vector<char32_t> CaseForms(char32_t upper);

}  // namespace sorvik
