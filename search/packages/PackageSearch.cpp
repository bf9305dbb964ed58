#include "PackageSearch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>

#include "Ascii.h"
#include "PartNames.h"
#include "PdfFonts.h"
#include "PdfText.h"
#include "SharedCells.h"

namespace sorvik {

namespace {

constexpr std::size_t kPiece = 64 << 10;  // bytes read from an entry at once
// Bytes of a part's XML given to its text extractor at once: the text of a
// piece may be some twenty times as long (a blank element standing for many
// blanks), and stays under half a megabyte.
constexpr std::size_t kTextPiece = 16 << 10;

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
  std::array<std::uint8_t, kPackageHead> Head_{};
  std::size_t Have_ = 0, Given_ = 0;
};

// Bytes in memory as a stream.
class TMemoryStream : public IByteStream {
 public:
  explicit TMemoryStream(std::string_view bytes) : Bytes_(bytes) {}
  std::size_t Read(std::uint8_t* buf, std::size_t n) override {
    const std::size_t k = std::min(n, Bytes_.size() - At_);
    std::memcpy(buf, Bytes_.data() + At_, k);
    At_ += k;
    return k;
  }

 private:
  std::string_view Bytes_;
  std::size_t At_ = 0;
};

// A document embedded in a document's part folder ("word/embeddings/Book1.xlsx"):
// read as a package inside it.
bool IsEmbedded(std::string_view name) {
  const std::size_t slash = name.rfind('/');
  if (slash == std::string_view::npos) return false;
  const std::string_view folder = name.substr(0, slash);
  const std::size_t parent = folder.rfind('/');
  return AsciiLowerCopy(folder.substr(parent == std::string_view::npos ? 0 : parent + 1)) == "embeddings";
}

// A workbook's sheet ("xl/worksheets/sheet1.xml").
bool IsSheet(std::string_view name) {
  const std::string lower = AsciiLowerCopy(name);
  return lower.starts_with("xl/worksheets/sheet") && lower.ends_with(".xml") &&
         lower.find('/', 19) == std::string::npos;
}

class TPackageSearch {
 public:
  TPackageSearch(IStreamSearch& find, const TPackageOptions& options, TPackageReport& report)
      : Find_(find), Options_(options), Report_(report) {}

  bool Interrupted() const { return Interrupted_; }
  TPartNames& Names() { return Names_; }

  // Reads one package (at `depth`, 0 for the file itself) of this kind.
  TZipResult Read(TPackageKind kind, const std::function<TZipResult(const TZipVisit&)>& reader, int depth,
                  const std::string& prefix) {
    const TZipResult result = reader([&, kind, depth](const TZipEntry& entry, IZipEntryData& data) {
      if (Stopped()) return false;
      if (entry.Folder) return true;
      if (entry.Encrypted) {
        ++Report_.Encrypted;
        return true;
      }
      Visit(kind, entry, data, depth, prefix);
      switch (data.End()) {
        case TZipEnd::Unsupported: ++Report_.Unsupported; break;
        case TZipEnd::Damaged: ++Report_.Damaged; break;
        case TZipEnd::TooLarge: Report_.Limited = true; break;
        default: break;
      }
      return !Stopped();
    });
    if (result.Damaged) Report_.DamagedPackage = true;
    if (result.TooLarge) Report_.Limited = true;
    Report_.Shared += result.Overlapping;
    return result;
  }

  // The file itself as a PDF; false when it holds none.
  bool ReadPdfFile(IRandomBytes& file) {
    std::string copy;
    std::string_view bytes = file.Whole();
    if (bytes.empty() && file.Size() > 0) {
      // Read whole into memory where no view of it can be had.
      if (file.Size() > Options_.Limits.Budget->Left()) {
        Report_.Limited = true;
        return true;
      }
      copy.resize(static_cast<std::size_t>(file.Size()));
      copy.resize(file.ReadAt(0, reinterpret_cast<std::uint8_t*>(copy.data()), copy.size()));
      bytes = copy;
    }
    return ReadPdf(bytes, {}, true);
  }

 private:
  bool Stopped() {
    if (!Interrupted_ && Options_.Limits.Interrupted && Options_.Limits.Interrupted()) Interrupted_ = true;
    return Interrupted_ || Find_.Done();
  }

  // Reads the package inside an entry, when its bytes start as one; false
  // when they don't (then they are searched as they are, from `peeked`).
  bool ReadInner(TPackageKind inner, TPeekedStream& peeked, const std::string& name, int depth) {
    if (!StartsLikePackage(inner, peeked.Head(), peeked.HeadSize())) return false;
    if (inner == TPackageKind::Pdf) {
      // A PDF is read from its bytes at any place: the entry's, in memory, as
      // far as the file's budget allows.
      std::string bytes;
      TFileBudget& budget = *Options_.Limits.Budget;
      for (std::size_t got; (got = peeked.Read(Piece_.data(), Piece_.size())) > 0;) {
        if (bytes.size() + got > budget.Left()) {
          budget.MarkReached();
          Report_.Limited = true;
          break;
        }
        budget.Spend(got);
        bytes.append(reinterpret_cast<const char*>(Piece_.data()), got);
        if (Stopped()) return true;
      }
      if (!ReadPdf(bytes, name + " > ", false)) {
        TMemoryStream again(bytes);
        SearchBytes(name, again, false, nullptr);
      }
      return true;
    }
    // A package inside: searched by what it holds. One that can't be read as
    // a package gives what it could.
    Begins(name);
    Read(inner, [&](const TZipVisit& visit) { return ReadZipStream(peeked, Options_.Limits, visit); }, depth + 1,
         name + " > ");
    return true;
  }

