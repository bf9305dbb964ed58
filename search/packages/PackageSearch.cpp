#include "PackageSearch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace sorvik {

namespace {

constexpr std::size_t kPiece = 64 << 10;  // bytes read from an entry at once

// The first bytes of a stream, read ahead to tell a package, then given again.
class TPeekedStream : public IByteStream {
 public:
  explicit TPeekedStream(IByteStream& in) : In_(in) {
    while (Have_ < Head_.size()) {
      const std::size_t got = In_.Read(Head_.data() + Have_, Head_.size() - Have_);
      if (got == 0) break;
      Have_ += got;
    }
  }
  const std::uint8_t* Head() const { return Head_.data(); }
  std::size_t HeadSize() const { return Have_; }
  std::size_t Read(std::uint8_t* buf, std::size_t n) override {
    if (Given_ < Have_) {
      const std::size_t k = std::min(n, Have_ - Given_);
      std::memcpy(buf, Head_.data() + Given_, k);
      Given_ += k;
      return k;
    }
    return In_.Read(buf, n);
  }

 private:
  IByteStream& In_;
  std::array<std::uint8_t, 4> Head_{};
  std::size_t Have_ = 0, Given_ = 0;
};

class TPackageSearch {
 public:
  TPackageSearch(IStreamSearch& find, const TPackageOptions& options) : Find_(find), Options_(options) {}

  bool Interrupted() const { return Interrupted_; }

  // Reads one package (at `depth`, 0 for the file itself) of this kind.
  TZipResult Read(TPackageKind kind, const std::function<TZipResult(const TZipVisit&)>& reader, int depth,
                  const std::string& prefix) {
    return reader([&, kind, depth](const TZipEntry& entry, IZipEntryData& data) {
      if (Stopped()) return false;
      if (entry.Folder || entry.Encrypted) return true;
      Visit(kind, entry, data, depth, prefix);
      return !Stopped();
    });
  }

 private:
  bool Stopped() {
    if (!Interrupted_ && Options_.Limits.Interrupted && Options_.Limits.Interrupted()) Interrupted_ = true;
    return Interrupted_ || Find_.Done();
  }

  void Visit(TPackageKind kind, const TZipEntry& entry, IZipEntryData& data, int depth, const std::string& prefix) {
    if (kind == TPackageKind::Zip) {
      const TPackageKind inner = PackageKindOf(entry.Name);
      if (inner != TPackageKind::None && depth + 1 < Options_.MaxDepth) {
        TPeekedStream peeked(data);
        if (StartsLikeZip(peeked.Head(), peeked.HeadSize())) {
          // A package inside: searched by what it holds. One that can't be
          // read as a package gives what it could.
          Begins(prefix + entry.Name);
          Read(inner, [&](const TZipVisit& visit) { return ReadZipStream(peeked, Options_.Limits, visit); }, depth + 1,
               prefix + entry.Name + " > ");
          return;
        }
        SearchBytes(prefix + entry.Name, peeked, false, nullptr);
        return;
      }
      SearchBytes(prefix + entry.Name, data, false, nullptr);
      return;
    }
    const TPartText rules = PartTextOf(kind, entry.Name);
    if (rules == TPartText::None) return;
    TDocumentText text(rules);
    SearchBytes(prefix + entry.Name, data, true, &text);
  }

  // One entry's bytes, or the text extracted from them, through the finder.
  void SearchBytes(const std::string& name, IByteStream& data, bool text, TDocumentText* extract) {
    Begins(name);
    Find_.BeginStream(text, name);
    for (;;) {
      const std::size_t got = data.Read(Piece_.data(), Piece_.size());
      if (got == 0) break;
      if (extract) {
        Text_.clear();
        extract->Feed(Piece_.data(), got, Text_);
        if (!Find_.Feed(reinterpret_cast<const std::uint8_t*>(Text_.data()), Text_.size())) return;
      } else if (!Find_.Feed(Piece_.data(), got)) {
        return;
      }
      if (Stopped()) return;
    }
    if (extract) {
      Text_.clear();
      extract->Finish(Text_);
      if (!Find_.Feed(reinterpret_cast<const std::uint8_t*>(Text_.data()), Text_.size())) return;
    }
    Find_.EndStream();
  }

  void Begins(const std::string& name) {
    if (Options_.EntryBegins) Options_.EntryBegins(name);
  }

  IStreamSearch& Find_;
  const TPackageOptions& Options_;
  std::array<std::uint8_t, kPiece> Piece_{};
  std::string Text_;
  bool Interrupted_ = false;
};

}  // namespace

TPackageVerdict SearchPackage(IRandomBytes& file, TPackageKind kind, IStreamSearch& find,
                              const TPackageOptions& options) {
  find.BeginFile();
  auto search = std::make_unique<TPackageSearch>(find, options);  // its read buffer is too large for a stack
  const TZipResult result =
      search->Read(kind, [&](const TZipVisit& visit) { return ReadZip(file, options.Limits, visit); }, 0, {});
  if (find.Found()) return TPackageVerdict::Found;
  if (search->Interrupted() || result.Interrupted) return TPackageVerdict::Interrupted;
  return result.Package ? TPackageVerdict::NotFound : TPackageVerdict::NotPackage;
}

}  // namespace sorvik
