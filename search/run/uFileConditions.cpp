#include "uFileConditions.h"

#include <cmath>
#include <limits>

#include "Ascii.h"
#include "DateMath.h"
#include "NumberText.h"

namespace sorvik {

namespace {

template <typename T>
bool Compare(std::uint8_t op, T file, T reference) {
  switch (op) {
    case opEquals: return file == reference;
    case opNotEquals: return file != reference;
    case opGreater: return file > reference;
    case opSmaller: return file < reference;
    default: return false;  // an operator typed by hand that is in no list
  }
}

// The day of a stamp (midnight), as a date-time.
double Day(const TStamp& s) { return DateTimeOfDay(s.Year, s.Month, s.Day); }

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

void TKtIntegermatcher::LoadFileValue(const TDirEntry& entry) {
  if (KindCode == kindSize) FileValue = entry.Size / 1024;
}

bool TKtIntegermatcher::Evaluate() const { return Compare(OperatorCode, FileValue, ReferenceValue); }

void TKtDateTimeMatcher::LoadFileValue(const TDirEntry& entry) {
  switch (KindCode) {
    case kindModified: FileValue = Day(entry.LocalWrite); break;
    // Creation and last access: the UTC day, not converted to local time.
    case kindCreated: FileValue = Day(StampFromFileTime(entry.FindData.CreationTime)); break;
    case kindAccessed: FileValue = Day(StampFromFileTime(entry.FindData.LastAccessTime)); break;
    default: break;
  }
}

bool TKtDateTimeMatcher::Evaluate() const { return Compare(OperatorCode, FileValue, ReferenceValue); }

TKtFileConditions::TKtFileConditions(const TKtFileConditions& other)
    : CombineMode(other.CombineMode), Problem(other.Problem) {
  Items_.reserve(other.Items_.size());
  for (const auto& m : other.Items_) Items_.push_back(m->Clone());
}

TKtFileConditions& TKtFileConditions::operator=(const TKtFileConditions& other) {
  if (this != &other) *this = TKtFileConditions(other);
  return *this;
}

int TKtFileConditions::Add(std::unique_ptr<TKtMatcher> matcher) {
  if (!matcher) return -1;
  Items_.push_back(std::move(matcher));
  return Count() - 1;
}

void TKtFileConditions::Clear() {
  while (!Items_.empty()) Items_.pop_back();
  Problem.clear();
}

int TKtFileConditions::LoadFileValues(const TDirEntry& entry) {
  for (auto& m : Items_) m->LoadFileValue(entry);
  return Count();
}

bool TKtFileConditions::Matches() const {
  switch (CombineMode) {
    case TCombineMode::Any: return MatchAny();
    case TCombineMode::All: return MatchAll();
    default: return true;
  }
}

bool TKtFileConditions::MatchAny() const {
  bool result = false;
  for (const auto& m : Items_) result = m->Evaluate() || result;  // every matcher is tested
  return result;
}

bool TKtFileConditions::MatchAll() const {
  for (const auto& m : Items_)
    if (!m->Evaluate()) return false;
  return true;
}

const std::vector<std::string>& ConditionKindTexts() {
  static const std::vector<std::string> texts = {"Creation date", "Last access date", "Modification date",
                                                 "Size (KB)"};
  return texts;
}

const std::vector<std::string>& ConditionOperatorTexts() {
  static const std::vector<std::string> texts = {"equals", "not equals", "is greater than", "is smaller than"};
  return texts;
}

int ListPosition(const std::vector<std::string>& list, const std::string& text) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string& item = list[i];
    if (item.size() != text.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < item.size() && same; ++k) same = AsciiLower(item[k]) == AsciiLower(text[k]);
    if (same) return static_cast<int>(i);
  }
  return -1;
}

bool IsConditionRowComplete(const std::string& kind, const std::string& op, const std::string& value) {
  auto filled = [](const std::string& s) {
    for (char c : s)
      if (!IsBlank(c)) return true;
    return false;
  };
  return filled(kind) && filled(op) && filled(value);
}

bool CanHoldConditionValue(const std::string& kind, const std::string& value) {
  if (ListPosition(ConditionKindTexts(), kind) != 3) return true;
  // A number as ReadInteger takes it: blanks, a sign, digits.
  std::size_t i = value.find_first_not_of(' ');
  if (i != std::string::npos && (value[i] == '-' || value[i] == '+')) ++i;
  if (i >= value.size() || value.find_first_not_of("0123456789", i) != std::string::npos) return true;
  const std::optional<std::int64_t> kb = ReadInteger(value);
  return kb && *kb >= -kMaxSizeKB && *kb <= kMaxSizeKB;
}

std::unique_ptr<TKtMatcher> MakeConditionMatcher(const std::string& kind, const std::string& op,
                                                 const std::string& value, const TDateReader& readDate,
                                                 double now) {
  if (!IsConditionRowComplete(kind, op, value) || !CanHoldConditionValue(kind, value)) return nullptr;
  const int k = ListPosition(ConditionKindTexts(), kind);
  std::unique_ptr<TKtMatcher> matcher;
  if (k >= 0 && k <= 2) {
    auto m = std::make_unique<TKtDateTimeMatcher>();
    const std::optional<double> date = readDate ? readDate(value) : std::nullopt;
    m->ReferenceValue = date ? *date : now;
    m->KindCode = k == 0 ? kindCreated : k == 1 ? kindAccessed : kindModified;
    matcher = std::move(m);
  } else if (k == 3) {
    auto m = std::make_unique<TKtIntegermatcher>();
    m->ReferenceValue = ReadInteger(value).value_or(0);
    m->KindCode = kindSize;
    matcher = std::move(m);
  } else {
    return nullptr;
  }
  matcher->OperatorCode = static_cast<std::uint8_t>(ListPosition(ConditionOperatorTexts(), op));
  return matcher;
}

std::optional<std::int64_t> ReadInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  // The largest number taken is 9223372036854775799: the few above it, up to
  // the int64 limit, are refused as well.
  constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() / 10 * 10 - 1);
  const auto value = ReadDecimal(std::string_view(text).substr(i), kLargest);
  if (!value) return std::nullopt;
  const auto v = static_cast<std::int64_t>(*value);
  return negative ? -v : v;
}

std::optional<double> ReadIsoDate(const std::string& text) {
  int y = 0, m = 0, d = 0;
  std::size_t i = 0;
  auto number = [&](std::size_t digits, int& out) {
    const auto run = ReadDecimalRun(std::string_view(text).substr(i), kNoDigitLimit, digits);
    if (!run || run->Length != digits) return false;
    out = static_cast<int>(run->Value);
    i += digits;
    return true;
  };
  auto dash = [&] { return i < text.size() && text[i++] == '-'; };
  if (!number(4, y) || !dash() || !number(2, m) || !dash() || !number(2, d) || i != text.size())
    return std::nullopt;
  if (!IsCalendarDay(y, m, d)) return std::nullopt;
  return Day({y, m, d, 0, 0, 0});
}

}  // namespace sorvik
