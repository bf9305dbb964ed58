// A PDF file's objects, found through its cross-reference sections (tables,
// streams, hybrids, incremental updates: the newest revision of each object
// counts) or, where those are missing or wrong, through a scan of the file
// for its objects. Objects in object streams, stream data with its filters
// undone, and the trailer's catalog, information and encryption. Everything
// it makes counts against the file's budget.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "FileBudget.h"
#include "PdfObject.h"

namespace sorvik {

// Whether the bytes begin like a PDF: "%PDF-" within the first 1,024.
bool LooksLikePdf(std::string_view head);

class TPdfSecurity;

enum class TPdfOpen : std::uint8_t {
  Open,              // objects can be read
  PasswordRequired,  // encrypted, and the empty user password doesn't open it
  Unsupported,       // encrypted by a handler or method that isn't read
  NotPdf,            // no object found
};

class TPdfDocument : public IPdfObjects {
 public:
  // The file's bytes stay for the document's life.
  TPdfDocument(std::string_view bytes, TFileBudget& budget);
  ~TPdfDocument() override;
  TPdfDocument(const TPdfDocument&) = delete;
  TPdfDocument& operator=(const TPdfDocument&) = delete;

  TPdfOpen Open();
  const TPdfDict& Trailer() const { return Trailer_; }
  // The catalog (the trailer's /Root), resolved.
  TPdfObject Catalog();
  // The cross-reference could not be read as written: the objects were found by a scan.
  bool Rebuilt() const { return Rebuilt_; }

  TPdfObject Resolve(const TPdfObject& object) override;
  std::optional<std::string> StreamData(const TPdfObject& stream) override;
  // The object numbered so, in its newest revision; null when there is none.
  TPdfObject Object(std::uint32_t num);

  // Asked between objects and streams; true stops the reading (every later
  // call gives null or nothing).
  void SetInterrupt(std::function<bool()> interrupted) { Interrupted_ = std::move(interrupted); }
  bool Stopped() const { return Stopped_; }

 private:
  struct TEntry {
    std::uint8_t Type = 0;     // 1: at Offset in the file; 2: in object stream Offset, at index Gen
    std::uint64_t Offset = 0;
    std::uint32_t Gen = 0;
  };
  bool ReadCrossReference();
  bool ReadSection(std::uint64_t offset, std::vector<std::uint64_t>& next);
  bool ReadTable(std::size_t at, std::vector<std::uint64_t>& next);
  bool ReadXrefStream(std::size_t at, std::vector<std::uint64_t>& next);
  void MergeTrailer(const TPdfDict& dict);
  void Rebuild();
  TPdfObject Load(std::uint32_t num);
  TPdfObject LoadAt(std::uint64_t offset, std::uint32_t num, bool& headFound);
  TPdfObject LoadFromObjectStream(std::uint32_t stream, std::uint32_t index, std::uint32_t num);
  // The indirect object at the lexer's place after its head: a direct object, or a stream.
  TPdfObject ReadBody(std::size_t at, TPdfRef ref);
  std::string_view RawData(const TPdfStreamData& data) const;
  std::optional<std::string> Decode(const TPdfObject& stream, bool decrypt);
  bool Interrupted();
  // An object of the file with its strings decrypted by the key of `ref`.
  TPdfObject Decrypted(const TPdfObject& object, TPdfRef ref, int depth) const;

  std::string_view Bytes_;
  TFileBudget& Budget_;
  std::size_t HeaderAt_ = 0;  // where "%PDF-" stands: offsets may count from it
  std::unordered_map<std::uint32_t, TEntry> Entries_;
  std::unordered_map<std::uint32_t, TPdfObject> Loaded_;
  // Decoded object streams: their data and each object's number and offset.
  struct TObjectStream {
    std::shared_ptr<const std::string> Data;
    std::vector<std::pair<std::uint32_t, std::size_t>> Objects;
  };
  std::unordered_map<std::uint32_t, TObjectStream> ObjectStreams_;
  // An object stream decoded, with its objects' numbers and offsets, once.
  const TObjectStream& ObjectStreamOf(std::uint32_t stream);
  std::vector<std::uint32_t> Resolving_;  // objects being loaded: one met again is a loop
  TPdfDict Trailer_;
  std::unique_ptr<TPdfSecurity> Security_;
  std::uint32_t EncryptObject_ = 0;  // the encryption dictionary's own number: never decrypted
  bool Rebuilt_ = false;
  std::function<bool()> Interrupted_;
  bool Stopped_ = false;
};

}  // namespace sorvik
