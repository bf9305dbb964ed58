// Text services of the platform and the user's locale: the ANSI code page,
// single-byte upper-casing, word ordering, and the date and number formats.
// On Windows these are the system's; elsewhere Windows-1252 and the en-US
// defaults stand in (short date "M/d/yyyy", long time "h:mm:ss tt", decimal ".").
#pragma once

#include <cstdint>
#include <string>

#include "DosTime.h"

namespace sorvik {

// UTF-8 text in the ANSI code page; characters it can't hold become '?'.
std::string Utf8ToAnsi(const std::string& text);

// UTF-8 text in the ANSI code page, only when the code page holds every
// character of it exactly (no '?', no look-alike): false otherwise.
bool Utf8ToAnsiExact(const std::string& text, std::string& out);

// The character a single byte stands for in the ANSI code page (a byte the
// code page leaves unassigned, or a lead byte alone, stands for the code point
// of the same value).
char32_t AnsiByteChar(std::uint8_t b);

// The character a lead byte and its trail byte stand for in a double-byte ANSI
// code page; U+FFFD when the pair is not a character.
char32_t AnsiPairChar(std::uint8_t lead, std::uint8_t trail);

// Byte b upper-cased on its own by the code page's single-byte rules.
std::uint8_t UpperAnsiByte(std::uint8_t b);

// Whether byte b starts a two-byte character in the ANSI code page (only ever
// in the double-byte code pages: 932, 936, 949, 950).
bool IsAnsiLeadByte(std::uint8_t b);

// Compares two ANSI texts in the user's locale ignoring case: <0, 0, >0.
int CompareAnsiIgnoreCase(const std::string& a, const std::string& b);

// Date text: the short date, a blank and the long time; the time is left out at midnight.
std::string DateTimeToStr(const TStamp& s);

// The user's decimal separator.
std::string DecimalSeparator();

// The current local date and time as a date-time (days since 30 December 1899).
double NowDateTime();

}  // namespace sorvik
