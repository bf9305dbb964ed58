// The hit pane under the results list: the lines of the selected file that
// hold the search's words, each with its number and its hits marked, under a
// note that says where the finding stands. The lines come from a job of its own.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "HitJob.h"
#include "Window.h"

namespace sorvik {

class THitPane : public TWindow {
 public:
  static constexpr const wchar_t* kClassName = L"SorvikHitPane";
  THitPane(HWND parent, int id, HFONT font);
  ~THitPane() override;

  // The list of lines: it takes the focus for the pane.
  HWND List() const { return List_; }

  // Shows the lines of the file that hold the words (a package by what it
  // holds when `inside`); nothing changes when the pane shows that file for
  // those words already. A set without words shows the note that says so.
  void ShowFile(const std::string& path, std::shared_ptr<const TWordSet> words, bool inside);
  // Empty, its job ended.
  void Clear();
  // Takes what the job found (its notice does this; tests waiting for a state call it too).
  void TakeLines();

  // What it shows: the lines, the note, the file; whether its job is over.
  std::size_t LineCount() const { return Lines_.size(); }
  const THitLine& Line(std::size_t i) const { return Lines_[i]; }
  const std::string& Note() const { return Note_; }
  const std::string& Path() const { return Path_; }
  bool Busy() const { return State_ == THitJobState::Running; }

  // The selected lines, in order; and as text on the clipboard (HitLinesText).
  std::vector<std::size_t> SelectedLines() const;
  void CopySelection() const;
  void SelectAll();

  // How long the moves between rows rest before the row they rest on is read;
  // a switch after such a rest is read at once.
  static constexpr std::chrono::milliseconds kRest{50};
  // The clock the rest is judged by; tests put their own in its place.
  std::function<std::chrono::steady_clock::time_point()> Clock = [] { return std::chrono::steady_clock::now(); };
  // Files the pane began to read, since it was made.
  std::size_t JobsStarted() const { return JobsStarted_; }

  // Enter or a double click on a line.
  std::function<void()> OnOpen;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void SetFont(HFONT font);
  void StartJob();
  // Widens the entries' column for the lines' entries, in the pane's font.
  void MeasureEntries(const std::vector<THitLine>& lines);
  void Layout();
  void Paint();
  void DrawLine(const DRAWITEMSTRUCT& item);
  void SetNote(std::string note);
  int NoteHeight() const { return LineHeight_ + Pad_ * 2; }
  // Characters of the text area at the font's average width.
  std::size_t Columns(int width) const;
  // The line cut to the widest text that fits `room` pixels in the DC's font.
  THitLine FitLine(HDC dc, const THitLine& line, int room) const;

  HWND List_ = nullptr;
  HFONT Font_ = nullptr;  // the window's; not ours to delete
  int LineHeight_ = 16, CharWidth_ = 7, DigitWidth_ = 7, Pad_ = 2;
  THitJob Job_;
  std::string Path_;
  std::shared_ptr<const TWordSet> Words_;
  bool Inside_ = true;
  THitJobState State_ = THitJobState::Idle;
  std::vector<THitLine> Lines_;
  std::size_t NumberDigits_ = 3;  // of the largest line number shown, at least 3
  int EntryWidth_ = 0;            // of the widest entry shown, in pixels; 0: no entries
  std::string Note_;
  static constexpr UINT_PTR kRestTimer = 1;
  std::chrono::steady_clock::time_point LastSwitch_{};  // of the last ShowFile
  bool Waiting_ = false;  // a file waits for the moves to rest (kRestTimer runs)
  std::size_t JobsStarted_ = 0;
};

}  // namespace sorvik
