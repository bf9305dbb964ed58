// A page's text from its content streams: the text operators with their
// state (font, size, spacing, scaling, rise, the text and line matrices, the
// transformation matrix and its saved states), forms drawn with Do, inline
// images passed over. Where each glyph stands decides where a word ends and a
// line begins: a move along the line wider than a fraction of the font's size
// is a blank, a move across it a new line, whether the producer drew a word
// per operator, a line per TJ with kerning between letters, or a glyph at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "PdfObject.h"

namespace sorvik {

// One glyph of a shown string, as a font gives it.
struct TPdfShownGlyph {
  // What it stands for: characters of the text Decode filled (none: nothing known).
  std::uint32_t TextAt = 0, TextLength = 0;
  double Width = 0;        // its advance, in text space per unit of font size (1/1000 of glyph space for most fonts)
  bool WordSpace = false;  // a one-byte code 32: word spacing applies
};

// A font as the content reader uses it.
class IPdfGlyphs {
 public:
  virtual ~IPdfGlyphs() = default;
  // The glyphs of a string's bytes, in order (at most one per byte), their
  // characters appended to `text`.
  virtual void Decode(std::string_view bytes, std::vector<TPdfShownGlyph>& out, std::u32string& text) const = 0;
  // Written top to bottom (a vertical CMap): glyphs advance down.
  virtual bool Vertical() const { return false; }
};

// Makes the font of a font dictionary (resolved), asking the file for what
// it refers to; null when it can't be had.
using TPdfFontMaker = std::function<std::shared_ptr<const IPdfGlyphs>(IPdfObjects& objects, const TPdfObject& fontDict)>;

// Where the page's text goes: UTF-8, a line feed after each line.
using TPdfTextOut = std::function<void(std::string_view utf8)>;

// A line's right-to-left runs (Hebrew, Arabic and the like, with the blanks,
// digits and punctuation between their letters) in the order they are read:
// a run whose glyphs were drawn left to right, as it shows, is turned around,
// its numbers kept as they show; one drawn from the right stays. `at` holds
// each character's place along the line, and is turned with it.
void PutInReadingOrder(std::u32string& line, std::vector<double>& at);

class TPdfContentReader {
 public:
  TPdfContentReader(IPdfObjects& objects, TPdfFontMaker makeFont, TPdfTextOut out);

  // Reads a page's content with its resources; the text goes out as it is
  // found, a line at a time. `box`, when given (left, bottom, right, top in
  // the page's default space), is what the page shows: text outside it is passed over.
  void ReadPage(std::string_view content, const TPdfDict& resources, const double* box = nullptr);
  // Asked between operators now and then; true stops the reading.
  void SetInterrupt(std::function<bool()> interrupted) { Interrupted_ = std::move(interrupted); }

 private:
  struct TMatrix {
    double A = 1, B = 0, C = 0, D = 1, E = 0, F = 0;
    TMatrix Times(const TMatrix& m) const;  // this, then m
  };
  struct TState {
    TMatrix Ctm;
    std::shared_ptr<const IPdfGlyphs> Font;
    double Size = 0, CharSpace = 0, WordSpace = 0, Scale = 1, Leading = 0, Rise = 0;
  };
  void Run(std::string_view content, const TPdfDict& resources, int depth);
  void Operator(const std::string& op, std::vector<TPdfObject>& operands, const TPdfDict& resources, int depth);
  void Show(const std::string& bytes);
  void MoveText(double tx, double ty);
  void DrawForm(const std::string& name, const TPdfDict& resources, int depth);
  std::shared_ptr<const IPdfGlyphs> FontNamed(const std::string& name, const TPdfDict& resources);
  // Puts a glyph's text at its place: a blank or a line feed first where its place says so.
  // `dirX`, `dirY`: the text's axis on the page, of length 1.
  void Place(std::u32string_view text, double x, double y, double advanceX, double advanceY, double size,
             double dirX, double dirY);
  void Blank();
  // The line's text in reading order, then a line feed.
  void EndLine();

  IPdfObjects& Objects_;
  TPdfFontMaker MakeFont_;
  TPdfTextOut Out_;
  std::function<bool()> Interrupted_;
  bool Stopped_ = false;
  std::size_t Operators_ = 0;
  std::unordered_map<std::uint32_t, std::shared_ptr<const IPdfGlyphs>> Fonts_;  // by the font dictionary's number
  std::vector<std::uint32_t> Forms_;  // the forms being drawn: one drawing itself is passed over
  TState State_;
  std::vector<TState> Saved_;
  TMatrix Tm_, Tlm_;
  std::vector<TPdfShownGlyph> Glyphs_;
  std::u32string GlyphText_;  // the characters of Glyphs_
  // Where the last glyph ended, in device space, the direction of its line and
  // the size of its font there: the next glyph's place is judged against them.
  bool HasLast_ = false;
  double LastX_ = 0, LastY_ = 0, DirX_ = 1, DirY_ = 0, LastSize_ = 0;
  // The open line: its characters and where along it each one's glyph stands.
  std::u32string Line_;
  std::vector<double> LineAt_;
  double LineX_ = 0, LineY_ = 0, LineDirX_ = 1, LineDirY_ = 0;
  std::string Pending_;  // lines not yet given out
  bool HasBox_ = false;
  double Box_[4] = {0, 0, 0, 0};
};

}  // namespace sorvik
