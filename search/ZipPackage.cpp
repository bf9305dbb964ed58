#include "ZipPackage.h"

namespace sorvik {

// Being written: see the header for what each function does.
TZipResult ReadZip(IRandomBytes&, const TZipLimits&, const TZipVisit&) { return {}; }
TZipResult ReadZipStream(IByteStream&, const TZipLimits&, const TZipVisit&) { return {}; }
bool StartsLikeZip(const std::uint8_t* data, std::size_t n) {
  return n >= 4 && data[0] == 'P' && data[1] == 'K' && data[2] == 3 && data[3] == 4;
}

}  // namespace sorvik
