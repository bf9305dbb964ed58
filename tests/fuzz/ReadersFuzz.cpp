// The readers of numbers and dates: the settings' integers, the size and date
// texts the results list sorts by, and the conditions' value readers. Nothing
// crashes, and each column comparison is a consistent order on three arbitrary
// texts (antisymmetric, transitive, and in step with the values it reads), so
// a sort can't misbehave.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzCheck.h"

#include "DateText.h"
#include "CommaText.h"
#include "ConditionsGrid.h"
#include "ResultCompare.h"

namespace {

using namespace sorvik;

int Sign(std::int64_t v) { return (v > 0) - (v < 0); }

// Antisymmetric and transitive on a, b, c, and descending is ascending with the
// operands swapped.
template <typename Compare>
void CheckOrder(const std::string& a, const std::string& b, const std::string& c, Compare cmp) {
  const std::string* t[] = {&a, &b, &c};
  for (const std::string* x : t)
    for (const std::string* y : t) {
      FUZZ_CHECK(Sign(cmp(*x, *y, true)) == -Sign(cmp(*y, *x, true)));
      FUZZ_CHECK(Sign(cmp(*x, *y, false)) == Sign(cmp(*y, *x, true)));
      for (const std::string* z : t)
        if (cmp(*x, *y, true) <= 0 && cmp(*y, *z, true) <= 0) FUZZ_CHECK(cmp(*x, *z, true) <= 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int currentYear = in.ConsumeIntegralInRange(1980, 2100);
  const std::int32_t number = in.ConsumeIntegral<std::int32_t>();
  const double real = in.ConsumeFloatingPoint<double>();
  const bool ownFormat = in.ConsumeBool();
  TDateFormat format;
  if (ownFormat) {
    const std::string shortDate = in.ConsumeRandomLengthString(24);
    const std::string time = in.ConsumeRandomLengthString(24);
    const std::string am = in.ConsumeRandomLengthString(8);
    const std::string pm = in.ConsumeRandomLengthString(8);
    format = DateFormatFromPatterns(shortDate, time, am, pm);
  }
  const std::string a = in.ConsumeRandomLengthString(64);
  const std::string b = in.ConsumeRandomLengthString(64);
  const std::string c = in.ConsumeRemainingBytesAsString();

  // Settings integers: never a crash; a number written back reads as itself.
  for (const std::string* t : {&a, &b, &c}) (void)ReadProfileInteger(*t, 7);
  FUZZ_CHECK(ReadProfileInteger(std::to_string(number), number == 7 ? 8 : 7) == number);
  char hex[16];
  std::snprintf(hex, sizeof hex, "$%X", static_cast<unsigned>(number));
  FUZZ_CHECK(ReadProfileInteger(hex, number == 7 ? 8 : 7) == number);

  // Sizes.
  CheckOrder(a, b, c, [](const std::string& x, const std::string& y, bool up) {
    return CompareSizeColumn(x, y, up);
  });
  FUZZ_CHECK(Sign(CompareSizeColumn(a, b, true)) == Sign(ReadSizeText(a) > ReadSizeText(b) ? 1 : ReadSizeText(a) < ReadSizeText(b) ? -1 : 0));

  // Dates, in the fuzzed format or the default one.
  auto dates = [&](const std::string& x, const std::string& y, bool up) {
    return CompareDateColumn(x, y, up, format, currentYear);
  };
  CheckOrder(a, b, c, dates);
  const double da = ReadDateText(a, format, currentYear), db = ReadDateText(b, format, currentYear);
  FUZZ_CHECK(std::isfinite(da) && std::isfinite(db));
  FUZZ_CHECK(dates(a, b, true) == Sign(DateSortKey(da) - DateSortKey(db)));

  // Texts.
  CheckOrder(a, b, c, [](const std::string& x, const std::string& y, bool up) {
    return CompareTextColumn(x, y, up);
  });

  // The conditions' value readers.
  for (const std::string* t : {&a, &b, &c}) {
    const auto day = ReadShortDate(*t);
    const auto moment = ReadShortDateTime(*t);
    if (day) FUZZ_CHECK(std::isfinite(*day));
    if (moment) FUZZ_CHECK(std::isfinite(*moment));
    if (const auto v = ReadDateTimeText(*t, format, currentYear)) FUZZ_CHECK(std::isfinite(*v));
  }
  const std::string integer = IntegerValueText(real);
  FUZZ_CHECK(!integer.empty());
  for (std::size_t i = 0; i < integer.size(); ++i)
    FUZZ_CHECK((integer[i] >= '0' && integer[i] <= '9') || (i == 0 && integer[i] == '-'));
  return 0;
}
