#include "PdfContent.h"

#include <algorithm>
#include <cmath>

#include "PdfLexer.h"
#include "PdfParser.h"
#include "UnicodeText.h"

namespace sorvik {

namespace {

// A move along the line wider than this share of the font's size is a blank
// between words; kerning between letters stays well under it.
constexpr double kWordGap = 0.12;
// A move across the line more than this share of the size begins a new line.
constexpr double kLineGap = 0.5;
// A move back along the line more than this share of the size (text drawn
// out of order) parts words too.
constexpr double kBackGap = 1.0;
constexpr std::size_t kMaxSavedStates = 256;
constexpr int kMaxFormDepth = 12;
constexpr std::size_t kMaxOperands = 64;
constexpr std::size_t kFlushAt = 16 << 10;

double Number(const std::vector<TPdfObject>& operands, std::size_t i) {
  return i < operands.size() ? operands[i].AsNumber(0) : 0;
}

bool IsBlank(std::u32string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char32_t c) {
    return c == U' ' || c == U'\t' || c == 0xA0 || c == U'\n' || c == U'\r';
  });
}

bool IsRightToLeft(char32_t c) {
  return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) ||
         (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF);
}

bool IsDigit(char32_t c) { return (c >= U'0' && c <= U'9') || (c >= 0x0660 && c <= 0x0669) || (c >= 0x06F0 && c <= 0x06F9); }

