// What a search tells its owner, as typed values: the files found, in walk
// order, the progress counters, and the end of the run. The worker calls an
// ISearchOutput on its own thread; how (and how often) that reaches a window is
// the output's business.
#pragma once

#include <cstdint>
#include <string>

#include "DosTime.h"

namespace sorvik {

// A file the search found, as the walk saw it. Its texts are made where it is shown.
struct TFoundFile {
  std::string Name;
  std::string Folder;          // ends in the delimiter
  std::int64_t Size = 0;       // bytes
  TStamp Modified;             // local last-write time
  FileTime Accessed = 0;       // UTC
  FileTime Created = 0;        // UTC
  int ImageIndex = 0;          // small icon in the system image list
};

// Where the walk stands: the entry it handled last, or the folder it entered.
enum class TStatusKind : std::uint8_t { None, Folder, File };

struct TSearchProgress {
  std::int64_t EntriesExamined = 0;
  std::int64_t FilesFound = 0;
  std::int64_t KBFound = 0;      // whole kilobytes of each file, added
  std::int64_t BytesFound = 0;   // the files' sizes, added
  // Files whose test failed (out of memory, a reader's error): passed over,
  // never found, and the search went on.
  std::int64_t FilesUnread = 0;
  TStatusKind Kind = TStatusKind::None;
  std::string Path;  // a folder ends in the delimiter
};

class ISearchOutput {
 public:
  virtual ~ISearchOutput() = default;
  // The run has passed its checks and the walk begins (the first progress came before).
  virtual void StartAnimation() = 0;
  // A file found; files come in walk order.
  virtual void AddResultRow(TFoundFile file) = 0;
  // Progress moved (after every entry and folder). `progress` is only read
  // during the call.
  virtual void ShowProgress(const TSearchProgress& progress) = 0;
  // The run is over, however it ended; called exactly once, last. `progress`
  // is null when the request was refused before anything was examined; `error`
  // is empty unless an error ended (or refused) the run.
  virtual void SearchFinished(const TSearchProgress* progress, const std::string& error) = 0;
};

}  // namespace sorvik
