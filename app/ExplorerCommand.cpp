#include "ExplorerCommand.h"

namespace sorvik {

std::string ExplorerEntryCommand(const std::string& program) { return "\"" + program + "\" \"--dir=%V\\\""; }

bool FitsExplorerCommand(const std::string& program) {
  return !program.empty() && program.find_first_of("%\"") == std::string::npos;
}

}  // namespace sorvik
