// The inner loop of the word finder: where a word occurs in a span of bytes that
// is already in memory. It does no I/O and knows nothing of files or views.
//
// Two bytes of the word, the rarest by a fixed table of typical text, are
// compared sixteen places at a time (SSE2); each place where both agree is
// checked in full. With a fold table, a content byte matches a word byte when it
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

class TWordScanner {
 public:
  // `fold` is null for exact bytes; otherwise every content byte is compared
  // through it (the word is expected folded already). The table must outlive
  // the scanner.
  void Prepare(const std::string& word, const std::uint8_t* fold);
  void Prepare(const std::string& word, const TMatchingBytes& matching);

  // The first start s in [from, last] at which the word lies in p[s .. s+m),
  // or -1. The caller guarantees that p[from .. last+m) may be read.
  std::ptrdiff_t Find(const std::uint8_t* p, std::size_t from, std::size_t last) const;

  std::size_t Length() const { return Word_.size(); }

 private:
  // The bytes that match one word byte: at most kMaxMatchingBytes of them are compared
  // by the vector loop; a word byte matched by more is never picked.
  struct TProbe {
    std::size_t Offset = 0;
    int Count = 0;
    std::array<std::uint8_t, kMaxMatchingBytes> Bytes{};
  };

  bool Matches(const std::uint8_t* at) const;
  template <int K>
  std::ptrdiff_t FindVector(const std::uint8_t* p, std::size_t from, std::size_t last) const;
  std::ptrdiff_t FindScalar(const std::uint8_t* p, std::size_t from, std::size_t last) const;

  std::string Word_;
  const std::uint8_t* Fold_ = nullptr;
  TProbe First_, Second_;
  int Width_ = 0;          // bytes per probe the vector loop compares (1, 2 or 4); 0: scalar only
  bool NeverMatches_ = false;  // some word byte is matched by no content byte
};

}  // namespace sorvik
