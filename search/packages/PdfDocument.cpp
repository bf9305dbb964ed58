#include "PdfDocument.h"

#include <algorithm>
#include <cstring>

#include "PdfFilters.h"
#include "PdfParser.h"
#include "PdfSecurity.h"

namespace sorvik {

namespace {

constexpr std::size_t kTailSearch = 64 << 10;  // where startxref is looked for, from the end
constexpr std::size_t kMaxSections = 1024;     // cross-reference sections followed at most
constexpr std::size_t kMaxChain = 32;           // references to references followed at most
constexpr std::uint32_t kNoObject = 0xFFFFFFFF;  // an object stream's entry that names no object

std::size_t FindLast(std::string_view bytes, std::string_view what, std::size_t from) {
  const std::size_t at = bytes.rfind(what);
  return at != std::string_view::npos && at >= from ? at : std::string_view::npos;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool LooksLikePdf(std::string_view head) {
  return head.substr(0, std::min<std::size_t>(head.size(), 1024)).find("%PDF-") != std::string_view::npos;
}

TPdfDocument::TPdfDocument(std::string_view bytes, TFileBudget& budget) : Bytes_(bytes), Budget_(budget) {
  const std::size_t header = bytes.substr(0, std::min<std::size_t>(bytes.size(), 1024)).find("%PDF-");
  HeaderAt_ = header == std::string_view::npos ? 0 : header;
}

TPdfDocument::~TPdfDocument() = default;

bool TPdfDocument::Interrupted() {
  if (!Stopped_ && Interrupted_ && Interrupted_()) Stopped_ = true;
  return Stopped_;
}

TPdfOpen TPdfDocument::Open() {
  if (!ReadCrossReference() || Catalog().AsDict().Empty()) Rebuild();
  if (Entries_.empty()) return TPdfOpen::NotPdf;
  const TPdfObject& encrypt = Trailer_.Get("Encrypt");
  if (encrypt.IsNull()) return TPdfOpen::Open;
  // The encryption dictionary's own strings are never encrypted: read before
  // any key is known, and kept as they are.
  if (encrypt.Type() == TPdfType::Ref) EncryptObject_ = encrypt.AsRef().Num;
  const TPdfObject dict = Resolve(encrypt);
  std::vector<std::pair<std::string, TPdfObject>> entries;
  for (const auto& [key, value] : dict.AsDict().Entries()) {
    // The crypt filters' dictionaries, resolved a level down too.
    if (key == "CF") {
      std::vector<std::pair<std::string, TPdfObject>> filters;
      for (const auto& [name, filter] : Resolve(value).AsDict().Entries()) filters.emplace_back(name, Resolve(filter));
      entries.emplace_back(key, TPdfObject::Dict(TPdfDict(std::move(filters))));
    } else {
      entries.emplace_back(key, Resolve(value));
    }
  }
  const TPdfObject ids = Resolve(Trailer_.Get("ID"));
  const std::string firstId = ids.AsArray().empty() ? std::string() : Resolve(ids.AsArray()[0]).AsString();
  Security_ = std::make_unique<TPdfSecurity>(TPdfDict(std::move(entries)), firstId);
  switch (Security_->Access()) {
    case TPdfAccess::Open: break;
    case TPdfAccess::PasswordRequired: return TPdfOpen::PasswordRequired;
    case TPdfAccess::Unsupported: return TPdfOpen::Unsupported;
  }
  // Objects read before the key was known hold their strings as stored.
  Loaded_.clear();
  ObjectStreams_.clear();
  return TPdfOpen::Open;
}

TPdfObject TPdfDocument::Catalog() { return Resolve(Trailer_.Get("Root")); }

bool TPdfDocument::ReadCrossReference() {
  const std::size_t tail = Bytes_.size() > kTailSearch ? Bytes_.size() - kTailSearch : 0;
  const std::size_t at = FindLast(Bytes_, "startxref", tail);
  if (at == std::string_view::npos) return false;
  TPdfLexer lexer(Bytes_, at + 9);
  if (lexer.Next() != TPdfToken::Int || lexer.Int() < 0) return false;
  std::vector<std::uint64_t> next{static_cast<std::uint64_t>(lexer.Int())};
  std::vector<std::uint64_t> seen;
  bool any = false;
  while (!next.empty() && seen.size() < kMaxSections) {
    const std::uint64_t offset = next.front();
    next.erase(next.begin());
    if (std::find(seen.begin(), seen.end(), offset) != seen.end()) continue;  // a loop of /Prev
    seen.push_back(offset);
    // Offsets counted from a header that isn't at the file's start are tried from there too.
    if (ReadSection(offset, next) || (HeaderAt_ > 0 && ReadSection(offset + HeaderAt_, next))) {
      any = true;
    } else if (!any) {
      return false;  // the newest section is not where it is said to be
    }
  }
  return any;
}

bool TPdfDocument::ReadSection(std::uint64_t offset, std::vector<std::uint64_t>& next) {
  if (offset >= Bytes_.size()) return false;
  const auto at = static_cast<std::size_t>(offset);
  TPdfLexer lexer(Bytes_, at);
  const TPdfToken t = lexer.Next();
  if (t == TPdfToken::Keyword && lexer.Text() == "xref") return ReadTable(lexer.At(), next);
  if (t == TPdfToken::Int) return ReadXrefStream(at, next);
  return false;
}

bool TPdfDocument::ReadTable(std::size_t at, std::vector<std::uint64_t>& next) {
  TPdfLexer lexer(Bytes_, at);
  for (;;) {
    const TPdfToken t = lexer.Next();
    if (t == TPdfToken::Keyword && lexer.Text() == "trailer") break;
    if (t != TPdfToken::Int) return false;
    const std::int64_t first = lexer.Int();
    if (lexer.Next() != TPdfToken::Int) return false;
    const std::int64_t count = lexer.Int();
    if (first < 0 || count < 0) return false;
    for (std::int64_t i = 0; i < count; ++i) {
      // Each entry is an offset, a generation and n or f, whatever its line's length.
      if (lexer.Next() != TPdfToken::Int) return false;
      const std::int64_t offset = lexer.Int();
      if (lexer.Next() != TPdfToken::Int) return false;
      const std::int64_t gen = lexer.Int();
      if (lexer.Next() != TPdfToken::Keyword || (lexer.Text() != "n" && lexer.Text() != "f")) return false;
      const std::int64_t num = first + i;
      if (num > 0x7FFFFFFF) continue;
      if (Entries_.count(static_cast<std::uint32_t>(num))) continue;  // a newer revision has it
      TEntry entry;
      entry.Type = lexer.Text() == "n" && offset > 0 ? 1 : 0;
      entry.Offset = static_cast<std::uint64_t>(std::max<std::int64_t>(offset, 0));
      entry.Gen = static_cast<std::uint32_t>(std::clamp<std::int64_t>(gen, 0, 0xFFFF));
      Entries_.emplace(static_cast<std::uint32_t>(num), entry);
    }
  }
  const TPdfObject trailer = ParsePdfObject(lexer);
  const TPdfDict& dict = trailer.AsDict();
  MergeTrailer(dict);
  // A hybrid file's stream of the same revision comes before the older revisions.
  if (const std::int64_t stm = dict.Get("XRefStm").AsInt(-1); stm >= 0) next.insert(next.begin(), static_cast<std::uint64_t>(stm));
  if (const std::int64_t prev = dict.Get("Prev").AsInt(-1); prev >= 0) next.push_back(static_cast<std::uint64_t>(prev));
  return true;
}

bool TPdfDocument::ReadXrefStream(std::size_t at, std::vector<std::uint64_t>& next) {
  TPdfLexer lexer(Bytes_, at);
  const std::optional<TPdfRef> head = ParsePdfObjectHead(lexer);
  if (!head) return false;
  const TPdfObject stream = ReadBody(lexer.At(), *head);
  const TPdfDict& dict = stream.AsDict();
  if (stream.Type() != TPdfType::Stream || !dict.Get("Type").IsName("XRef")) return false;
  const std::optional<std::string> data = Decode(stream, false);  // never encrypted
  if (!data) return false;
  const std::vector<TPdfObject>& w = dict.Get("W").AsArray();
  if (w.size() < 3) return false;
  int widths[3];
  int rowSize = 0;
  for (int k = 0; k < 3; ++k) {
    widths[k] = static_cast<int>(std::clamp<std::int64_t>(w[static_cast<std::size_t>(k)].AsInt(0), 0, 8));
    rowSize += widths[k];
  }
  if (rowSize == 0) return false;
  std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
  const std::vector<TPdfObject>& index = dict.Get("Index").AsArray();
  for (std::size_t k = 0; k + 1 < index.size(); k += 2) ranges.emplace_back(index[k].AsInt(0), index[k + 1].AsInt(0));
  if (ranges.empty()) ranges.emplace_back(0, dict.Get("Size").AsInt(0));
  std::size_t row = 0;
  const std::size_t rows = data->size() / static_cast<std::size_t>(rowSize);
  for (const auto& [first, count] : ranges) {
    for (std::int64_t i = 0; i < count && row < rows; ++i, ++row) {
      const auto* p = reinterpret_cast<const std::uint8_t*>(data->data()) + row * static_cast<std::size_t>(rowSize);
      std::uint64_t field[3] = {1, 0, 0};  // a type field of no width is 1
      for (int k = 0; k < 3; ++k) {
        if (widths[k] == 0) continue;
        std::uint64_t v = 0;
        for (int b = 0; b < widths[k]; ++b) v = (v << 8) | *p++;
        field[k] = v;
      }
      const std::int64_t num = first + i;
      if (num < 0 || num > 0x7FFFFFFF || Entries_.count(static_cast<std::uint32_t>(num))) continue;
      TEntry entry;
      entry.Type = field[0] == 1 || field[0] == 2 ? static_cast<std::uint8_t>(field[0]) : 0;
      entry.Offset = field[1];
      entry.Gen = static_cast<std::uint32_t>(std::min<std::uint64_t>(field[2], 0xFFFFFFFF));
      Entries_.emplace(static_cast<std::uint32_t>(num), entry);
    }
  }
  MergeTrailer(dict);
  if (const std::int64_t prev = dict.Get("Prev").AsInt(-1); prev >= 0) next.push_back(static_cast<std::uint64_t>(prev));
  return true;
}

void TPdfDocument::MergeTrailer(const TPdfDict& dict) {
  // The newest trailer's keys count; an older one fills in what it lacks.
  std::vector<std::pair<std::string, TPdfObject>> merged = Trailer_.Entries();
  for (const auto& [key, value] : dict.Entries())
    if (!Trailer_.Has(key) && key != "Prev" && key != "XRefStm") merged.emplace_back(key, value);
  Trailer_ = TPdfDict(std::move(merged));
}

void TPdfDocument::Rebuild() {
  if (Rebuilt_) return;
  Rebuilt_ = true;
  Entries_.clear();
  Loaded_.clear();
  ObjectStreams_.clear();
  Trailer_ = TPdfDict();
  // Every "num gen obj" in the file; a later one of a number is its newer revision.
  std::vector<std::uint32_t> streams;
  std::vector<std::pair<std::size_t, TPdfDict>> trailers;  // by where they stand
  TPdfObject catalog;
  for (std::size_t at = Bytes_.find("obj"); at != std::string_view::npos && !Interrupted();
       at = Bytes_.find("obj", at + 3)) {
    if (at + 3 < Bytes_.size() && !IsPdfSpace(static_cast<std::uint8_t>(Bytes_[at + 3])) &&
        !IsPdfDelimiter(static_cast<std::uint8_t>(Bytes_[at + 3])))
      continue;
    // Back over white space, the generation, white space and the number.
    std::size_t i = at;
    const auto back = [&](bool digits) {
      const std::size_t end = i;
      while (i > 0 && (digits ? IsDigit(Bytes_[i - 1]) : IsPdfSpace(static_cast<std::uint8_t>(Bytes_[i - 1])))) --i;
      return i < end;
    };
    if (!back(false) || !back(true) || !back(false) || !back(true)) continue;
    if (i > 0 && !IsPdfSpace(static_cast<std::uint8_t>(Bytes_[i - 1])) && !IsPdfDelimiter(static_cast<std::uint8_t>(Bytes_[i - 1])))
      continue;
    TPdfLexer lexer(Bytes_, i);
    const std::optional<TPdfRef> head = ParsePdfObjectHead(lexer);
    if (!head) continue;
    TEntry entry;
    entry.Type = 1;
    entry.Offset = i;
    entry.Gen = head->Gen;
    Entries_[head->Num] = entry;
    // Its dictionary, for the trailer's keys a cross-reference stream holds and
    // the objects an object stream holds.
    TPdfLexer body(Bytes_, lexer.At());
    if (body.Next() == TPdfToken::DictOpen) {
      body.Seek(lexer.At());
      const TPdfObject dict = ParsePdfObject(body);
      const TPdfObject& type = dict.AsDict().Get("Type");
      if (type.IsName("XRef")) trailers.emplace_back(i, dict.AsDict());
      if (type.IsName("ObjStm")) streams.push_back(head->Num);
      if (type.IsName("Catalog")) catalog = TPdfObject::Ref(head->Num, head->Gen);
    }
    at = std::max(at, lexer.At() - 3);
  }
  for (std::size_t at = Bytes_.find("trailer"); at != std::string_view::npos && !Interrupted();
       at = Bytes_.find("trailer", at + 7)) {
    TPdfLexer lexer(Bytes_, at + 7);
    trailers.emplace_back(at, ParsePdfObject(lexer).AsDict());
  }
  // The last trailer's keys first; an earlier one fills in what it lacks.
  std::stable_sort(trailers.begin(), trailers.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [at, dict] : trailers) MergeTrailer(dict);
  if (!catalog.IsNull() && (!Trailer_.Has("Root") || Catalog().AsDict().Empty())) {
    std::vector<std::pair<std::string, TPdfObject>> entries{{"Root", catalog}};
    for (const auto& entry : Trailer_.Entries())
      if (entry.first != "Root") entries.push_back(entry);
    Trailer_ = TPdfDict(std::move(entries));
  }
  // Objects kept in object streams, where no object of the file's own has their number.
  for (const std::uint32_t stream : streams) {
    const std::vector<std::pair<std::uint32_t, std::size_t>>& objects = ObjectStreamOf(stream).Objects;
    for (std::size_t k = 0; k < objects.size(); ++k) {
      const std::uint32_t num = objects[k].first;
      if (num == kNoObject || Entries_.count(num)) continue;
      TEntry entry;
      entry.Type = 2;
      entry.Offset = stream;
      entry.Gen = static_cast<std::uint32_t>(k);
      Entries_.emplace(num, entry);
    }
  }
}

TPdfObject TPdfDocument::Object(std::uint32_t num) {
  if (const auto loaded = Loaded_.find(num); loaded != Loaded_.end()) return loaded->second;
  if (Interrupted()) return {};
  if (std::find(Resolving_.begin(), Resolving_.end(), num) != Resolving_.end()) return {};  // a loop
  Resolving_.push_back(num);
  TPdfObject object = Load(num);
  Resolving_.pop_back();
  Loaded_.emplace(num, object);
  return object;
}

TPdfObject TPdfDocument::Load(std::uint32_t num) {
  auto entry = Entries_.find(num);
  if (entry == Entries_.end()) return {};
  if (entry->second.Type == 2)
    return LoadFromObjectStream(static_cast<std::uint32_t>(entry->second.Offset), entry->second.Gen, num);
  if (entry->second.Type != 1) return {};
  bool headFound = false;
  TPdfObject object = LoadAt(entry->second.Offset, num, headFound);
  if (!headFound && HeaderAt_ > 0) object = LoadAt(entry->second.Offset + HeaderAt_, num, headFound);
  if (!headFound && !Rebuilt_) {
    // The table points elsewhere than the object: the file's objects are found by a scan.
    Rebuild();
    entry = Entries_.find(num);
    if (entry == Entries_.end()) return {};
    if (entry->second.Type == 2)
      return LoadFromObjectStream(static_cast<std::uint32_t>(entry->second.Offset), entry->second.Gen, num);
    object = LoadAt(entry->second.Offset, num, headFound);
  }
  return object;
}

TPdfObject TPdfDocument::LoadAt(std::uint64_t offset, std::uint32_t num, bool& headFound) {
  headFound = false;
  if (offset >= Bytes_.size()) return {};
  TPdfLexer lexer(Bytes_, static_cast<std::size_t>(offset));
  const std::optional<TPdfRef> head = ParsePdfObjectHead(lexer);
  if (!head || head->Num != num) return {};
  headFound = true;
  TPdfObject object = ReadBody(lexer.At(), *head);
  if (Security_ && Security_->Access() == TPdfAccess::Open && num != EncryptObject_ &&
      !object.AsDict().Get("Type").IsName("XRef"))
    object = Decrypted(object, *head, 0);
  return object;
}

TPdfObject TPdfDocument::ReadBody(std::size_t at, TPdfRef ref) {
  TPdfLexer lexer(Bytes_, at);
  TPdfObject object = ParsePdfObject(lexer);
  if (object.Type() != TPdfType::Dict) return object;
  const std::size_t afterDict = lexer.At();
  if (lexer.Next() != TPdfToken::Keyword || lexer.Text() != "stream") {
    lexer.Seek(afterDict);
    return object;
  }
  // The data starts after the end of line that follows "stream".
  std::size_t start = lexer.At();
  if (start < Bytes_.size() && Bytes_[start] == '\r') ++start;
  if (start < Bytes_.size() && Bytes_[start] == '\n') ++start;
  // Its length as written, when "endstream" stands after it; else up to the
  // next "endstream", as readers of damaged files do.
  const TPdfObject& lengthEntry = object.AsDict().Get("Length");
  std::int64_t length = -1;
  if (lengthEntry.Type() == TPdfType::Ref) {
    if (lengthEntry.AsRef().Num != ref.Num) length = Object(lengthEntry.AsRef().Num).AsInt(-1);
  } else {
    length = lengthEntry.AsInt(-1);
  }
  bool fits = false;
  if (length >= 0 && static_cast<std::uint64_t>(length) <= Bytes_.size() - start) {
    TPdfLexer after(Bytes_, start + static_cast<std::size_t>(length));
    after.Next();
    fits = after.IsKeyword("endstream") || after.IsKeyword("endobj");
  }
  if (!fits) {
    const std::size_t end = Bytes_.find("endstream", start);
    std::size_t stop = end == std::string_view::npos ? Bytes_.size() : end;
    // The end of line before "endstream" is no data.
    if (stop > start && Bytes_[stop - 1] == '\n') --stop;
    if (stop > start && Bytes_[stop - 1] == '\r') --stop;
    length = static_cast<std::int64_t>(stop - start);
  }
  TPdfStreamData data;
  data.Offset = start;
  data.Length = static_cast<std::uint64_t>(length);
  data.Owner = ref;
  return TPdfObject::Stream(object.AsDict(), std::move(data));
}

const TPdfDocument::TObjectStream& TPdfDocument::ObjectStreamOf(std::uint32_t stream) {
  if (const auto found = ObjectStreams_.find(stream); found != ObjectStreams_.end()) return found->second;
  TObjectStream decoded;
  const TPdfObject object = Object(stream);
  if (std::optional<std::string> data = Decode(object, true)) {
    decoded.Data = std::make_shared<const std::string>(std::move(*data));
    const TPdfDict& dict = object.AsDict();
    const std::int64_t first = dict.Get("First").AsInt(0);
    // No more objects than the data has room for, whatever /N says.
    const std::int64_t n = std::min<std::int64_t>(dict.Get("N").AsInt(0), static_cast<std::int64_t>(decoded.Data->size() / 4));
    TPdfLexer lexer(*decoded.Data);
    for (std::int64_t k = 0; k < n; ++k) {
      if (lexer.Next() != TPdfToken::Int) break;
      const std::int64_t number = lexer.Int();
      if (lexer.Next() != TPdfToken::Int) break;
      const std::int64_t offset = first + lexer.Int();
      if (number < 0 || number > 0x7FFFFFFF || offset < 0 || offset >= static_cast<std::int64_t>(decoded.Data->size()))
        decoded.Objects.emplace_back(kNoObject, 0);
      else
        decoded.Objects.emplace_back(static_cast<std::uint32_t>(number), static_cast<std::size_t>(offset));
    }
  }
  return ObjectStreams_.emplace(stream, std::move(decoded)).first->second;
}

TPdfObject TPdfDocument::LoadFromObjectStream(std::uint32_t stream, std::uint32_t index, std::uint32_t num) {
  const TObjectStream& s = ObjectStreamOf(stream);
  // By its index, or else by its number among the stream's objects.
  std::size_t at = static_cast<std::size_t>(-1);
  if (index < s.Objects.size() && s.Objects[index].first == num) at = s.Objects[index].second;
  for (std::size_t k = 0; at == static_cast<std::size_t>(-1) && k < s.Objects.size(); ++k)
    if (s.Objects[k].first == num) at = s.Objects[k].second;
  if (!s.Data || at == static_cast<std::size_t>(-1)) return {};
  TPdfLexer lexer(*s.Data, at);
  TPdfObject object = ParsePdfObject(lexer);
  // Streams are never in object streams; a stream's data would lie in the
  // decoded data, which this object doesn't keep: a dictionary it is.
  return object;
}

std::string_view TPdfDocument::RawData(const TPdfStreamData& data) const {
  const std::string_view source = data.Source ? std::string_view(*data.Source) : Bytes_;
  if (data.Offset >= source.size()) return {};
  const auto offset = static_cast<std::size_t>(data.Offset);
  return source.substr(offset, static_cast<std::size_t>(std::min<std::uint64_t>(data.Length, source.size() - offset)));
}

TPdfObject TPdfDocument::Resolve(const TPdfObject& object) {
  TPdfObject current = object;
  for (std::size_t k = 0; k < kMaxChain && current.Type() == TPdfType::Ref; ++k) current = Object(current.AsRef().Num);
  return current.Type() == TPdfType::Ref ? TPdfObject() : current;
}

std::optional<std::string> TPdfDocument::StreamData(const TPdfObject& stream) {
  if (stream.Type() != TPdfType::Stream || Interrupted()) return std::nullopt;
  return Decode(stream, true);
}

std::optional<std::string> TPdfDocument::Decode(const TPdfObject& stream, bool decrypt) {
  const TPdfStreamData& data = stream.AsStreamData();
  const TPdfDict& dict = stream.AsDict();
  std::string_view raw = RawData(data);
  std::optional<std::string> plain;
  // The objects of an object stream are decrypted with the stream, never on their own.
  if (decrypt && Security_ && !data.Source) {
    plain = Security_->DecryptStream(raw, data.Owner, dict);
    if (!plain) return std::nullopt;
    raw = *plain;
  }
  const TPdfObject filter = Resolve(dict.Get("Filter"));
  const TPdfObject parms = Resolve(dict.Get("DecodeParms"));
  // Each part of a chain's parameters resolved as well.
  std::vector<TPdfObject> parts;
  if (parms.Type() == TPdfType::Array) {
    for (const TPdfObject& part : parms.AsArray()) parts.push_back(Resolve(part));
  }
  std::vector<TPdfObject> filters;
  if (filter.Type() == TPdfType::Array) {
    for (const TPdfObject& name : filter.AsArray()) filters.push_back(Resolve(name));
  }
  TPdfDecoded decoded =
      PdfDecode(raw, filters.empty() ? filter : TPdfObject::Array(std::move(filters)),
                parts.empty() ? parms : TPdfObject::Array(std::move(parts)), Budget_, Budget_.Left());
  switch (decoded.End) {
    case TPdfDecodeEnd::Image:
    case TPdfDecodeEnd::Unsupported: return std::nullopt;
    case TPdfDecodeEnd::Damaged:  // what came before the damage is read, as viewers show it
    case TPdfDecodeEnd::Limited:
    case TPdfDecodeEnd::Done: break;
  }
  return std::move(decoded.Bytes);
}

TPdfObject TPdfDocument::Decrypted(const TPdfObject& object, TPdfRef ref, int depth) const {
  switch (object.Type()) {
    case TPdfType::String: return TPdfObject::String(Security_->DecryptString(object.AsString(), ref));
    case TPdfType::Array: {
      if (depth >= kMaxPdfNesting) return object;
      std::vector<TPdfObject> items;
      for (const TPdfObject& item : object.AsArray()) items.push_back(Decrypted(item, ref, depth + 1));
      return TPdfObject::Array(std::move(items));
    }
    case TPdfType::Dict:
    case TPdfType::Stream: {
      if (depth >= kMaxPdfNesting) return object;
      std::vector<std::pair<std::string, TPdfObject>> entries;
      for (const auto& [key, value] : object.AsDict().Entries()) entries.emplace_back(key, Decrypted(value, ref, depth + 1));
      TPdfDict dict(std::move(entries));
      return object.Type() == TPdfType::Dict ? TPdfObject::Dict(std::move(dict))
                                             : TPdfObject::Stream(std::move(dict), object.AsStreamData());
    }
    default: return object;
  }
}

}  // namespace sorvik
