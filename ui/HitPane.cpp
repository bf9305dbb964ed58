#include "HitPane.h"

#include <climits>

#include <algorithm>
#include <utility>

#include "Clipboard.h"
#include "Gdi.h"
#include "WinMessages.h"
#include "WinText.h"
#include "Win32Handles.h"

namespace sorvik {

namespace {

constexpr int kListId = 100;  // not IDOK or IDCANCEL: the dialog manager sends those for Enter and Escape
// The marks: a highlighter's yellow with black text, plain on a selected line too.
constexpr COLORREF kMarkBack = RGB(255, 230, 0);
constexpr COLORREF kMarkText = RGB(0, 0, 0);
// The narrowest text a line is cut to, in characters.
constexpr std::size_t kMinColumns = 8;
// The gutter holds at least this many digits, so that short files line up alike.
constexpr std::size_t kMinDigits = 3;

std::size_t Digits(std::int64_t n) {
  std::size_t digits = 1;
  for (; n >= 10; n /= 10) ++digits;
  return digits;
}

// Draws UTF-8 text at x, clipped to `clip`; returns its width.
int TextWidth(HDC dc, const std::string& utf8) {
  const std::wstring text = Widen(utf8);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// The UTF-16 index of each UTF-8 byte index of `utf8` (and of its end).
std::vector<int> Utf16Index(const std::string& utf8) {
  std::vector<int> index(utf8.size() + 1, 0);
  int units = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    index[i] = units;
    const auto b = static_cast<unsigned char>(utf8[i]);
    if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
  }
  index[utf8.size()] = units;
  return index;
}

}  // namespace

THitPane::THitPane(HWND parent, int id, HFONT font) {
  RegisterClassOnce(kClassName);
  CreateHandle(kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, 0, 0, 10, 10, parent,
               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  SetFont(font);  // the metrics first: the list asks for its lines' height as it is made
  List_ = CreateChild(Handle(), WC_LISTBOXW, L"",
                      WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_EXTENDEDSEL |
                          LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                      kListId, font, WS_EX_CLIENTEDGE, RECT{0, 0, 10, 10});
  SetFont(font);  // and now the list's
  const HWND self = Handle();
  Job_.SetNotify([self] { PostMessageW(self, WM_SORVIK_HITLINES, 0, 0); });
  Job_.SetLimits(THitJob::kPaneLimits);
  SetNote(HitNote(THitJobState::Idle, 0, true));
}

THitPane::~THitPane() { Job_.Cancel(); }

void THitPane::SetFont(HFONT font) {
  Font_ = font;
  const TWindowDC dc(Handle());
  if (dc) {
    const TSelected use(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc.get(), &tm);
    SIZE digits{};
    GetTextExtentPoint32W(dc.get(), L"0123456789", 10, &digits);
    LineHeight_ = std::max<int>(tm.tmHeight, 1);
    CharWidth_ = std::max<int>(tm.tmAveCharWidth, 1);
    DigitWidth_ = std::max<int>(digits.cx / 10, 1);
    Pad_ = std::max(LineHeight_ / 8, 1);
  }
  EntryWidth_ = 0;
  MeasureEntries(Lines_);
  if (List_) {
    SendMessageW(List_, LB_SETITEMHEIGHT, 0, MAKELPARAM(LineHeight_ + Pad_, 0));
    Layout();
    InvalidateRect(List_, nullptr, TRUE);
  }
  InvalidateRect(Handle(), nullptr, TRUE);
}

void THitPane::MeasureEntries(const std::vector<THitLine>& lines) {
  const TWindowDC dc(Handle());
  if (!dc) return;
  const TSelected use(dc.get(), Font_ ? static_cast<HGDIOBJ>(Font_) : GetStockObject(DEFAULT_GUI_FONT));
  for (const THitLine& line : lines)
    if (!line.Entry.empty()) EntryWidth_ = std::max(EntryWidth_, TextWidth(dc.get(), line.Entry));
}

void THitPane::Layout() {
  RECT r{};
  GetClientRect(Handle(), &r);
  const int top = std::min<int>(NoteHeight(), r.bottom);
  MoveWindow(List_, 0, top, r.right, r.bottom - top, TRUE);
}

std::size_t THitPane::Columns(int width) const {
  return std::max<std::size_t>(static_cast<std::size_t>(std::max(width, 0) / CharWidth_), kMinColumns);
}

THitLine THitPane::FitLine(HDC dc, const THitLine& line, int room) const {
  // The average width guesses the columns; the text's own widths decide: the
  // widest cut that fits, found between the narrowest and twice the guess.
  std::size_t lo = kMinColumns, hi = std::max(Columns(room) * 2, kMinColumns);
  THitLine best = CutHitLine(line, lo);
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo + 1) / 2;
    THitLine cut = CutHitLine(line, mid);
    if (TextWidth(dc, cut.Text) <= room) {
      lo = mid;
      best = std::move(cut);
      if (best.Text == line.Text) break;  // whole
    } else {
      hi = mid - 1;
    }
  }
  return best;
}

