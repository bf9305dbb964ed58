// File conditions: size and date tests on a directory entry, combined by OR or AND.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FileSystem.h"

namespace sorvik {

// Operator codes: positions in the operator list.
enum : std::uint8_t { opEquals = 0, opNotEquals = 1, opGreater = 2, opSmaller = 3 };
// Kind codes.
enum : std::uint8_t { kindSize = 1, kindModified = 2, kindCreated = 3, kindAccessed = 4 };

class TKtMatcher {
 public:
  virtual ~TKtMatcher() = default;
  std::uint8_t OperatorCode = 0;
  std::uint8_t KindCode = 0;

  // Sets the file value from the entry; a kind code foreign to the class leaves it.
  virtual void LoadFileValue(const TDirEntry& entry) = 0;
  // The operator's test on the file value and the reference value. An operator
  // code outside 0..3 never holds.
  virtual bool Evaluate() const = 0;
  virtual std::unique_ptr<TKtMatcher> Clone() const = 0;
};

class TKtIntegermatcher : public TKtMatcher {
 public:
  std::int64_t FileValue = 0;       // kilobytes, from the full 64-bit size
  std::int64_t ReferenceValue = 0;  // kilobytes
  void LoadFileValue(const TDirEntry& entry) override;
  bool Evaluate() const override;
  std::unique_ptr<TKtMatcher> Clone() const override { return std::make_unique<TKtIntegermatcher>(*this); }
};

class TKtDateTimeMatcher : public TKtMatcher {
 public:
  double FileValue = 0;       // a whole day
  double ReferenceValue = 0;  // a moment
  void LoadFileValue(const TDirEntry& entry) override;
  bool Evaluate() const override;
  std::unique_ptr<TKtMatcher> Clone() const override { return std::make_unique<TKtDateTimeMatcher>(*this); }
};

// How the conditions combine: a file passes any of them (OR) or all of them (AND).
// A code outside these lets every file pass.
enum class TCombineMode : std::uint8_t { Any = 0, All = 1 };

// A copy holds copies of the matchers: a search works on its own.
class TKtFileConditions {
 public:
  TCombineMode CombineMode = TCombineMode::Any;
  // Why no search can run with these conditions (a row whose value they can't
  // hold), in a short text for the status bar; empty when one can.
  std::string Problem;

  TKtFileConditions() = default;
  TKtFileConditions(const TKtFileConditions& other);
  TKtFileConditions& operator=(const TKtFileConditions& other);
  TKtFileConditions(TKtFileConditions&&) noexcept = default;
  TKtFileConditions& operator=(TKtFileConditions&&) noexcept = default;

  // Appends the matcher and owns it; returns its index (negative on failure).
  int Add(std::unique_ptr<TKtMatcher> matcher);
  int Count() const { return static_cast<int>(Items_.size()); }
  const TKtMatcher& operator[](int i) const { return *Items_[static_cast<std::size_t>(i)]; }
  // Frees every matcher, the last first, and forgets the problem.
  void Clear();

  // Sets every matcher's file value from the entry; returns the number of matchers.
  int LoadFileValues(const TDirEntry& entry);
  bool Matches() const;
  bool MatchAny() const;
  bool MatchAll() const;

  ~TKtFileConditions() { Clear(); }

 private:
  std::vector<std::unique_ptr<TKtMatcher>> Items_;
};

// The texts of the conditions grid's two lists, in list order.
const std::vector<std::string>& ConditionKindTexts();      // "Creation date", ...
const std::vector<std::string>& ConditionOperatorTexts();  // "equals", ...

// Position of a text in a list: whole text, letter case ignored, not trimmed; -1 when absent.
int ListPosition(const std::vector<std::string>& list, const std::string& text);

// Whether each of the three texts is non-empty once blanks and control characters
// are trimmed from both ends.
bool IsConditionRowComplete(const std::string& kind, const std::string& op, const std::string& value);

// Reads a date text into a date-time (days since 30 December 1899); empty when it can't.
using TDateReader = std::function<std::optional<double>(const std::string&)>;

// The largest size in kilobytes a condition holds, either side of 0: the
// largest whose bytes fit in a file's 64-bit size.
inline constexpr std::int64_t kMaxSizeKB = std::numeric_limits<std::int64_t>::max() / 1024;

// Whether a row's condition can hold its value: not a size that reads as a
// number (see ReadInteger) beyond kMaxSizeKB either side of 0; every other
// value can (one that doesn't read as a number stands for 0, or for now).
bool CanHoldConditionValue(const std::string& kind, const std::string& value);

// Turns one grid row into a matcher: none when the row is not complete, its kind is
// in no list or its value can't be held (CanHoldConditionValue). A size value that
// can't be read is 0; a date value that can't be read is `now`. An operator text in
// no list gives the operator code 255.
std::unique_ptr<TKtMatcher> MakeConditionMatcher(const std::string& kind, const std::string& op,
                                                 const std::string& value, const TDateReader& readDate,
                                                 double now);

// Reads "yyyy-mm-dd" (the bench harness's date form).
std::optional<double> ReadIsoDate(const std::string& text);

// A decimal whole number with an optional sign and leading blanks; empty otherwise.
std::optional<std::int64_t> ReadInteger(const std::string& text);

}  // namespace sorvik
