// The words of a search looked for in contents that arrive in pieces: an
// archive's entry as it inflates, a document's text as it is extracted. The
// pieces pass through a window of a fixed size (TStreamWindow), so memory stays
// bounded however long the contents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "StreamWindow.h"
#include "WordScan.h"
#include "WordSet.h"

namespace sorvik {

// What a package's reader feeds: the streams of one file (its entries, or its
// parts' text), each begun, fed in pieces and ended.
class IStreamSearch {
 public:
  virtual ~IStreamSearch() = default;
  virtual void BeginFile() = 0;
  // `name`: the stream's entry in the package's own terms ("a.zip > b.txt").
  virtual void BeginStream(bool text, const std::string& name) = 0;
  // False once nothing more is wanted from the file.
  virtual bool Feed(const std::uint8_t* data, std::size_t n) = 0;
  virtual bool EndStream() = 0;
  // Nothing more is wanted from the file (its answer is known).
  virtual bool Done() const = 0;
  // Whether the places a person names inside a stream (a sheet's cells) are
  // wanted: then Place tells where each one's text begins, as the offset in
  // the current stream of the first byte that will be fed for it.
  virtual bool WantsPlaces() const { return false; }
  virtual void Place(std::string_view /*name*/, std::int64_t /*offset*/) {}
  // The file holds what was looked for.
  virtual bool Found() const = 0;
};

class TStreamFind : public IStreamSearch {
 public:
  // `set` must outlive the finder. `judge`: the starts judged at once (tests
  // make it small, so that the window slides often).
  explicit TStreamFind(const TWordSet& set, std::size_t judge = std::size_t{256} << 10);

  // Begins the search of one file: nothing found, in all mode no word seen.
  void BeginFile() override;
  // Begins one stream of the file (an entry, a part's text), judged on its own:
  // no occurrence spans two streams, but all mode counts the words every
  // stream of the file has shown. `text`: the stream is UTF-8 text (a
  // document's), searched in that encoding alone; otherwise its bytes are
  // searched in every encoding, as a file's are.
  void BeginStream(bool text);
  void BeginStream(bool text, const std::string&) override { BeginStream(text); }
  // The stream's next bytes; false once the file's answer is known (found).
  bool Feed(const std::uint8_t* data, std::size_t n) override;
  // The stream has ended: what is left of it is judged. False once found.
  bool EndStream() override;

  // Any and exact modes: a word was found; all mode: every word has been seen.
  bool Found() const override { return Found_; }
  bool Done() const override { return Found_; }

 private:
  const TWordScan& ScanOf(std::size_t w) const { return Text_ ? Set_.TextScan(w) : Set_.Scan(w); }
  // Judges the starts the window holds whole; `last`: the stream has ended.
  void Judge(bool last);

  const TWordSet& Set_;
  std::vector<std::int64_t> Seen_;  // all mode: 1 once word w was seen, or it is skipped
  std::size_t Open_ = 0;            // all mode: words not yet seen
  bool Found_ = false;
  bool Text_ = false;
  std::int64_t Shortest_ = 0, Longest_ = 0;
  std::size_t Judge_;
  TStreamWindow Window_;
  std::int64_t From_ = 0;  // the first start not yet judged
  TLeadRun Run_;
};

}  // namespace sorvik