  // A PDF's text; false when its bytes hold no PDF after all.
  bool ReadPdf(std::string_view bytes, const std::string& prefix, bool file) {
    TPdfTextOptions options;
    options.Prefix = prefix;
    options.Interrupted = [this] { return Stopped(); };
    options.EntryBegins = Options_.EntryBegins;
    const TPdfTextResult result =
        ReadPdfText(bytes, Find_, *Options_.Limits.Budget, MakePdfFont, PdfTextString, options);
    switch (result.Open) {
      case TPdfOpen::NotPdf: return false;
      case TPdfOpen::PasswordRequired:
        if (file)
          Report_.Protected = true;
        else
          ++Report_.ProtectedInside;
        return true;
      case TPdfOpen::Unsupported: ++Report_.UnreadPdfs; return true;
      case TPdfOpen::Open: break;
    }
    if (result.Rebuilt) Report_.DamagedPackage = true;
    if (result.Limited) Report_.Limited = true;
    return true;
  }

  void Visit(TPackageKind kind, const TZipEntry& entry, IZipEntryData& data, int depth, const std::string& prefix) {
    if (kind == TPackageKind::Zip) {
      const TPackageKind inner = PackageKindOf(entry.Name);
      if (inner != TPackageKind::None) {
        TPeekedStream peeked(data);
        if (depth + 1 < Options_.MaxDepth) {
          if (ReadInner(inner, peeked, prefix + entry.Name, depth)) return;
        } else if (StartsLikePackage(inner, peeked.Head(), peeked.HeadSize())) {
          ++Report_.TooDeep;
        }
        SearchBytes(prefix + entry.Name, peeked, false, nullptr);
        return;
      }
      SearchBytes(prefix + entry.Name, data, false, nullptr);
      return;
    }
    if (IsEmbedded(entry.Name)) {
      // A workbook in a letter, a letter in a slide: searched as documents,
      // within the depth; anything else embedded (pictures, OLE objects) is no text.
      const TPackageKind inner = PackageKindOf(entry.Name);
      if (inner == TPackageKind::None || inner == TPackageKind::Zip) return;
      TPeekedStream peeked(data);
      if (depth + 1 < Options_.MaxDepth) ReadInner(inner, peeked, prefix + entry.Name, depth);
      else if (StartsLikePackage(inner, peeked.Head(), peeked.HeadSize())) ++Report_.TooDeep;
      return;
    }
    const TPartText rules = PartTextOf(kind, entry.Name);
    if (rules == TPartText::None) return;
    if (depth == 0 && Options_.ReadsPart && !Options_.ReadsPart(entry.Name)) return;
    TDocumentText text(rules);
    // The file's own parts by the names its small parts gave; a nested
    // document's by their paths' names.
    const std::string name = prefix + (depth == 0 ? Names_.Label(kind, entry.Name) : TPartNames().Label(kind, entry.Name));
    // A sheet's cells, for those who want to know where each one's text is.
    if (rules == TPartText::OfficeOpenXml && Find_.WantsPlaces())
      text.SetCellWatch([this](std::string_view cell, std::size_t at) {
        Find_.Place(cell, Fed_ + static_cast<std::int64_t>(at));
      });
    std::optional<TSharedCells> shared;
    if (depth == 0 && Options_.SharedCell && IsSheet(entry.Name))
      shared.emplace([this, &name](std::string_view cell, std::uint64_t index) { Options_.SharedCell(name, cell, index); });
    SearchBytes(name, data, true, &text, shared ? &*shared : nullptr);
  }

  // One entry's bytes, or the text extracted from them, through the finder.
  // `shared`, when given, reads the raw XML too.
  void SearchBytes(const std::string& name, IByteStream& data, bool text, TDocumentText* extract,
                   TSharedCells* shared = nullptr) {
    Begins(name);
    Find_.BeginStream(text, name);
    Fed_ = 0;
    for (;;) {
      const std::size_t got = data.Read(Piece_.data(), Piece_.size());
      if (got == 0) break;
      if (extract) {
        for (std::size_t at = 0; at < got; at += kTextPiece) {
          const std::size_t n = std::min(kTextPiece, got - at);
          if (shared) shared->Feed(Piece_.data() + at, n);
          Text_.clear();
          extract->Feed(Piece_.data() + at, n, Text_);
          if (!FeedText()) return;
        }
      } else if (!Find_.Feed(Piece_.data(), got)) {
        return;
      }
      if (Stopped()) return;
    }
    if (extract) {
      Text_.clear();
      extract->Finish(Text_);
      if (!FeedText()) return;
    }
    Find_.EndStream();
  }