// Neither a letter of a left-to-right script nor of a right-to-left one:
// blanks, digits, punctuation, which take the direction of what surrounds them.
bool IsNeutral(char32_t c) {
  return !IsRightToLeft(c) && (c < 0x80 ? !((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z')) : c < 0xC0 || (c >= 0x2000 && c <= 0x206F));
}

}  // namespace

void PutInReadingOrder(std::u32string& line, std::vector<double>& at) {
  const std::size_t n = line.size();
  for (std::size_t i = 0; i < n;) {
    if (!IsRightToLeft(line[i])) {
      ++i;
      continue;
    }
    // The run: right-to-left letters and the neutral characters between them.
    std::size_t last = i;
    for (std::size_t k = i + 1; k < n && (IsRightToLeft(line[k]) || IsNeutral(line[k])); ++k)
      if (IsRightToLeft(line[k])) last = k;
    // Drawn left to right, as it shows: read from its right end. Drawn from
    // the right, it is in reading order already.
    if (at[last] > at[i]) {
      std::reverse(line.begin() + static_cast<std::ptrdiff_t>(i), line.begin() + static_cast<std::ptrdiff_t>(last + 1));
      std::reverse(at.begin() + static_cast<std::ptrdiff_t>(i), at.begin() + static_cast<std::ptrdiff_t>(last + 1));
      // Numbers inside keep the order they show in.
      for (std::size_t k = i; k <= last;) {
        if (!IsDigit(line[k])) {
          ++k;
          continue;
        }
        std::size_t e = k;
        while (e + 1 <= last && (IsDigit(line[e + 1]) || ((line[e + 1] == U'.' || line[e + 1] == U',') && e + 2 <= last && IsDigit(line[e + 2]))))
          ++e;
        std::reverse(line.begin() + static_cast<std::ptrdiff_t>(k), line.begin() + static_cast<std::ptrdiff_t>(e + 1));
        k = e + 1;
      }
    }
    i = last + 1;
  }
}

TPdfContentReader::TMatrix TPdfContentReader::TMatrix::Times(const TMatrix& m) const {
  return {A * m.A + B * m.C, A * m.B + B * m.D, C * m.A + D * m.C, C * m.B + D * m.D, E * m.A + F * m.C + m.E,
          E * m.B + F * m.D + m.F};
}

TPdfContentReader::TPdfContentReader(IPdfObjects& objects, TPdfFontMaker makeFont, TPdfTextOut out)
    : Objects_(objects), MakeFont_(std::move(makeFont)), Out_(std::move(out)) {}

void TPdfContentReader::ReadPage(std::string_view content, const TPdfDict& resources, const double* box) {
  HasBox_ = box != nullptr;
  if (box) std::copy(box, box + 4, Box_);
  State_ = TState();
  Saved_.clear();
  Tm_ = Tlm_ = TMatrix();
  HasLast_ = false;
  Run(content, resources, 0);
  EndLine();
  if (!Pending_.empty()) {
    Out_(Pending_);
    Pending_.clear();
  }
  HasBox_ = false;
}

void TPdfContentReader::Run(std::string_view content, const TPdfDict& resources, int depth) {
  TPdfLexer lexer(content);
  std::vector<TPdfObject> operands;
  for (;;) {
    if ((++Operators_ & 1023) == 0 && Interrupted_ && Interrupted_()) Stopped_ = true;
    if (Stopped_) return;
    const TPdfToken t = lexer.Next();
    if (t == TPdfToken::End) return;
    if (t == TPdfToken::Keyword && lexer.Text() != "true" && lexer.Text() != "false" && lexer.Text() != "null") {
      const std::string op = lexer.Text();
      if (op == "BI") {
        // An inline image: its dictionary, "ID", one blank, the data, and "EI"
        // between blanks; the data is never text.
        while (lexer.Next() != TPdfToken::End && !lexer.IsKeyword("ID")) {
        }
        const std::string_view bytes = lexer.Bytes();
        std::size_t at = lexer.At() + 1;
        for (;;) {
          at = bytes.find("EI", at);
          if (at == std::string_view::npos) return;
          const bool before = at > 0 && IsPdfSpace(static_cast<std::uint8_t>(bytes[at - 1]));
          const bool after = at + 2 >= bytes.size() || IsPdfSpace(static_cast<std::uint8_t>(bytes[at + 2]));
          if (before && after) break;
          at += 2;
        }
        lexer.Seek(at + 2);
        operands.clear();
        continue;
      }
      Operator(op, operands, resources, depth);
      operands.clear();
      continue;
    }
    operands.push_back(ParsePdfObjectFrom(lexer, t));
    if (operands.size() > kMaxOperands) operands.erase(operands.begin());
  }
}

void TPdfContentReader::Operator(const std::string& op, std::vector<TPdfObject>& operands, const TPdfDict& resources,
                                 int depth) {
  TState& s = State_;
  if (op.size() == 2 && op[0] == 'T') {
    switch (op[1]) {
      case 'f':
        if (!operands.empty()) s.Font = FontNamed(operands[0].AsName(), resources);
        s.Size = Number(operands, 1);
        return;
      case 'c': s.CharSpace = Number(operands, 0); return;
      case 'w': s.WordSpace = Number(operands, 0); return;
      case 'z': s.Scale = Number(operands, 0) / 100; return;
      case 'L': s.Leading = Number(operands, 0); return;
      case 's': s.Rise = Number(operands, 0); return;
      case 'd': MoveText(Number(operands, 0), Number(operands, 1)); return;
      case 'D':
        s.Leading = -Number(operands, 1);
        MoveText(Number(operands, 0), Number(operands, 1));
        return;
      case 'm':
        Tlm_ = Tm_ = {Number(operands, 0), Number(operands, 1), Number(operands, 2),
                      Number(operands, 3), Number(operands, 4), Number(operands, 5)};
        return;
      case '*': MoveText(0, -s.Leading); return;
      case 'j':
        if (!operands.empty()) Show(operands.back().AsString());
        return;
      case 'J':
        if (operands.empty()) return;
        for (const TPdfObject& item : operands.back().AsArray()) {
          if (item.Type() == TPdfType::String) {
            Show(item.AsString());
          } else if (item.IsNumber()) {
            // A number moves the next glyph back by thousandths of the font's size.
            const double move = -item.AsNumber() / 1000 * s.Size;
            if (s.Font && s.Font->Vertical())
              Tm_ = TMatrix{1, 0, 0, 1, 0, move}.Times(Tm_);
            else
              Tm_ = TMatrix{1, 0, 0, 1, move * s.Scale, 0}.Times(Tm_);
          }
        }
        return;
      default: return;
    }
  }
  if (op == "'") {
    MoveText(0, -s.Leading);
    if (!operands.empty()) Show(operands.back().AsString());
  } else if (op == "\"") {
    s.WordSpace = Number(operands, 0);
    s.CharSpace = Number(operands, 1);
    MoveText(0, -s.Leading);
    if (!operands.empty()) Show(operands.back().AsString());
  } else if (op == "BT") {
    Tm_ = Tlm_ = TMatrix();
  } else if (op == "cm") {
    s.Ctm = TMatrix{Number(operands, 0), Number(operands, 1), Number(operands, 2),
                    Number(operands, 3), Number(operands, 4), Number(operands, 5)}.Times(s.Ctm);
  } else if (op == "q") {
    if (Saved_.size() < kMaxSavedStates) Saved_.push_back(s);
  } else if (op == "Q") {
    if (!Saved_.empty()) {
      s = Saved_.back();
      Saved_.pop_back();
    }
  } else if (op == "Do") {
    if (!operands.empty()) DrawForm(operands[0].AsName(), resources, depth);
  }
}

void TPdfContentReader::MoveText(double tx, double ty) {
  Tlm_ = TMatrix{1, 0, 0, 1, tx, ty}.Times(Tlm_);
  Tm_ = Tlm_;
}

void TPdfContentReader::Show(const std::string& bytes) {
  const TState& s = State_;
  if (!s.Font || bytes.empty()) return;
  Glyphs_.clear();
  GlyphText_.clear();
  s.Font->Decode(bytes, Glyphs_, GlyphText_);
  const bool vertical = s.Font->Vertical();
  // Each glyph moves the text matrix along its own x axis (y for a vertical
  // font) only: its place on the page is the first glyph's plus the advance
  // so far along that axis, as the text space maps it onto the page.
  const TMatrix text = Tm_.Times(s.Ctm);
  const double stepX = vertical ? text.C : text.A, stepY = vertical ? text.D : text.B;
  const double originX = s.Rise * text.C + text.E, originY = s.Rise * text.D + text.F;
  const double size = std::abs(s.Size) * std::hypot(text.C, text.D);  // the font's size on the page
  const double step = std::hypot(stepX, stepY);
  const double dirX = step > 1e-12 ? stepX / step : 1, dirY = step > 1e-12 ? stepY / step : 0;
  double advance = 0;
  for (const TPdfShownGlyph& glyph : Glyphs_) {
    const double spacing = s.CharSpace + (glyph.WordSpace ? s.WordSpace : 0);
    const double move = vertical ? -(glyph.Width * s.Size + spacing) : (glyph.Width * s.Size + spacing) * s.Scale;
    const double x = originX + advance * stepX, y = originY + advance * stepY;
    advance += move;
    Place(std::u32string_view(GlyphText_).substr(glyph.TextAt, glyph.TextLength), x, y, originX + advance * stepX,
          originY + advance * stepY, size, dirX, dirY);
  }
  if (vertical)
    Tm_ = TMatrix{1, 0, 0, 1, 0, advance}.Times(Tm_);
  else
    Tm_ = TMatrix{1, 0, 0, 1, advance, 0}.Times(Tm_);
}

void TPdfContentReader::Place(std::u32string_view text, double x, double y, double endX, double endY, double size,
                              double dirX, double dirY) {
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(endX) || !std::isfinite(endY)) return;
  // Text placed off the page is never seen.
  if (HasBox_ && (x < Box_[0] || x > Box_[2] || y < Box_[1] || y > Box_[3])) return;
  if (HasLast_) {
    const double dx = x - LastX_, dy = y - LastY_;
    const double along = dx * DirX_ + dy * DirY_;
    const double across = -dx * DirY_ + dy * DirX_;
    const double ref = std::max(LastSize_, size);
    if (std::abs(across) > kLineGap * ref)
      EndLine();
    else if (along > kWordGap * ref || along < -kBackGap * ref)
      Blank();
  }
  // The line's direction: where the glyph advances to, or else its text's axis.
  if (endX != x || endY != y) {
    const bool forward = (endX - x) * dirX + (endY - y) * dirY >= 0;
    DirX_ = forward ? dirX : -dirX;
    DirY_ = forward ? dirY : -dirY;
  } else {
    DirX_ = dirX;
    DirY_ = dirY;
  }
  if (Line_.empty()) {
    LineX_ = x;
    LineY_ = y;
    LineDirX_ = DirX_;
    LineDirY_ = DirY_;
  }
  LastX_ = endX;
  LastY_ = endY;
  LastSize_ = size;
  HasLast_ = true;
  if (IsBlank(text)) {
    Blank();
    return;
  }
  // Where along its line the glyph stands: the order right-to-left text was drawn in.
  const double at = (x - LineX_) * LineDirX_ + (y - LineY_) * LineDirY_;
  for (const char32_t c : text) {
    if (c == U'\n' || c == U'\r') {
      EndLine();
      continue;
    }
    Line_.push_back(c);
    LineAt_.push_back(at);
  }
  if (Line_.size() >= kFlushAt) EndLine();  // a line without end goes out in parts
}

void TPdfContentReader::Blank() {
  if (Line_.empty() || Line_.back() == U' ') return;
  Line_.push_back(U' ');
  LineAt_.push_back(LineAt_.back());
}

void TPdfContentReader::EndLine() {
  while (!Line_.empty() && Line_.back() == U' ') {
    Line_.pop_back();
    LineAt_.pop_back();
  }
  if (Line_.empty()) return;
  PutInReadingOrder(Line_, LineAt_);
  for (const char32_t c : Line_) AppendUtf8(Pending_, c);
  Pending_.push_back('\n');
  Line_.clear();
  LineAt_.clear();
  if (Pending_.size() >= kFlushAt) {
    Out_(Pending_);
    Pending_.clear();
  }
}

void TPdfContentReader::DrawForm(const std::string& name, const TPdfDict& resources, int depth) {
  if (depth >= kMaxFormDepth) return;
  const TPdfObject forms = Objects_.Resolve(resources.Get("XObject"));
  const TPdfObject entry = forms.AsDict().Get(name);
  const std::uint32_t num = entry.Type() == TPdfType::Ref ? entry.AsRef().Num : 0;
  if (num != 0 && std::find(Forms_.begin(), Forms_.end(), num) != Forms_.end()) return;  // draws itself
  const TPdfObject form = Objects_.Resolve(entry);
  const TPdfDict& dict = form.AsDict();
  if (form.Type() != TPdfType::Stream || !dict.Get("Subtype").IsName("Form")) return;
  const std::optional<std::string> content = Objects_.StreamData(form);
  if (!content) return;
  const TState saved = State_;
  const TMatrix savedTm = Tm_, savedTlm = Tlm_;
  const TPdfObject matrix = Objects_.Resolve(dict.Get("Matrix"));
  const std::vector<TPdfObject>& m = matrix.AsArray();
  if (m.size() == 6)
    State_.Ctm = TMatrix{m[0].AsNumber(1), m[1].AsNumber(0), m[2].AsNumber(0),
                         m[3].AsNumber(1), m[4].AsNumber(0), m[5].AsNumber(0)}.Times(State_.Ctm);
  const TPdfObject own = Objects_.Resolve(dict.Get("Resources"));
  Forms_.push_back(num);
  const std::size_t savedDepth = Saved_.size();
  Run(*content, own.AsDict().Empty() ? resources : own.AsDict(), depth + 1);
  Saved_.resize(std::min(Saved_.size(), savedDepth));
  Forms_.pop_back();
  State_ = saved;
  Tm_ = savedTm;
  Tlm_ = savedTlm;
}

std::shared_ptr<const IPdfGlyphs> TPdfContentReader::FontNamed(const std::string& name, const TPdfDict& resources) {
  const TPdfObject fonts = Objects_.Resolve(resources.Get("Font"));
  const TPdfObject entry = fonts.AsDict().Get(name);
  if (entry.Type() == TPdfType::Ref) {
    const std::uint32_t num = entry.AsRef().Num;
    if (const auto known = Fonts_.find(num); known != Fonts_.end()) return known->second;
    std::shared_ptr<const IPdfGlyphs> font = MakeFont_(Objects_, Objects_.Resolve(entry));
    Fonts_.emplace(num, font);
    return font;
  }
  return entry.Type() == TPdfType::Dict ? MakeFont_(Objects_, entry) : nullptr;
}

}  // namespace sorvik
