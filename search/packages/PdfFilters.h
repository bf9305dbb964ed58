// A PDF stream's filters undone: its data as the file holds it (decrypted
// already, when the file is encrypted) through the chain its /Filter names,
// in order, to the bytes the stream stands for.
//
// Decoded here: FlateDecode (zlib, or raw deflate when the zlib header is
// damaged), LZWDecode (with /EarlyChange 0 or 1), both with the PNG (10 to 15)
// and TIFF (2) predictors; ASCIIHexDecode, ASCII85Decode, RunLengthDecode; the
// abbreviations of inline images (Fl, LZW, AHx, A85, RL) too. A /Crypt filter
// is passed over: decryption happened before. Image filters (DCTDecode,
// JPXDecode, CCITTFaxDecode, JBIG2Decode, and DCT, CCF) are never decoded.
//
// Each stage of a chain may make at most `cap` bytes, and every byte a stage
// makes (also a stream without filters, given as it is) is spent from the
// file's budget. An end of data without the filter's end marker (hex, base-85,
// run-length, LZW) is an end, not damage; deflate data cut short is damage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "FileBudget.h"
#include "PdfObject.h"

namespace sorvik {

enum class TPdfDecodeEnd : std::uint8_t {
  Done,         // the whole chain decoded
  Image,        // an image filter is in the chain: nothing decoded, nothing spent
  Unsupported,  // a filter, predictor or parameter this reader doesn't know: nothing decoded
  Damaged,      // a stage met bad data: what it made before is decoded by the stages after
  Limited,      // a stage reached `cap` or the budget: what it made up to there is kept
};

struct TPdfDecoded {
  TPdfDecodeEnd End = TPdfDecodeEnd::Done;
  std::string Bytes;
};

// Undoes `filter` (a name, an array of names, or null for none) on `raw`.
// `parms` is the stream's /DecodeParms: a dictionary (for the first filter),
// an array parallel to the filters (null, missing or other entries: no
// parameters), or null. Both come resolved: references are the caller's.
// When a stage reaches the budget before `cap`, budget.MarkReached() is called.
TPdfDecoded PdfDecode(std::string_view raw, const TPdfObject& filter, const TPdfObject& parms, TFileBudget& budget,
                      std::uint64_t cap);

}  // namespace sorvik