void THitPane::SetNote(std::string note) {
  if (note == Note_) return;
  Note_ = std::move(note);
  if (!Handle()) return;  // gone with its parent: nothing to paint
  RECT strip{};
  GetClientRect(Handle(), &strip);
  strip.bottom = std::min<LONG>(strip.bottom, NoteHeight());
  InvalidateRect(Handle(), &strip, TRUE);
}

void THitPane::ShowFile(const std::string& path, std::shared_ptr<const TWordSet> words, bool inside) {
  if (path == Path_ && words == Words_ && inside == Inside_) return;
  Path_ = path;
  Words_ = std::move(words);
  Inside_ = inside;
  Lines_.clear();
  NumberDigits_ = kMinDigits;
  EntryWidth_ = 0;
  SendMessageW(List_, LB_SETCOUNT, 0, 0);
  const bool hasWords = Words_ && !Words_->Words().empty();
  // A switch a moment after the last one is a move on the way (a key held
  // down, say): its file is read only once the moves rest, so that the files
  // passed over cost nothing. A switch after a rest reads at once.
  const auto now = Clock();
  const bool moving = Waiting_ || now - LastSwitch_ < kRest;
  LastSwitch_ = now;
  Waiting_ = false;
  KillTimer(Handle(), kRestTimer);
  if (hasWords && moving) {
    Job_.Cancel();
    Waiting_ = SetTimer(Handle(), kRestTimer, static_cast<UINT>(kRest.count()), nullptr) != 0;
    if (!Waiting_) StartJob();  // no timer to be had: read now, as before
    State_ = THitJobState::Running;
  } else if (hasWords) {
    StartJob();
    State_ = THitJobState::Running;
  } else {
    Job_.Cancel();
    State_ = THitJobState::Done;
  }
  SetNote(HitNote(State_, 0, hasWords));
}

void THitPane::StartJob() {
  Job_.Start(Path_, Words_, Inside_);
  ++JobsStarted_;
}

void THitPane::Clear() {
  Job_.Cancel();
  Waiting_ = false;
  KillTimer(Handle(), kRestTimer);
  Path_.clear();
  Words_.reset();
  State_ = THitJobState::Idle;
  Lines_.clear();
  NumberDigits_ = kMinDigits;
  EntryWidth_ = 0;
  SendMessageW(List_, LB_SETCOUNT, 0, 0);
  SetNote(HitNote(State_, 0, true));
}

void THitPane::TakeLines() {
  THitBatch batch = Job_.Take();
  // A notice of a job ended since (the pane cleared, the file without words,
  // or one waiting for the moves to rest) changes nothing.
  if (Path_.empty() || !Words_ || Words_->Words().empty() || Waiting_) return;
  const std::size_t digits = NumberDigits_;
  const int entries = EntryWidth_;
  MeasureEntries(batch.Lines);
  for (THitLine& line : batch.Lines) {
    NumberDigits_ = std::max(NumberDigits_, Digits(line.Number));
    Lines_.push_back(std::move(line));
  }
  State_ = batch.State;
  if (!batch.Lines.empty()) {
    SendMessageW(List_, LB_SETCOUNT, Lines_.size(), 0);
    if (NumberDigits_ != digits || EntryWidth_ != entries) InvalidateRect(List_, nullptr, TRUE);  // a column widened
  }
  SetNote(HitNote(State_, Lines_.size(), true, batch.LeftOut));
}

std::vector<std::size_t> THitPane::SelectedLines() const {
  const LRESULT count = SendMessageW(List_, LB_GETSELCOUNT, 0, 0);
  if (count <= 0) return {};
  std::vector<int> items(static_cast<std::size_t>(count));
  const LRESULT got =
      SendMessageW(List_, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(items.data()));
  items.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
  std::vector<std::size_t> lines;
  for (const int item : items)
    if (item >= 0 && static_cast<std::size_t>(item) < Lines_.size()) lines.push_back(static_cast<std::size_t>(item));
  std::sort(lines.begin(), lines.end());
  return lines;
}

void THitPane::CopySelection() const {
  std::vector<const THitLine*> lines;
  for (std::size_t i : SelectedLines()) lines.push_back(&Lines_[i]);
  if (lines.empty()) return;
  PutClipboardText(Handle(), Widen(HitLinesText(lines)));
}

void THitPane::SelectAll() {
  if (!Lines_.empty()) SendMessageW(List_, LB_SETSEL, TRUE, -1);
}

