// The inner loop of the word finder: where a word occurs in a span of bytes that
// is already in memory. It does no I/O and knows nothing of files or views.
//
// Two bytes of the word, the rarest by a fixed table of typical text, are
// compared sixteen places at a time (SSE2), or thirty-two where the processor
// has AVX2; each place where both agree is checked in full. With a fold table, a content byte matches a word byte when it
// folds to it, so each of the two bytes stands for the few bytes that fold to it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace sorvik {

// The most content bytes the vector loop compares for one word byte.
inline constexpr int kMaxMatchingBytes = 4;

// For every word byte, the content bytes that fold to it (the first few of
// them), how many there are, and how common they are in typical text. Made once
// per fold table and shared by the scanners of all the words.
class TMatchingBytes {
 public:
  struct TEntry {
    std::array<std::uint8_t, kMaxMatchingBytes> Bytes{};
    int Count = 0;
    int Cost = 0;
  };
  // `fold` is null for exact bytes; it must outlive the scanners prepared with it.
  explicit TMatchingBytes(const std::uint8_t* fold);
  const TEntry& For(std::uint8_t wordByte) const { return ByWordByte_[wordByte]; }
  const std::uint8_t* Fold() const { return Fold_; }

 private:
  const std::uint8_t* Fold_;
  std::array<TEntry, 256> ByWordByte_{};
};

// A prepared word as the scan loops see it.
struct TScanProbe {
  std::size_t Offset = 0;  // the word byte's place in the word
  int Count = 0;           // content bytes that match it (at most kMaxMatchingBytes)
  std::array<std::uint8_t, kMaxMatchingBytes> Bytes{};  // them, padded with the first
  // When those bytes are exactly the bytes b with (b & Mask) == Value (one
  // byte, or a letter and its other case): one compare finds them all.
  bool Masked = false;
  std::uint8_t Mask = 0xFF;
  std::uint8_t Value = 0;
};
struct TScanPlan {
  std::string Word;
  const std::uint8_t* Fold = nullptr;
  TScanProbe First, Second;  // in text order
};
// A scan loop: the first start s in [from, last] at which the word lies, or -1.
using TScanLoop = std::ptrdiff_t (*)(const TScanPlan& plan, const std::uint8_t* p, std::size_t from,
                                     std::size_t last);

class TWordScanner {
 public:
  // `fold` is null for exact bytes; otherwise every content byte is compared
  // through it (the word is expected folded already). The table must outlive
  // the scanner.
  // `widest` false keeps to the SSE2 loops (tests compare both).
  void Prepare(const std::string& word, const std::uint8_t* fold, bool widest = true);
  void Prepare(const std::string& word, const TMatchingBytes& matching, bool widest = true);

  // The first start s in [from, last] at which the word lies in p[s .. s+m),
  // or -1. The caller guarantees that p[from .. last+m) may be read.
  std::ptrdiff_t Find(const std::uint8_t* p, std::size_t from, std::size_t last) const {
    if (NeverMatches_ || from > last) return -1;
    return Loop_(Plan_, p, from, last);
  }

  std::size_t Length() const { return Plan_.Word.size(); }

 private:
  TScanPlan Plan_;
  TScanLoop Loop_ = nullptr;
  bool NeverMatches_ = true;  // some word byte is matched by no content byte, or no word
};

// The loops this processor runs best for a plan of this shape (with `widest`
// false, no wider than SSE2). `masked`: both probes compare with one mask;
// otherwise `width` (2 or 4) compares per probe, or 0 for the byte-by-byte loop.
TScanLoop ChooseScanLoop(bool masked, int width, bool widest = true);

}  // namespace sorvik
