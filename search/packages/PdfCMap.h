// CMaps: how a font's strings split into codes of one to four bytes, and what
// each code stands for: text (a /ToUnicode CMap's bfchar and bfrange) or a
// CID (an encoding CMap's cidchar, cidrange, notdefchar and notdefrange).
// Read from a CMap stream, or one of the predefined CMaps whose codes are
// their own meaning: Identity-H and Identity-V (two-byte codes, the CID is the
// code) and the Unicode CMaps Uni...-UCS2-H/V, -UTF16-H/V, -UTF32-H/V and
// -UTF8-H/V (the text is the code's own character; their CIDs are unknown here).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvik {

class TPdfCMap {
 public:
  // A code as read from a string: its value (big-endian) and length.
  struct TCode {
    std::uint32_t Value = 0;
    int Bytes = 1;
  };

  // At most this many codespace ranges and mappings are kept; later ones are
  // ignored, so memory stays within a fixed multiple of the stream's size.
  static constexpr std::size_t kMaxCodespaceRanges = 256;
  static constexpr std::size_t kMaxMappings = std::size_t{1} << 20;
  // A destination's text is cut to this many UTF-16 units (a glyph name's, characters).
  static constexpr std::size_t kMaxTextUnits = 256;

  TPdfCMap() = default;  // no codespace, no mappings: two-byte codes that mean nothing

  // Reads a CMap stream's data. Whatever can't be read (a damaged entry, a
  // string longer than four bytes as a code, a range whose ends differ in
  // length or run backwards) is skipped; reading goes on at the next token.
  // A code mapped twice means what its last mapping says. "usecmap" of a
  // predefined CMap adds that CMap's codespace and meaning beneath these.
  static TPdfCMap Parse(std::string_view data);
  // A predefined CMap by name; nothing for a name not known here.
  static std::optional<TPdfCMap> Predefined(std::string_view name);

  // The code at the start of `bytes` (not empty): the shortest one that lies in
  // a codespace range. A code in none is as long as the codespace range that
  // matches most of its leading bytes (the shortest of those), or one byte when
  // none matches its first byte; never longer than `bytes`. Without any
  // codespace range, codes are as long as the CMap's mappings' codes (when all
  // are of one length), else two bytes.
  TCode NextCode(std::string_view bytes) const;

  // Appends the text of `code`; false (nothing appended) when it has none. A
  // CMap without mappings of the code's length reads the code's value as a
  // code of the lengths it has.
  bool AppendText(TCode code, std::u32string& out) const;
  // The CID of `code`; nothing when it has none.
  std::optional<std::uint32_t> Cid(TCode code) const;

  // Written top to bottom: /WMode 1, or a predefined CMap whose name ends in "-V".
  bool Vertical() const { return Vertical_; }
  bool HasCodespace() const { return !Codespace_.empty(); }
  // Whether codes mean their own characters (a predefined Unicode CMap, or one used).
  bool UnicodeCodes() const;
  // Mappings stored (text and CID), after overlaps were resolved.
  std::size_t StoredRanges() const { return Text_.Pieces.size() + Cids_.Pieces.size(); }

 private:
  // What codes mean that no mapping of the CMap's own covers.
  enum class TBase : std::uint8_t { None, Identity, Ucs2, Utf16, Utf32, Utf8 };
  struct TCodespace {
    int Bytes = 1;
    std::uint8_t Low[4] = {};
    std::uint8_t High[4] = {};
  };
  // Codes as keys: their length above their value, so one order holds all.
  using TKey = std::uint64_t;
  static TKey KeyOf(TCode code) { return std::uint64_t(code.Bytes) << 32 | code.Value; }

  // A range of codes and what it maps to. Text: the characters Pool[Start,
  // Start + Count), the last one advanced by the code's distance from First.
  // CIDs: Start, plus that distance unless Constant.
  struct TMapping {
    TKey First = 0;
    TKey Last = 0;
    std::uint32_t Start = 0;
    std::uint32_t Count = 0;
    bool Constant = false;
  };
  // Mappings as disjoint pieces in order, each naming the mapping it came from.
  struct TRanges {
    struct TPiece {
      TKey First;
      TKey Last;
      std::uint32_t Mapping;
    };
    std::vector<TMapping> Mappings;
    std::vector<TPiece> Pieces;
    std::uint8_t Lengths = 0;  // bit n-1: some code of n bytes is mapped
    void Add(const TMapping& m);
    // Makes the pieces, a later mapping covering an earlier one.
    void Build();
    const TMapping* Find(TCode code) const;
    // Find, or, when no code of this length is mapped, the first length that maps the
    // code's value (`code` then takes that length).
    const TMapping* FindAnyLength(TCode& code) const;
  };

  class TParser;
  friend class TParser;

  void AddCodespace(const TCodespace& range);
  void UseBase(TBase base);
  bool AppendBaseText(TCode code, std::u32string& out) const;

  std::vector<TCodespace> Codespace_;  // by length
  TRanges Text_;
  TRanges Cids_;
  std::u32string Pool_;  // the characters of text mappings
  TBase Base_ = TBase::None;
  bool Vertical_ = false;
  int DefaultBytes_ = 2;
};

}  // namespace sorvik