  bool FeedText() {
    const bool more = Find_.Feed(reinterpret_cast<const std::uint8_t*>(Text_.data()), Text_.size());
    Fed_ += static_cast<std::int64_t>(Text_.size());
    return more;
  }

  void Begins(const std::string& name) {
    if (Options_.EntryBegins) Options_.EntryBegins(name);
  }

  IStreamSearch& Find_;
  const TPackageOptions& Options_;
  TPackageReport& Report_;
  TPartNames Names_;
  std::array<std::uint8_t, kPiece> Piece_{};
  std::string Text_;
  std::int64_t Fed_ = 0;  // text fed to the finder in the current stream
  bool Interrupted_ = false;
};

// Reads the small parts of a document that name its other parts (a
// workbook's sheets, the slides of notes) before its text is searched.
void LearnNames(IRandomBytes& file, const TZipLimits& limits, TPartNames& names) {
  std::string xml;
  std::array<std::uint8_t, 4096> piece{};
  ReadZip(file, limits, [&](const TZipEntry& entry, IZipEntryData& data) {
    if (entry.Folder || entry.Encrypted || !TPartNames::Tells(entry.Name)) return true;
    xml.clear();
    for (std::size_t got; xml.size() < TPartNames::kMostBytes && (got = data.Read(piece.data(), piece.size())) > 0;)
      xml.append(reinterpret_cast<const char*>(piece.data()), got);
    if (data.End() == TZipEnd::Complete) names.Learn(entry.Name, xml);
    return true;
  });
}

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

bool StartsLikePackage(TPackageKind kind, const std::uint8_t* head, std::size_t n) {
  if (kind == TPackageKind::Pdf)
    return LooksLikePdf(std::string_view(reinterpret_cast<const char*>(head), std::min(n, kPackageHead)));
  return StartsLikeZip(head, n);
}

std::string LeftOutNote(const TPackageReport& report) {
  std::string note;
  const auto add = [&note](const std::string& sentence) { note += (note.empty() ? "" : " ") + sentence; };
  if (report.Protected) add("This PDF is protected by a password.");
  if (report.UnreadPdfs > 0)
    add(Count(report.UnreadPdfs, "PDF encrypted in a way that isn't read was", "PDFs encrypted in ways that aren't read were") +
        " not read.");
  if (report.ProtectedInside > 0)
    add(Count(report.ProtectedInside, "PDF protected by a password was", "PDFs protected by a password were") +
        " not read.");
  if (report.Encrypted > 0)
    add(Count(report.Encrypted, "encrypted entry was", "encrypted entries were") + " not read.");
  if (report.Unsupported > 0)
    add(Count(report.Unsupported, "entry compressed in an unknown way was", "entries compressed in unknown ways were") +
        " not read.");
  if (report.Damaged > 0) add(Count(report.Damaged, "damaged entry was", "damaged entries were") + " read in part.");
  if (report.DamagedPackage) add("The package is damaged: what could be found was read.");
  if (report.Shared > 0)
    add(Count(report.Shared, "entry shares", "entries share") + " data with another and " +
        (report.Shared == 1 ? "was" : "were") + " read once.");
  if (report.TooDeep > 0)
    add(Count(report.TooDeep, "package nested too deep was", "packages nested too deep were") +
        " searched by its bytes.");
  if (report.Limited) add("A limit on the work one file may cost ended the reading.");
  return note;
}

TPackageVerdict SearchPackage(IRandomBytes& file, TPackageKind kind, IStreamSearch& find,
                              const TPackageOptions& options) {
  find.BeginFile();
  TPackageReport report;
  // One budget for every reader of this file, nested ones included.
  TFileBudget budget(file.Size());
  TPackageOptions own = options;
  if (!own.Limits.Budget) own.Limits.Budget = &budget;
  auto search = std::make_unique<TPackageSearch>(find, own, report);  // its read buffer is too large for a stack
  if (kind == TPackageKind::Pdf) {
    const bool pdf = search->ReadPdfFile(file);
    if (options.Report) *options.Report = report;
    if (find.Found()) return TPackageVerdict::Found;
    if (search->Interrupted()) return TPackageVerdict::Interrupted;
    return pdf ? TPackageVerdict::NotFound : TPackageVerdict::NotPackage;
  }
  // The names of sheets and of notes' slides, for those who show where lines are.
  if (kind == TPackageKind::OfficeOpenXml && find.WantsPlaces()) LearnNames(file, own.Limits, search->Names());
  const TZipResult result =
      search->Read(kind, [&](const TZipVisit& visit) { return ReadZip(file, own.Limits, visit); }, 0, {});
  if (options.Report) *options.Report = report;
  if (find.Found()) return TPackageVerdict::Found;
  if (search->Interrupted() || result.Interrupted) return TPackageVerdict::Interrupted;
  return result.Package ? TPackageVerdict::NotFound : TPackageVerdict::NotPackage;
}

}  // namespace sorvik
