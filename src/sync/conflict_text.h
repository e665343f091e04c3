// What the user sees of a conflict: each version as labelled lines, and the pair's line in
// the list, so both can be compared before one is chosen.
#pragma once

#include <string>

#include "sync/conflicts.h"

namespace pim {

// One version as text (GB), lines ending in CR LF: the record's fields with their labels,
// a list's own lines. Empty when the file is gone or does not read as its kind.
std::string VersionText(const Conflict& conflict, bool copy);

// The pair's line: its kind, the file's name and the record's title.
std::string ConflictLine(const Conflict& conflict);

}  // namespace pim