void THitPane::Paint() {
  const TPaintDC paint(Handle());
  const HDC dc = paint.get();
  RECT strip{};
  GetClientRect(Handle(), &strip);
  strip.bottom = std::min<LONG>(strip.bottom, NoteHeight());
  FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
  const TSelected use(dc, Font_ ? static_cast<HGDIOBJ>(Font_) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  strip.left += Pad_ * 2;
  strip.right -= Pad_ * 2;
  const std::wstring note = Widen(Note_);
  DrawTextW(dc, note.c_str(), static_cast<int>(note.size()), &strip,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void THitPane::DrawLine(const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  const bool valid = item.itemID != static_cast<UINT>(-1) && item.itemID < Lines_.size();
  if (item.itemAction == ODA_FOCUS || !valid) {
    // The focus alone turns its rectangle on or off; an empty list shows only that.
    if (item.itemAction & ODA_FOCUS) DrawFocusRect(dc, &r);
    return;
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const TSelected use(dc, Font_ ? static_cast<HGDIOBJ>(Font_) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  const COLORREF text = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
  const COLORREF dim = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_GRAYTEXT);
  const THitLine& line = Lines_[item.itemID];
  const int y = r.top + (r.bottom - r.top - LineHeight_) / 2;

  // The number, right-aligned in a gutter as wide as the largest one shown.
  const int gutter = static_cast<int>(NumberDigits_) * DigitWidth_ + CharWidth_ * 2;
  RECT number{r.left, r.top, r.left + gutter - CharWidth_, r.bottom};
  SetTextColor(dc, dim);
  const std::wstring digits = std::to_wstring(line.Number);
  DrawTextW(dc, digits.c_str(), static_cast<int>(digits.size()), &number,
            DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);

  // The entries of a package in a column as wide as the widest (at most a
  // third of the row; a longer one shortened in its middle), then the text cut
  // to what the rest of the row holds.
  int x = r.left + gutter;
  if (EntryWidth_ > 0) {
    RECT box{x, r.top, x + std::min<LONG>(EntryWidth_, (r.right - x) / 3), r.bottom};
    const std::wstring entry = Widen(line.Entry);
    DrawTextW(dc, entry.c_str(), static_cast<int>(entry.size()), &box,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    x = box.right + CharWidth_ * 2;
  }
  const THitLine cut = FitLine(dc, line, r.right - x - Pad_);
  // The line is laid out once, as measured: its marks' backgrounds go under
  // the characters they hold, and the marks are the same line drawn again in
  // their colour, clipped to them, so that no piece drawn alone moves.
  const std::wstring wide = Widen(cut.Text);
  const int n = static_cast<int>(wide.size());
  std::vector<int> ends(static_cast<std::size_t>(n) + 1, 0), advances(static_cast<std::size_t>(n) + 1, 0);
  SIZE size{};
  if (n > 0 && GetTextExtentExPointW(dc, wide.c_str(), n, INT_MAX, nullptr, ends.data(), &size)) {
    for (int i = 0; i < n; ++i) advances[i] = ends[i] - (i > 0 ? ends[i - 1] : 0);
    const std::vector<int> index = Utf16Index(cut.Text);
    std::vector<RECT> marks;
    for (const THitMark& mark : cut.Marks) {
      const int b = index[std::min<std::size_t>(mark.Begin, cut.Text.size())];
      const int e = index[std::min<std::size_t>(mark.End, cut.Text.size())];
      if (e <= b) continue;
      RECT back{x + (b > 0 ? ends[b - 1] : 0), r.top + 1, std::min<LONG>(x + ends[e - 1], r.right), r.bottom - 1};
      if (back.left >= r.right) break;
      marks.push_back(back);
    }
    const UniqueGdiObject brush(CreateSolidBrush(kMarkBack));
    for (const RECT& back : marks)
      if (brush) FillRect(dc, &back, static_cast<HBRUSH>(brush.get()));
    SetTextColor(dc, text);
    ExtTextOutW(dc, x, y, ETO_CLIPPED, &r, wide.c_str(), static_cast<UINT>(n), advances.data());
    SetTextColor(dc, kMarkText);
    for (const RECT& back : marks)
      ExtTextOutW(dc, x, y, ETO_CLIPPED, &back, wide.c_str(), static_cast<UINT>(n), advances.data());
  }
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
}

LRESULT THitPane::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      if (List_) {
        Layout();
        InvalidateRect(List_, nullptr, TRUE);  // the lines are cut to the new width
      }
      InvalidateRect(Handle(), nullptr, TRUE);
      return 0;
    case WM_SETFONT:
      SetFont(reinterpret_cast<HFONT>(wp));
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(Font_);
    case WM_TIMER:
      if (wp != kRestTimer) break;
      // The moves have rested: the file they rest on is read.
      KillTimer(Handle(), kRestTimer);
      if (Waiting_) {
        Waiting_ = false;
        StartJob();
      }
      return 0;
    case WM_PAINT: Paint(); return 0;
    case WM_SETFOCUS:
      if (List_) SetFocus(List_);
      return 0;
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = static_cast<UINT>(LineHeight_ + Pad_);
      return TRUE;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item.hwndItem != List_) break;
      DrawLine(item);
      return TRUE;
    }
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lp) == List_ && HIWORD(wp) == LBN_DBLCLK && OnOpen) OnOpen();
      return 0;
    case WM_SORVIK_HITLINES: TakeLines(); return 0;
    default: break;
  }
  return TWindow::HandleMessage(msg, wp, lp);
}

}  // namespace sorvik
